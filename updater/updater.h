// The update check and the progress routine shared by the updater program
// and the update module, their two windows and the updater program's
// start-up. Each deliverable runs the same routines with its own settings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/services.h"
#include "host/layout.h"
#include "host/network.h"

namespace updater {

inline constexpr const char* kUpdaterWindow = "UpdaterWindow";
inline constexpr const char* kUpdateModuleWindow = "UpdateModuleWindow";
inline constexpr const char* kStatusLabel = "标签1";
inline constexpr const char* kProgressLabel = "标签2";
inline constexpr const char* kProgressBar = "进度条1";
inline constexpr const char* kTimer = "时钟1";

inline constexpr const char* kWindowCaption = "Kovrin宝盒更新检测";
inline constexpr const char* kUpdaterStartText = "正在更新培训班资源...";
inline constexpr const char* kModuleStartText = "正在连接更新服务器...";
inline constexpr const char* kDownloadingText = "自动更新宝盒程序...";
inline constexpr const char* kProgressLabelText = "正在更新：";

inline constexpr const char* kMessageTitle = "更新";
inline constexpr const char* kModuleMissingMessage =
    "up.dll更新补丁已被破环，请到官方论坛手动下载宝盒";
inline constexpr const char* kAlreadyCurrentMessage = "目前已是最新版本，无需更新，请随时关注论坛";
inline constexpr const char* kCompleteMessage = "Kovrin宝盒已经更新完毕";
// The server gave no usable version record (unreachable, or fewer than three
// fields): nothing is deleted or downloaded.
inline constexpr const char* kNoVersionInfoMessage =
    "无法获取更新信息，请检查网络或到官方论坛手动下载宝盒";
// The transfer ended for good before the package had arrived.
inline constexpr const char* kDownloadFailedMessage =
    "宝盒更新包下载失败，请到官方论坛手动下载宝盒";

inline constexpr const char* kEarlierPackageName = "Kovrin宝盒.zip";
inline constexpr const char* kUpdaterPackageName = "Kovrin宝盒V2.0.zip";

// What differs between the two deliverables.
struct UpdateSettings {
  std::string windowName;      // the window the routines work on
  std::string startText;       // 标签1 when the window is created
  std::string versionFileUrl;  // the version record to fetch
  std::string earlierPackage;  // deleted once the server has answered; "" none
  std::string packageFile;     // where the new package is saved
  // Whether the program destroys the window after the already-current, the
  // completion and the failure messages (else the user closes it).
  bool closeWindowWhenDone = true;
};

// The updater program: update.txt, deletes Kovrin宝盒.zip, saves
// Kovrin宝盒V2.0.zip, closes its window.
UpdateSettings UpdaterProgramSettings(const common::Config& config);
// The update module: 检查更新.txt, deletes nothing, saves Kovrin宝盒.zip,
// leaves its window to the user.
UpdateSettings UpdateModuleSettings(const common::Config& config);

// The layouts, without handlers.
host::WindowDef UpdaterWindowLayout();
host::WindowDef UpdateModuleWindowLayout();

// The program-wide state of one deliverable.
struct UpdateState {
  std::unique_ptr<host::Download> download;
  host::TaskParam taskParam;
  std::int32_t packageSizeKb = 0;
  std::int32_t receivedKb = 0;
};

class Updater {
 public:
  Updater(common::Services& services, UpdateSettings settings);
  // Runs the exit clean-up if it has not run yet.
  ~Updater();
  Updater(const Updater&) = delete;
  Updater& operator=(const Updater&) = delete;

  // Creates the Download object and gives the task record its start-up values.
  void StartUp();
  // Exit clean-up: CloseDownload (a transfer under way ends, what was written
  // stays) and release of the record. Safe to run more than once.
  void Exit();

  // The settings' window layout with "created" bound to UpdateCheck and the
  // timer bound to ProgressTick.
  host::WindowDef WindowDef();

  // Runs in the window's "created" event: fetch the version record, delete
  // the earlier package, then report the current version or start the
  // download with its progress display.
  void UpdateCheck();
  // Runs on every timer period while the download is followed.
  void ProgressTick();

  const UpdateSettings& Settings() const { return settings_; }
  UpdateState& State() { return state_; }

 private:
  host::ControlRef Ctl(const char* control) const { return {settings_.windowName, control}; }
  // Stops following the download, shows `message` and, for the program,
  // closes the window.
  void Finish(const char* message, const char* title);

  common::Services& services_;
  UpdateSettings settings_;
  UpdateState state_;
  bool started_ = false;
};

// The updater program from its start to its end, once the window services
// exist: state, clean-up, the refusal without the update module beside it,
// else UpdaterWindow shown modally until it is destroyed.
void RunUpdaterProgram(common::Services& services);

}  // namespace updater
