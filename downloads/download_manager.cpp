#include "downloads/download_manager.h"

#include "common/main_window.h"

namespace downloads {

DownloadManager::DownloadManager(common::Services& services,
                                 std::function<void()> discardStore)
    : services_(services), discardStore_(std::move(discardStore)) {}

DownloadManager::~DownloadManager() = default;

void DownloadManager::StartUp() {
  state_ = DownloadState{};
  state_.mainDownload = services_.net.CreateDownload();
  state_.mainTaskParam = host::TaskParam{};
}

void DownloadManager::Exit() {
  if (state_.mainDownload) {
    state_.mainDownload->CloseDownload();
    state_.mainDownload.reset();
  }
  state_.mainResumeState = host::ResumeState{};
  state_.mainTaskParam = host::TaskParam{};
}

void DownloadManager::ApplyStartUpMenuState() {
  auto& ui = services_.ui;
  ui.SetEnabled(mw::Item(mw::kTaskMenu, mw::kContinueTask), false);
  ui.SetEnabled(mw::Item(mw::kTaskMenu, mw::kPauseTask), false);
  ui.SetEnabled(mw::Item(mw::kTaskMenu, mw::kForceStop), false);
}

void DownloadManager::Bind(host::WindowDef& /*mainWindow*/) {
  // Commands arrive with the download commands work.
}

}  // namespace downloads
