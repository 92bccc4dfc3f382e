// The window services on Qt 6 Widgets. Only program entries include this
// header; the core sees host::WindowServices alone.
//
// Every operation may be called from any thread: called on the UI thread it
// runs at once, called from another thread it is carried out on the UI
// thread as one step while the caller waits. The UI thread is the thread
// that constructed the QtHost.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/window_services.h"

namespace host::qt {

class QtHost final : public WindowServices {
 public:
  // Creates the application object when the process has none yet (after
  // setting what the embedded browser needs, see PrepareProcess) and keeps
  // it for the host's lifetime; otherwise uses the existing one.
  QtHost();
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  // Process-wide settings that must precede the application object: shared
  // GL contexts and the software scene graph for the browser, and, only
  // when running as root, the browser's sandbox off (Chromium refuses to
  // start as root with it). Called by the constructor; idempotent.
  static void PrepareProcess();

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
  [[noreturn]] void ExitProcess(int code) override;

  // Smoke-test hook (builds with RB_TEST_HOOKS): the state of every window,
  // control, menu, message box and the tray icon as text, with the screen
  // places a test needs to click. Also written on request: while the file
  // `<RunDirectory>/.rb-dump-request.<pid>` exists, the host writes
  // `<RunDirectory>/.rb-dump.<pid>.txt` (whole, by renaming) and deletes the
  // request, looking once a second.
  std::string DumpState();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace host::qt
