#include "updater/updater.h"

#include <utility>
#include <vector>

#include "common/deliverables.h"
#include "common/paths.h"
#include "common/split_text.h"
#include "common/text.h"
#include "host/files.h"

namespace updater {
namespace {

constexpr int kDownloadWindowHeight = 100;
constexpr int kTickMs = 1;

host::ControlDef Label(const char* name, host::Rect rect, const char* text, bool visible) {
  host::ControlDef c = host::MakeControl(name, host::ControlKind::Label, rect, text);
  c.visible = visible;
  return c;
}

host::WindowDef UpdateWindowLayout(const char* name, const char* startText, int statusLeft,
                                   int timerLeft) {
  host::WindowDef w;
  w.name = name;
  w.title = kWindowCaption;
  w.rect = {50, 50, 205, 60};
  w.style = host::WindowStyle::FixedDialog;

  host::ControlDef status = Label(kStatusLabel, {statusLeft, 8, 176, 24}, startText, true);
  status.font.bold = true;
  status.font.pixelHeight = 16;
  w.controls.push_back(status);

  w.controls.push_back(Label(kProgressLabel, {8, 40, 52, 24}, kProgressLabelText, false));

  host::ControlDef bar;
  bar.name = kProgressBar;
  bar.kind = host::ControlKind::ProgressBar;
  bar.rect = {65, 45, 133, 16};
  bar.visible = false;
  bar.progressMax = 100;
  w.controls.push_back(bar);

  host::ControlDef timer;
  timer.name = kTimer;
  timer.kind = host::ControlKind::Timer;
  timer.rect = {timerLeft, 0, 24, 24};
  timer.visible = false;
  w.controls.push_back(timer);
  return w;
}

}  // namespace

UpdateSettings UpdaterProgramSettings(const common::Config& config) {
  UpdateSettings s;
  s.windowName = kUpdaterWindow;
  s.startText = kUpdaterStartText;
  s.versionFileUrl = config.contentBaseUrl + "update.txt";
  s.earlierPackage = common::JoinPath(config.runDirectory, kEarlierPackageName);
  s.packageFile = common::JoinPath(config.runDirectory, kUpdaterPackageName);
  s.closeWindowWhenDone = true;
  return s;
}

UpdateSettings UpdateModuleSettings(const common::Config& config) {
  UpdateSettings s;
  s.windowName = kUpdateModuleWindow;
  s.startText = kModuleStartText;
  s.versionFileUrl = config.contentBaseUrl + "检查更新.txt";
  s.earlierPackage.clear();
  s.packageFile = common::JoinPath(config.runDirectory, kEarlierPackageName);
  s.closeWindowWhenDone = false;
  return s;
}

host::WindowDef UpdaterWindowLayout() {
  return UpdateWindowLayout(kUpdaterWindow, kUpdaterStartText, 8, 160);
}

host::WindowDef UpdateModuleWindowLayout() {
  return UpdateWindowLayout(kUpdateModuleWindow, kModuleStartText, 16, 152);
}

Updater::Updater(common::Services& services, UpdateSettings settings)
    : services_(services), settings_(std::move(settings)) {}

Updater::~Updater() { Exit(); }

void Updater::StartUp() {
  state_.download = services_.net.CreateDownload();
  state_.taskParam = host::TaskParam{};
  state_.packageSizeKb = 0;
  state_.receivedKb = 0;
  started_ = true;
}

void Updater::Exit() {
  if (!started_) return;
  started_ = false;
  if (state_.download) {
    state_.download->CloseDownload();
    state_.download.reset();
  }
  state_.taskParam = host::TaskParam{};
}

host::WindowDef Updater::WindowDef() {
  host::WindowDef w = settings_.windowName == kUpdateModuleWindow ? UpdateModuleWindowLayout()
                                                                  : UpdaterWindowLayout();
  w.name = settings_.windowName;
  for (auto& c : w.controls)
    if (c.name == kStatusLabel) c.text = settings_.startText;
  w.events.push_back(
      {"", host::Event::Created, "", [this](const host::EventArgs&) { UpdateCheck(); }});
  w.events.push_back(
      {kTimer, host::Event::TimerElapsed, "", [this](const host::EventArgs&) { ProgressTick(); }});
  return w;
}

void Updater::UpdateCheck() {
  auto& ui = services_.ui;
  const std::string body = services_.net.HttpFetch(settings_.versionFileUrl);
  const std::vector<std::string> fields = common::SplitText(common::BodyUpToZero(body), "|");

  // Without the three fields (no answer at all included) there is nothing to
  // compare or download; the earlier package is kept, since nothing better
  // can replace it now.
  if (fields.size() < 3) {
    ui.MessageBox(kNoVersionInfoMessage, host::MsgButtons::Ok, host::MsgIcon::None, kMessageTitle);
    if (settings_.closeWindowWhenDone) ui.DestroyWindow(settings_.windowName);
    return;
  }

  if (!settings_.earlierPackage.empty() && host::FileExists(settings_.earlierPackage))
    host::DeleteFile(settings_.earlierPackage);

  // Byte for byte on the GBK field: case, blanks and line ends all count.
  if (fields[1] == common::kBuiltInVersion) {
    ui.MessageBox(kAlreadyCurrentMessage, host::MsgButtons::Ok, host::MsgIcon::None, kMessageTitle);
    if (settings_.closeWindowWhenDone) ui.DestroyWindow(settings_.windowName);
    return;
  }

  if (!state_.download) return;  // StartUp has not run: nothing to download with
  state_.taskParam.url = common::GbkToUtf8(fields[0]);
  state_.taskParam.path = settings_.packageFile;
  state_.download->AddTask(state_.taskParam);
  state_.packageSizeKb = common::TextToInt(fields[2]);
  ui.SetTimerPeriod(Ctl(kTimer), kTickMs);
  ui.SetVisible(Ctl(kProgressLabel), true);
  ui.SetVisible(Ctl(kProgressBar), true);
  ui.SetText(Ctl(kStatusLabel), kDownloadingText);
  ui.SetBounds({settings_.windowName, ""}, host::Bound::Height, kDownloadWindowHeight);
}

void Updater::ProgressTick() {
  if (!state_.download) return;
  state_.receivedKb = static_cast<std::int32_t>(state_.download->DownloadedLength() / 1024);
  const host::TaskOutcome outcome = state_.download->LastOutcome();

  if (state_.packageSizeKb <= 0) {
    // No usable size: the received count says nothing about completion, so
    // only a transfer that finished with the whole body completes the update.
    if (outcome == host::TaskOutcome::Complete)
      Finish(kCompleteMessage, "");
    else if (outcome == host::TaskOutcome::Failed)
      Finish(kDownloadFailedMessage, kMessageTitle);
    return;
  }

  if (state_.receivedKb < state_.packageSizeKb) {
    if (outcome == host::TaskOutcome::Failed) {
      // Ended for good short of the size: waiting on would never end.
      Finish(kDownloadFailedMessage, kMessageTitle);
      return;
    }
    services_.ui.SetProgressMax(Ctl(kProgressBar), state_.packageSizeKb);
    services_.ui.SetProgressPos(Ctl(kProgressBar), state_.receivedKb);
    return;
  }
  Finish(kCompleteMessage, "");
}

void Updater::Finish(const char* message, const char* title) {
  auto& ui = services_.ui;
  ui.SetTimerPeriod(Ctl(kTimer), 0);
  ui.MessageBox(message, host::MsgButtons::Ok, host::MsgIcon::None, title);
  if (settings_.closeWindowWhenDone) ui.DestroyWindow(settings_.windowName);
}

void RunUpdaterProgram(common::Services& services) {
  // The updater's clean-up is tied to this object: it runs however the
  // program ends (refusal, window destroyed by the program or the user).
  Updater updater(services, UpdaterProgramSettings(services.config));
  updater.StartUp();

  // The update module must ship beside the updater; it is never loaded here.
  if (!host::FileExists(common::JoinPath(services.config.runDirectory, common::kModuleFile))) {
    services.ui.MessageBox(kModuleMissingMessage, host::MsgButtons::Ok, host::MsgIcon::None,
                           kMessageTitle);
    return;
  }
  services.ui.LoadWindow(updater.WindowDef(), true);
}

}  // namespace updater
