// The simulated window system: the test host. It implements every window
// operation on plain state, safe from any thread, records every operation
// in order, raises events through a driver that acts as the user, runs
// timers on a virtual clock and answers message boxes from a script.
//
// Threading model: the test's own thread plays the UI thread. Every
// operation and every handler the driver raises runs under one recursive
// "UI lock"; RunOnUiThread holds it for the whole unit, so a worker's unit
// never interleaves with a handler or another unit. A message box waiting
// for its scripted answer releases the lock while it waits, so that other
// threads (and, for a worker's box, the UI thread) go on.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/window_services.h"

namespace host::sim {

struct MessageBoxShown {
  std::string text;
  MsgButtons buttons = MsgButtons::Ok;
  MsgIcon icon = MsgIcon::None;
  std::string title;  // as shown: "信息：" when the caller gave none
  int answer = kMsgOk;
  bool fromUiThread = true;
  bool answered = false;  // false while the box still waits for its answer
  bool timedOut = false;  // no answer was scripted in time; answered No
};

struct BalloonShown {
  std::string tip;  // balloon control name (window/control)
  int x = 0;
  int y = 0;
  std::string text;
};

struct PopupShown {
  std::string window;
  std::string menu;
  bool tray = false;
};

// Observable state of one control.
struct SimControl {
  ControlDef def;
  Rect bounds;
  bool visible = true;
  bool enabled = true;
  std::string text;
  std::vector<std::vector<std::string>> rows;
  int selectedRow = -1;
  int treeSelected = -1;
  int tabPage = 0;
  int checkedButton = -1;
  int timerPeriod = 0;
  long long timerDueAt = 0;  // virtual ms of the next tick
  long long createdSeq = 0;  // creation order; breaks ties between due timers
  bool timerFiring = false;  // its handler is running (not re-entered)
  int progressMax = 100;
  int progressPos = 0;
  std::vector<std::string> addresses;  // browser: every Navigate, in order
  std::string balloonAttachedTo;       // balloon tip: control it hovers over
                                       // ("Window/control" if in another window)
  std::string balloonText;
};

struct SimWindow {
  WindowDef def;
  Rect bounds;
  bool visible = true;
  bool enabled = true;
  Rect normalBounds;  // bounds to go back to from maximised
  int state = kWindowNormal;
  bool modal = false;
  int activations = 0;
  int focusCount = 0;
  std::map<std::string, SimControl> controls;
  std::map<std::string, std::map<std::string, bool>> menuEnabled;  // menu -> item -> enabled
  std::string openPopup;  // menu currently popped up, "" when none
};

class SimHost : public WindowServices {
 public:
  SimHost();
  ~SimHost() override;

  // ---- WindowServices -------------------------------------------------
  void LoadWindow(const WindowDef& window, bool modal) override;
  bool IsWindowLoaded(const std::string& window) override;
  void ActivateWindow(const std::string& window) override;
  void FocusWindow(const std::string& window) override;
  void DestroyWindow(const std::string& window) override;
  void SetWindowState(const std::string& window, int state) override;
  int GetWindowState(const std::string& window) override;
  void SetVisible(const ControlRef& target, bool visible) override;
  void SetEnabled(const ControlRef& target, bool enabled) override;
  void SetEnabled(const MenuItemRef& item, bool enabled) override;
  int GetBounds(const ControlRef& target, Bound which) override;
  void SetBounds(const ControlRef& target, Bound which, int value) override;
  std::string GetText(const ControlRef& target) override;
  void SetText(const ControlRef& target, const std::string& text) override;
  void AppendText(const ControlRef& target, const std::string& text) override;
  void SelectTabPage(const ControlRef& tab, int page) override;
  void Navigate(const ControlRef& browser, const std::string& address) override;
  void SetTimerPeriod(const ControlRef& timer, int ms) override;
  void SetProgressMax(const ControlRef& bar, int max) override;
  void SetProgressPos(const ControlRef& bar, int pos) override;
  void CheckToolbarButton(const ControlRef& toolbar, int index) override;
  int TreeSelectedIndex(const ControlRef& tree) override;
  int ListAppendRow(const ControlRef& list) override;
  void ListSetCell(const ControlRef& list, int row, int col, const std::string& text) override;
  std::string ListGetCell(const ControlRef& list, int row, int col) override;
  int ListRowCount(const ControlRef& list) override;
  void ListDeleteRow(const ControlRef& list, int row) override;
  void ListClear(const ControlRef& list) override;
  int ListSelectedRow(const ControlRef& list) override;
  int ListFindRow(const ControlRef& list, const std::string& text, int start) override;
  void AttachBalloonTip(const ControlRef& tip, const ControlRef& control,
                        const std::string& text) override;
  void ShowBalloonAt(const ControlRef& tip, int x, int y, const std::string& text) override;
  int MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                 const std::string& title) override;
  void SetTrayIcon(const std::string& window, Art icon, const std::string& tip) override;
  void PopupMenu(const std::string& window, const std::string& menu) override;
  void PopupTrayMenu(const std::string& window, const std::string& menu) override;
  void StartThread(std::function<void()> routine) override;
  void OpenUrl(const std::string& address) override;
  void RunProgram(const std::string& path) override;
  void ShellOpen(const std::string& path) override;
  void SetClipboardText(const std::string& text) override;
  int ScreenWidth() override;
  void RunOnUiThread(std::function<void()> unit) override;
  void WaitHandlingEvents(int ms) override;
  int RunMessageLoop() override;
  void ExitProcess(int code) override;

  // ---- Setup ------------------------------------------------------------
  void SetScreenSize(int width, int height);  // default 1280 x 800
  // Answers for the next message boxes, in order. A box with no scripted
  // answer waits until one is scripted (ScriptAnswer from another thread).
  void ScriptAnswer(int answer);
  // What a modal LoadWindow does after "created" while the window is still
  // loaded; the default advances the virtual clock in 1 ms steps until the
  // window is destroyed or 60 s of virtual time have passed.
  void SetModalLoop(std::function<void(SimHost&, const std::string& window)> loop);
  // Real time a Yes/No box waits for a scripted answer before it answers No
  // (default 10 s), so that a forgotten script cannot hang a test run.
  void SetMessageBoxTimeout(int ms);

  // ---- Driver: acts as the user (each returns false when the action is not
  // possible, e.g. a disabled item or a window not loaded) ------------------
  bool DoubleClickTreeItem(const std::string& window, const std::string& tree, int index);
  bool DoubleClickTreeEmptySpace(const std::string& window, const std::string& tree);
  bool SelectTreeItem(const std::string& window, const std::string& tree, int index);
  bool SelectRow(const std::string& window, const std::string& list, int row);  // -1 clears
  bool DoubleClickRow(const std::string& window, const std::string& list, int row);
  bool PressEnterInList(const std::string& window, const std::string& list);
  bool RightClickList(const std::string& window, const std::string& list);
  // Selects the row, as a right click on it does, then raises RightClicked.
  bool RightClickRow(const std::string& window, const std::string& list, int row);
  // Chooses an item of the menu that is popped up now; false when that menu
  // is not open or the item is disabled. Closes the popup either way.
  bool ChooseMenuItem(const std::string& window, const std::string& menu, const std::string& item);
  void DismissPopup(const std::string& window);
  bool ClickToolbarButton(const std::string& window, const std::string& toolbar, int index);
  bool ClickButton(const std::string& window, const std::string& button);
  bool TypeText(const std::string& window, const std::string& edit, const std::string& text);
  bool PressKey(const std::string& window, const std::string& edit, int key);
  bool DoubleClickTray(const std::string& window);
  bool SingleClickTray(const std::string& window);
  bool RightClickTray(const std::string& window);
  bool Minimise(const std::string& window);  // as the system would
  bool ResizeWindow(const std::string& window, int width, int height);
  bool CloseByUser(const std::string& window);  // caption close box

  // Virtual clock: fires due timers in time order on the calling thread (the
  // UI thread), honouring period changes made by handlers.
  void Advance(int ms);
  long long Now() const;
  // Waits for every thread started by StartThread (real time, bounded).
  bool WaitForThreads(int timeoutMs = 10000);

  // ---- Observation --------------------------------------------------------
  bool HasWindow(const std::string& window) const;
  SimWindow Window(const std::string& window) const;  // copy
  SimControl Control(const std::string& window, const std::string& control) const;
  std::vector<std::vector<std::string>> Rows(const std::string& window,
                                             const std::string& list) const;
  bool MenuItemEnabled(const std::string& window, const std::string& menu,
                       const std::string& item) const;
  int TimerPeriod(const std::string& window, const std::string& timer) const;
  std::string OpenPopup(const std::string& window) const;
  std::vector<PopupShown> Popups() const;
  Art TrayIcon() const;
  std::string TrayTip() const;  // as shown (cut to 62 GBK bytes)
  std::string TrayWindow() const;
  std::vector<BalloonShown> Balloons() const;
  std::string Clipboard() const;
  std::vector<std::string> OpenedUrls() const;
  std::vector<std::string> StartedPrograms() const;
  std::vector<std::string> ShellOpened() const;
  std::vector<MessageBoxShown> MessageBoxes() const;
  // Waits (real time) until at least `count` boxes have been shown; for a
  // test that must answer a box a worker thread is about to show.
  bool WaitForMessageBoxes(std::size_t count, int timeoutMs = 10000) const;
  int ThreadsStarted() const;
  int ThreadsRunning() const;
  bool Exited() const;
  int ExitCode() const;
  // Every operation in order, one line each, e.g.
  // "ListAppendRow MainWindow/超级列表框2 -> 0",
  // "SetTrayIcon MainWindow ProgramIcon Kovrin宝盒 V2.0".
  std::vector<std::string> Log() const;
  // Index in Log() of the first line starting with `prefix`, -1 when none.
  int LogIndexOf(const std::string& prefix) const;
  void ClearLog();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace host::sim
