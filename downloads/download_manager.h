// The download manager: the program-wide download state, its start-up and
// exit routines, the start of a download and the queue, the monitors and
// the commands of TaskMenu and ListMenu.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/services.h"
#include "host/layout.h"
#include "host/network.h"

namespace downloads {

// Program-wide variables.
struct DownloadState {
  std::unique_ptr<host::Download> mainDownload;
  host::TaskParam mainTaskParam;
  host::ResumeState mainResumeState;
  std::int32_t activeRow = -1;
  std::int32_t downloadActive = 0;
  std::int32_t expectedKb = 1;
  std::int32_t lastFinishedRow = 0;
};

class DownloadManager {
 public:
  // `discardStore` deletes the download list's store (the clear-list command).
  DownloadManager(common::Services& services, std::function<void()> discardStore);
  ~DownloadManager();
  DownloadManager(const DownloadManager&) = delete;
  DownloadManager& operator=(const DownloadManager&) = delete;

  // Start-up routine: creates MainDownload and fills MainTaskParam.
  void StartUp();
  // Exit routine: CloseDownload (a running transfer stops, its partial file
  // stays), then releases the resume state and the record's texts.
  void Exit();

  // Binds TaskMenu, ListMenu, the download list's activation and right
  // click and the three timers of MainWindow.
  void Bind(host::WindowDef& mainWindow);

  // Start-up configuration of the menu items (start-up step 2).
  void ApplyStartUpMenuState();

  DownloadState& State() { return state_; }
  const DownloadState& State() const { return state_; }
  bool DownloadActive() const { return state_.downloadActive == 1; }

 private:
  common::Services& services_;
  std::function<void()> discardStore_;
  DownloadState state_;
};

}  // namespace downloads
