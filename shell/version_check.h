// The version check at start-up and the tray item "检测更新".
#pragma once

#include "common/services.h"

namespace shell {

// Worker thread: fetch update.txt, announce another version and start the
// updater.
void VersionCheck(common::Services& services);
// TrayMenu "检测更新": start the updater without looking at the version.
void CheckForUpdateCommand(common::Services& services);
// RunDirectory + separator + the updater's file name.
std::string UpdaterPath(const common::Config& config);

}  // namespace shell
