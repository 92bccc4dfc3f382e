// The three configurations of the download menus' items. Items a
// configuration does not name keep their state; "全部任务下载", "打开文件"
// and "打开下载目录" are never disabled.
#include "common/main_window.h"
#include "downloads/download_manager.h"

namespace downloads {
namespace {

struct ItemState {
  const char* menu;
  const char* item;
  bool enabled;
};

void Apply(host::WindowServices& ui, std::initializer_list<ItemState> items) {
  for (const auto& s : items) ui.SetEnabled(mw::Item(s.menu, s.item), s.enabled);
}

}  // namespace

void DownloadManager::ApplyStartUpMenuState() {
  // Nothing downloads yet; the layout enables every other item.
  Apply(services_.ui, {{mw::kTaskMenu, mw::kContinueTask, false},
                       {mw::kTaskMenu, mw::kPauseTask, false},
                       {mw::kTaskMenu, mw::kForceStop, false}});
}

void DownloadManager::ApplyBusyMenuState() {
  Apply(services_.ui, {{mw::kTaskMenu, mw::kStartTask, false},
                       {mw::kTaskMenu, mw::kContinueTask, true},
                       {mw::kTaskMenu, mw::kPauseTask, true},
                       {mw::kTaskMenu, mw::kForceStop, true},
                       {mw::kListMenu, mw::kDeleteTask, false},
                       {mw::kListMenu, mw::kDeleteTaskAndFile, false},
                       {mw::kListMenu, mw::kClearList, false}});
}

void DownloadManager::ApplyIdleMenuState() {
  Apply(services_.ui, {{mw::kTaskMenu, mw::kStartTask, true},
                       {mw::kTaskMenu, mw::kContinueTask, false},
                       {mw::kTaskMenu, mw::kPauseTask, false},
                       {mw::kTaskMenu, mw::kForceStop, false},
                       {mw::kListMenu, mw::kDeleteTask, true},
                       {mw::kListMenu, mw::kDeleteTaskAndFile, true},
                       {mw::kListMenu, mw::kClearList, true}});
}

void DownloadManager::ShowProgress(bool visible) {
  services_.ui.SetVisible(mw::Ctl(mw::kProgressLabel), visible);
  services_.ui.SetVisible(mw::Ctl(mw::kProgressBar), visible);
}

}  // namespace downloads
