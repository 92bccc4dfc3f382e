#include "shell/tray_exit.h"

#include "common/main_window.h"
#include "shell/download_list_store.h"

namespace shell {

TrayAndExit::TrayAndExit(common::Services& services, downloads::DownloadManager& downloads,
                         std::function<void()> exitProgram)
    : services_(services), downloads_(downloads), exitProgram_(std::move(exitProgram)) {}

void TrayAndExit::Bind(host::WindowDef& mainWindow) {
  auto& events = mainWindow.events;
  auto on = [&events](const char* control, host::Event event, const char* item,
                      std::function<void()> action) {
    events.push_back(
        {control, event, item, [action = std::move(action)](const host::EventArgs&) { action(); }});
  };
  on(mw::kCloseButton, host::Event::Clicked, "", [this] { Close(); });
  on(mw::kMinimiseButton, host::Event::Clicked, "", [this] { Minimise(); });
  on("", host::Event::PositionChanged, "", [this] { HideWhenMinimised(); });
  on("", host::Event::TrayDoubleClicked, "", [this] { Restore(); });
  on("", host::Event::TrayRightClicked, "", [this] { ShowTrayMenu(); });
  on(mw::kTrayMenu, host::Event::MenuItemChosen, mw::kQuit, [this] { Quit(); });
}

void TrayAndExit::Close() {
  auto& ui = services_.ui;
  services_.net.DisconnectFtp();
  if (ui.ListRowCount(mw::Ctl(mw::kDownloadList)) == 0) {
    RemoveTrayIconAndExit();
    return;
  }
  const int answer = ui.MessageBox("是否保存下载页面的资源信息", host::MsgButtons::YesNo,
                                   host::MsgIcon::None, "保存");
  if (answer == host::kMsgYes) SaveDownloadList(ui, services_.config.iniPath);
  // A running download is stopped by the exit routine; its partial file stays.
  RemoveTrayIconAndExit();
}

void TrayAndExit::RemoveTrayIconAndExit() {
  services_.ui.SetTrayIcon(mw::kWindow, host::Art::None, "");
  exitProgram_();
}

void TrayAndExit::Minimise() { services_.ui.SetWindowState(mw::kWindow, host::kWindowMinimised); }

void TrayAndExit::HideWhenMinimised() {
  auto& ui = services_.ui;
  if (ui.GetWindowState(mw::kWindow) == host::kWindowMinimised) ui.SetVisible(mw::Ctl(""), false);
}

void TrayAndExit::Restore() {
  auto& ui = services_.ui;
  ui.SetVisible(mw::Ctl(""), true);
  ui.FocusWindow(mw::kWindow);
  ui.SetWindowState(mw::kWindow, host::kWindowRestoreCentre);
}

void TrayAndExit::ShowTrayMenu() { services_.ui.PopupTrayMenu(mw::kWindow, mw::kTrayMenu); }

void TrayAndExit::Quit() {
  if (downloads_.DownloadActive()) {
    const int answer = services_.ui.MessageBox(
        "目前有任务正在下载中，是否强行关闭", host::MsgButtons::YesNo, host::MsgIcon::None, "关闭");
    if (answer != host::kMsgYes) return;
  }
  // This path saves nothing and leaves the tray icon to the end of the process.
  exitProgram_();
}

}  // namespace shell
