// Every operation the GUI code uses on windows, controls, menus and the
// desktop. Each operation is atomic and may be called from any thread;
// bindings carry it out on the UI thread. Texts are UTF-8.
#pragma once

#include <functional>
#include <string>

#include "host/layout.h"

namespace host {

// A control of a loaded window; an empty control names the window itself.
struct ControlRef {
  std::string window;
  std::string control;
};

struct MenuItemRef {
  std::string window;
  std::string menu;
  std::string item;
};

enum class Bound { Left, Top, Width, Height };

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Information };

inline constexpr int kMsgOk = 0;
inline constexpr int kMsgYes = 5;
inline constexpr int kMsgNo = 6;
inline constexpr const char* kDefaultMessageTitle = "信息：";

// SetWindowState / GetWindowState values.
inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowRestoreCentre = 1;
inline constexpr int kWindowMinimised = 2;
inline constexpr int kWindowMaximised = 3;

inline constexpr int kKeyEnter = 13;

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // Windows.
  // Creates the window and its controls, raises "created", shows it. A modal
  // load returns when the window is destroyed. Loading a loaded window only
  // restores (if minimised) or activates it.
  virtual void LoadWindow(const WindowDef& window, bool modal) = 0;
  virtual bool IsWindowLoaded(const std::string& window) = 0;
  virtual void ActivateWindow(const std::string& window) = 0;
  virtual void FocusWindow(const std::string& window) = 0;
  virtual void DestroyWindow(const std::string& window) = 0;
  // 0 normal, 1 restore and centre, 2 minimise, 3 maximise; ignored while
  // the window is hidden.
  virtual void SetWindowState(const std::string& window, int state) = 0;
  // 2 minimised, 3 maximised, else 0.
  virtual int GetWindowState(const std::string& window) = 0;

  // Controls (and windows, with an empty control name).
  virtual void SetVisible(const ControlRef& target, bool visible) = 0;
  virtual void SetEnabled(const ControlRef& target, bool enabled) = 0;
  virtual void SetEnabled(const MenuItemRef& item, bool enabled) = 0;
  virtual int GetBounds(const ControlRef& target, Bound which) = 0;
  virtual void SetBounds(const ControlRef& target, Bound which, int value) = 0;
  virtual std::string GetText(const ControlRef& target) = 0;
  virtual void SetText(const ControlRef& target, const std::string& text) = 0;
  virtual void AppendText(const ControlRef& target, const std::string& text) = 0;
  virtual void SelectTabPage(const ControlRef& tab, int page) = 0;
  virtual void Navigate(const ControlRef& browser, const std::string& address) = 0;
  // 0 stops the timer; otherwise its event comes every `ms` on the UI thread.
  virtual void SetTimerPeriod(const ControlRef& timer, int ms) = 0;
  virtual void SetProgressMax(const ControlRef& bar, int max) = 0;
  virtual void SetProgressPos(const ControlRef& bar, int pos) = 0;
  // Button i pressed, the rest of its check group released.
  virtual void CheckToolbarButton(const ControlRef& toolbar, int index) = 0;
  // Pre-order index of the selected item, -1 when none.
  virtual int TreeSelectedIndex(const ControlRef& tree) = 0;

  // Report lists. Rows and columns count from 0.
  virtual int ListAppendRow(const ControlRef& list) = 0;
  virtual void ListSetCell(const ControlRef& list, int row, int col, const std::string& text) = 0;
  // "" when the row or cell does not exist.
  virtual std::string ListGetCell(const ControlRef& list, int row, int col) = 0;
  virtual int ListRowCount(const ControlRef& list) = 0;
  virtual void ListDeleteRow(const ControlRef& list, int row) = 0;
  virtual void ListClear(const ControlRef& list) = 0;
  // First selected row, -1 when none.
  virtual int ListSelectedRow(const ControlRef& list) = 0;
  // First row from `start` on whose column 0 begins with `text`, Latin
  // letters compared without case; -1 when none.
  virtual int ListFindRow(const ControlRef& list, const std::string& text, int start) = 0;

  // Hints, boxes, tray, menus.
  virtual void AttachBalloonTip(const ControlRef& tip, const ControlRef& control,
                                const std::string& text) = 0;
  virtual void ShowBalloonAt(const ControlRef& tip, int x, int y, const std::string& text) = 0;
  // Owner-less, blocks its caller only. An empty title shows "信息：".
  // Returns kMsgOk, kMsgYes or kMsgNo.
  virtual int MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                         const std::string& title) = 0;
  // Adds or replaces the icon; Art::None removes it. The tip is cut to 62
  // GBK bytes without splitting a character.
  virtual void SetTrayIcon(const std::string& window, Art icon, const std::string& tip) = 0;
  // At the pointer, offset (3, 3).
  virtual void PopupMenu(const std::string& window, const std::string& menu) = 0;
  // Window brought to the foreground, menu right-aligned at the pointer,
  // offset (-5, -5).
  virtual void PopupTrayMenu(const std::string& window, const std::string& menu) = 0;

  // Desktop.
  // Runs `routine` on a new thread and returns at once; never joined.
  virtual void StartThread(std::function<void()> routine) = 0;
  virtual void OpenUrl(const std::string& address) = 0;
  // Starts the program without waiting; failure ignored.
  virtual void RunProgram(const std::string& path) = 0;
  virtual void ShellOpen(const std::string& path) = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual int ScreenWidth() = 0;

  // Runs `unit` on the UI thread as one uninterrupted step (no other event
  // handler or operation from another thread interleaves with it) and
  // returns when it is done. Called from the UI thread it runs at once.
  virtual void RunOnUiThread(std::function<void()> unit) = 0;
  // Waits `ms` milliseconds while window events (timers included) go on
  // being handled. UI thread only.
  virtual void WaitHandlingEvents(int ms) = 0;
  // Runs the message loop until ExitProcess or until no window is left.
  virtual int RunMessageLoop() = 0;
  // Ends the process with `code`. The simulated host records it instead.
  virtual void ExitProcess(int code) = 0;
};

}  // namespace host
