#include "shell/version_check.h"

#include <string>
#include <vector>

#include "common/deliverables.h"
#include "common/main_window.h"
#include "common/paths.h"
#include "common/split_text.h"
#include "common/text.h"
#include "host/files.h"

namespace shell {
namespace {

std::string ProgramPage(const common::Config& config) {
  return config.communityBaseUrl + "thread-2775-1-1.html";
}

}  // namespace

std::string UpdaterPath(const common::Config& config) {
  return common::JoinPath(config.runDirectory, common::kUpdaterFile);
}

void VersionCheck(common::Services& services) {
  auto& ui = services.ui;
  const std::string body = services.net.HttpFetch(services.config.contentBaseUrl + "update.txt");
  const std::vector<std::string> fields = common::SplitText(common::BodyUpToZero(body), "|");
  // Fewer than three fields is no version file (a failed fetch included):
  // end quietly rather than announce an update that cannot be fetched.
  if (fields.size() < 3) return;
  // Byte for byte: case, blanks and a line end all count as another version.
  if (fields[1] == common::kBuiltInVersion) return;
  const int width = ui.GetBounds({mw::kWindow, ""}, host::Bound::Width);
  const int x = static_cast<int>(ui.ScreenWidth() - width / 2.0);
  ui.ShowBalloonAt(mw::Ctl(mw::kVersionBalloon), x, 120,
                   "Kovrin宝盒版本更新了，请到官方论坛下载最新版本吧！");
  ui.OpenUrl(ProgramPage(services.config));
  const std::string updater = UpdaterPath(services.config);
  if (host::FileExists(updater)) {
    ui.RunProgram(updater);
  } else {
    ui.MessageBox("自动更新程序已损坏，请手动官方下载", host::MsgButtons::Ok, host::MsgIcon::None,
                  "");
    ui.OpenUrl(ProgramPage(services.config));
  }
}

void CheckForUpdateCommand(common::Services& services) {
  auto& ui = services.ui;
  const std::string updater = UpdaterPath(services.config);
  if (host::FileExists(updater)) {
    ui.RunProgram(updater);
    return;
  }
  ui.MessageBox("update.exe更新文件已被损坏，请去官方论坛重新下载更新文件", host::MsgButtons::Ok,
                host::MsgIcon::None, "更新");
  ui.OpenUrl(ProgramPage(services.config));
}

}  // namespace shell
