// The start of a download: "开始任务" for the selected row, "全部任务下载"
// and the scheduler on 时钟2 that starts queued rows one after another.
#include <string_view>

#include "common/main_window.h"
#include "downloads/download_manager.h"
#include "downloads/resource_name.h"
#include "host/files.h"

namespace downloads {

void DownloadManager::StartRow(int row, const char* monitorTimer) {
  auto& ui = services_.ui;
  auto& param = state_.mainTaskParam;
  param.url = PackageUrl(row);
  const std::string folder = FolderPath();
  if (!host::FileExists(folder)) host::CreateFolder(folder);
  param.path = PackagePath(Cell(row, mw::kColName));
  if (state_.mainDownload) {
    // After a successful AddTask the ResumeTask finds a task and does nothing.
    state_.mainDownload->AddTask(param);
    state_.mainDownload->ResumeTask(param, state_.mainResumeState);
  }
  state_.activeRow = row;
  // Queued rows already say "正在下载".
  if (std::string_view(monitorTimer) == mw::kTimer1)
    ui.ListSetCell(mw::Ctl(mw::kDownloadList), row, mw::kColState, mw::kStateDownloading);
  state_.downloadActive = 1;
  state_.expectedKb = 1;
  state_.sizeRead = false;
  ui.SetTimerPeriod(mw::Ctl(monitorTimer), 1);
}

void DownloadManager::StartTaskCommand() {
  auto& ui = services_.ui;
  const int row = SelectedRow();
  // Refused before anything changes, so the menus do not stay busy with
  // nothing downloading.
  if (state_.downloadActive != 1 && !IsSafeResourceName(Cell(row, mw::kColName))) {
    RefuseUnsafeName();
    return;
  }
  ApplyBusyMenuState();
  ShowProgress(true);
  if (state_.downloadActive == 1) {
    ui.MessageBox("不能同时下载多个文件，请单独下载", host::MsgButtons::Ok,
                  host::MsgIcon::Information, "提示");
    return;
  }
  StartRow(row, mw::kTimer1);
}

void DownloadManager::DownloadAllCommand() {
  auto& ui = services_.ui;
  const auto list = mw::Ctl(mw::kDownloadList);
  bool refused = false;
  const int count = ui.ListRowCount(list);
  for (int row = 0; row < count; ++row) {
    const std::string state = Cell(row, mw::kColState);
    if (state == mw::kStateDone) continue;
    const bool queueable = state == mw::kStateNotDone || state == mw::kStateDownloading;
    if (!IsSafeResourceName(Cell(row, mw::kColName))) {
      // Left as it is; the scheduler passes over it.
      refused = refused || queueable;
      continue;
    }
    if (state == mw::kStateNotDone) ui.ListSetCell(list, row, mw::kColState, mw::kStateDownloading);
  }
  state_.lastFinishedRow = 0;
  if (refused) RefuseUnsafeName();
  ui.SetTimerPeriod(mw::Ctl(mw::kTimer2), 100);
}

void DownloadManager::SchedulerTick() {
  auto& ui = services_.ui;
  const auto list = mw::Ctl(mw::kDownloadList);
  ui.SetTimerPeriod(mw::Ctl(mw::kTimer2), 0);
  ApplyBusyMenuState();
  ShowProgress(true);
  const int count = ui.ListRowCount(list);
  for (int i = 1; i <= count; ++i) {
    const int row = i - 1;
    if (!IsSafeResourceName(Cell(row, mw::kColName))) {
      // Never started; counted like a finished row so that it cannot hold
      // the queue open when it is the last one.
      state_.lastFinishedRow = i;
      continue;
    }
    const std::string state = Cell(row, mw::kColState);
    if (state == mw::kStateDownloading) {
      StartRow(row, mw::kTimer3);
      break;
    }
    if (state == mw::kStateDone) state_.lastFinishedRow = i;
  }
  if (ui.ListRowCount(list) == state_.lastFinishedRow) {
    // The last row is complete and no queued row came before it.
    ui.SetProgressPos(mw::Ctl(mw::kProgressBar), 0);
    state_.downloadActive = 0;
    ShowProgress(false);
    ApplyIdleMenuState();
  }
}

}  // namespace downloads
