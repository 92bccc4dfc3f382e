// The commands that steer a download (暂停任务, 继续任务, 强行停止任务) and
// those of the list menu. Each acts on the row selected when it runs.
#include "common/main_window.h"
#include "downloads/download_manager.h"
#include "downloads/resource_name.h"
#include "host/files.h"

namespace downloads {

void DownloadManager::PauseTaskCommand() {
  auto& ui = services_.ui;
  const int row = SelectedRow();
  if (state_.mainDownload) state_.mainDownload->StopTask(state_.mainResumeState, 2);
  // Only 时钟1: a queue download's 时钟3 goes on ticking.
  ui.SetTimerPeriod(mw::Ctl(mw::kTimer1), 0);
  ui.ListSetCell(mw::Ctl(mw::kDownloadList), row, mw::kColState, mw::kStatePaused);
}

void DownloadManager::ContinueTaskCommand() {
  auto& ui = services_.ui;
  const int row = SelectedRow();
  if (state_.mainDownload)
    state_.mainDownload->ResumeTask(state_.mainTaskParam, state_.mainResumeState);
  ui.SetTimerPeriod(mw::Ctl(mw::kTimer1), 100);
  ui.ListSetCell(mw::Ctl(mw::kDownloadList), row, mw::kColState, mw::kStateContinued);
}

void DownloadManager::ForceStopCommand() {
  auto& ui = services_.ui;
  const int row = SelectedRow();
  if (state_.mainDownload) state_.mainDownload->StopTask(state_.mainResumeState, 2);
  ui.SetTimerPeriod(mw::Ctl(mw::kTimer1), 0);
  ui.SetTimerPeriod(mw::Ctl(mw::kTimer2), 0);
  ui.SetTimerPeriod(mw::Ctl(mw::kTimer3), 0);
  ui.ListDeleteRow(mw::Ctl(mw::kDownloadList), row);
  RowRemoved(row);
  ui.SetEnabled(mw::Item(mw::kTaskMenu, mw::kStartTask), true);
  ui.SetEnabled(mw::Item(mw::kTaskMenu, mw::kContinueTask), false);
  ui.SetEnabled(mw::Item(mw::kTaskMenu, mw::kPauseTask), false);
  ui.SetEnabled(mw::Item(mw::kListMenu, mw::kOpenFile), true);
  ui.SetEnabled(mw::Item(mw::kListMenu, mw::kOpenFolder), true);
  ui.SetEnabled(mw::Item(mw::kListMenu, mw::kDeleteTask), true);
  ui.SetEnabled(mw::Item(mw::kListMenu, mw::kDeleteTaskAndFile), true);
  ui.SetEnabled(mw::Item(mw::kListMenu, mw::kClearList), true);
  state_.downloadActive = 0;
  ui.SetVisible(mw::Ctl(mw::kProgressBar), false);
  ui.SetVisible(mw::Ctl(mw::kProgressLabel), false);
}

void DownloadManager::OpenFileCommand() {
  const std::string name = Cell(SelectedRow(), mw::kColName);
  if (!IsSafeResourceName(name)) {
    RefuseUnsafeName();
    return;
  }
  // Whether the file exists is the shell's business.
  services_.ui.ShellOpen(PackagePath(name));
}

void DownloadManager::DeleteTaskCommand() {
  const int row = SelectedRow();
  if (state_.mainDownload) state_.mainDownload->StopTask(state_.mainResumeState, 2);
  services_.ui.ListDeleteRow(mw::Ctl(mw::kDownloadList), row);
  RowRemoved(row);
}

void DownloadManager::DeleteTaskAndFileCommand() {
  auto& ui = services_.ui;
  const int row = SelectedRow();
  const std::string name = Cell(row, mw::kColName);
  if (!IsSafeResourceName(name)) {
    RefuseUnsafeName();
    return;
  }
  if (state_.mainDownload) state_.mainDownload->StopTask(state_.mainResumeState, 2);
  const std::string path = PackagePath(name);
  if (host::FileExists(path)) {
    host::DeleteFile(path);
  } else {
    ui.MessageBox("文件路径已被修改或已被删除", host::MsgButtons::Ok, host::MsgIcon::Information,
                  "文件");
  }
  ui.ListDeleteRow(mw::Ctl(mw::kDownloadList), row);
  RowRemoved(row);
}

void DownloadManager::OpenFolderCommand() { services_.ui.ShellOpen(FolderPath()); }

void DownloadManager::ClearListCommand() {
  auto& ui = services_.ui;
  const auto list = mw::Ctl(mw::kDownloadList);
  const int answer =
      ui.MessageBox("是否删除所有已下载文件", host::MsgButtons::YesNo, host::MsgIcon::None, "清空");
  if (answer == host::kMsgYes) {
    bool refused = false;
    const int count = ui.ListRowCount(list);
    for (int row = 0; row < count; ++row) {
      const std::string name = Cell(row, mw::kColName);
      if (!IsSafeResourceName(name)) {
        refused = true;
        continue;
      }
      // Only the package named after the row; a missing one is passed over.
      host::DeleteFile(PackagePath(name));
    }
    if (refused) RefuseUnsafeName();
    if (discardStore_) discardStore_();
    ui.ListClear(list);
  } else {
    ui.ListClear(list);
    if (discardStore_) discardStore_();
  }
  // No row is left for a monitor to write into, nor for a new row to receive
  // the old download's progress.
  state_.activeRow = -1;
}

}  // namespace downloads
