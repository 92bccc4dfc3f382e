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

 private:
  common::Services& services_;
  downloads::DownloadManager& downloads_;
  std::function<void()> exitProgram_;
};

}  // namespace shell
