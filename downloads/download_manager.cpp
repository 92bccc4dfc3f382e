#include "downloads/download_manager.h"

#include "common/main_window.h"
#include "common/paths.h"
#include "downloads/resource_name.h"

namespace downloads {

DownloadManager::DownloadManager(common::Services& services, std::function<void()> discardStore)
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

void DownloadManager::Bind(host::WindowDef& mainWindow) {
  auto& events = mainWindow.events;
  auto on = [&events](const char* control, host::Event event, const char* item,
                      std::function<void()> action) {
    events.push_back(
        {control, event, item, [action = std::move(action)](const host::EventArgs&) { action(); }});
  };
  auto& ui = services_.ui;

  on(mw::kDownloadList, host::Event::RowActivated, "",
     [&ui] { ui.PopupMenu(mw::kWindow, mw::kTaskMenu); });
  on(mw::kDownloadList, host::Event::RightClicked, "", [&ui] {
    if (ui.ListRowCount(mw::Ctl(mw::kDownloadList)) > 0) ui.PopupMenu(mw::kWindow, mw::kListMenu);
  });

  const auto chosen = host::Event::MenuItemChosen;
  on(mw::kTaskMenu, chosen, mw::kStartTask, [this] { StartTaskCommand(); });
  on(mw::kTaskMenu, chosen, mw::kContinueTask, [this] { ContinueTaskCommand(); });
  on(mw::kTaskMenu, chosen, mw::kPauseTask, [this] { PauseTaskCommand(); });
  on(mw::kTaskMenu, chosen, mw::kDownloadAll, [this] { DownloadAllCommand(); });
  on(mw::kTaskMenu, chosen, mw::kForceStop, [this] { ForceStopCommand(); });
  on(mw::kListMenu, chosen, mw::kOpenFile, [this] { OpenFileCommand(); });
  on(mw::kListMenu, chosen, mw::kDeleteTask, [this] { DeleteTaskCommand(); });
  on(mw::kListMenu, chosen, mw::kDeleteTaskAndFile, [this] { DeleteTaskAndFileCommand(); });
  on(mw::kListMenu, chosen, mw::kOpenFolder, [this] { OpenFolderCommand(); });
  on(mw::kListMenu, chosen, mw::kClearList, [this] { ClearListCommand(); });

  on(mw::kTimer1, host::Event::TimerElapsed, "", [this] { MonitorTick(mw::kTimer1); });
  on(mw::kTimer2, host::Event::TimerElapsed, "", [this] { SchedulerTick(); });
  on(mw::kTimer3, host::Event::TimerElapsed, "", [this] { MonitorTick(mw::kTimer3); });
}

int DownloadManager::SelectedRow() {
  return services_.ui.ListSelectedRow(mw::Ctl(mw::kDownloadList));
}

std::string DownloadManager::Cell(int row, int col) {
  return services_.ui.ListGetCell(mw::Ctl(mw::kDownloadList), row, col);
}

std::string DownloadManager::PackageUrl(int row) {
  return services_.config.contentBaseUrl + Cell(row, mw::kColFolder) + "/" +
         Cell(row, mw::kColName) + ".zip";
}

std::string DownloadManager::FolderPath() const {
  return common::ResourceFolder(services_.config.runDirectory);
}

std::string DownloadManager::PackagePath(const std::string& name) const {
  return common::JoinPath(FolderPath(), name + ".zip");
}

void DownloadManager::RowRemoved(int row) {
  if (row < 0 || state_.activeRow < 0) return;
  if (row == state_.activeRow) {
    // The monitor then finishes without touching any row, as after a start
    // with no row selected.
    state_.activeRow = -1;
  } else if (row < state_.activeRow) {
    --state_.activeRow;
  }
}

void DownloadManager::RefuseUnsafeName() {
  services_.ui.MessageBox(kUnsafeNameMessage, host::MsgButtons::Ok, host::MsgIcon::Information,
                          kUnsafeNameTitle);
}

}  // namespace downloads
