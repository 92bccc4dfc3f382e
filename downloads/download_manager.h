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
  // False from a start until a monitor has read the row's size: a fast
  // server may deliver the first kilobyte before the first tick, and the
  // provisional expected size of 1 KB must not count as complete then.
  bool sizeRead = false;
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

  // TaskMenu.
  void StartTaskCommand();
  void DownloadAllCommand();
  void PauseTaskCommand();
  void ContinueTaskCommand();
  void ForceStopCommand();
  // ListMenu.
  void OpenFileCommand();
  void DeleteTaskCommand();
  void DeleteTaskAndFileCommand();
  void OpenFolderCommand();
  void ClearListCommand();
  // Timers: 时钟2 runs the scheduler, 时钟1 and 时钟3 the monitor.
  void SchedulerTick();
  void MonitorTick(const char* timer);

 private:
  // Start of row `row`, watched by `monitorTimer`.
  void StartRow(int row, const char* monitorTimer);
  void ReportProgress();
  void Complete(const char* timer);

  void ApplyBusyMenuState();
  void ApplyIdleMenuState();
  void ShowProgress(bool visible);

  int ReceivedKb();
  int SelectedRow();
  std::string Cell(int row, int col);
  std::string PackageUrl(int row);
  std::string FolderPath() const;
  std::string PackagePath(const std::string& name) const;
  // Keeps ActiveRow on the downloading row when `row` leaves the list.
  void RowRemoved(int row);
  void RefuseUnsafeName();

  common::Services& services_;
  std::function<void()> discardStore_;
  DownloadState state_;
};

}  // namespace downloads
