// The title-bar behaviour of the frameless MainWindow: its own minimise and
// close buttons, hiding to the notification area, the tray icon's menu and
// the two ways to end the program.
#pragma once

#include <functional>

#include "common/services.h"
#include "downloads/download_manager.h"
#include "host/layout.h"

namespace shell {

class TrayAndExit {
 public:
  TrayAndExit(common::Services& services, downloads::DownloadManager& downloads,
              std::function<void()> exitProgram);
  void Bind(host::WindowDef& mainWindow);

  // 图形按钮2: offers to save a non-empty download list, then ends.
  void Close();
  // 图形按钮3.
  void Minimise();
  // MainWindow's position changed: a minimised window leaves the screen and
  // the taskbar; the tray icon is the way back.
  void HideWhenMinimised();
  // Double-click on the tray icon.
  void Restore();
  // Right click on the tray icon.
  void ShowTrayMenu();
  // TrayMenu "退出程序": warns about a download in progress (paused too).
  void Quit();

 private:
  void RemoveTrayIconAndExit();

  common::Services& services_;
  downloads::DownloadManager& downloads_;
  std::function<void()> exitProgram_;
};

}  // namespace shell
