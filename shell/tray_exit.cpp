#include "shell/tray_exit.h"

namespace shell {

TrayAndExit::TrayAndExit(common::Services& services, downloads::DownloadManager& downloads,
                         std::function<void()> exitProgram)
    : services_(services), downloads_(downloads), exitProgram_(std::move(exitProgram)) {}

void TrayAndExit::Bind(host::WindowDef&) {}

}  // namespace shell
