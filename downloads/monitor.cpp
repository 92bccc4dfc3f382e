// The monitor on 时钟1 and 时钟3: writes the received kilobytes into the
// active row and the progress bar and declares the download complete.
#include <string>
#include <string_view>

#include "common/main_window.h"
#include "common/text.h"
#include "downloads/download_manager.h"

namespace downloads {
namespace {

// The whole kilobytes before the size text's first upper-case "K"; a text
// without one gives 0.
int ExpectedKbOf(const std::string& sizeText) {
  const auto k = sizeText.find('K');
  if (k == std::string::npos) return 0;
  return common::TextToInt(std::string_view(sizeText).substr(0, k));
}

}  // namespace

int DownloadManager::ReceivedKb() {
  if (!state_.mainDownload) return 0;
  return static_cast<int>(state_.mainDownload->DownloadedLength() / 1024);
}

void DownloadManager::MonitorTick(const char* timer) {
  // While this download runs the scheduler must not start another one.
  if (std::string_view(timer) == mw::kTimer3) services_.ui.SetTimerPeriod(mw::Ctl(mw::kTimer2), 0);
  // Until the row's size has been read the expected size is only a
  // placeholder, so the first tick after a start always reports progress.
  if (state_.sizeRead && ReceivedKb() >= state_.expectedKb) {
    Complete(timer);
  } else {
    ReportProgress();
  }
}

void DownloadManager::ReportProgress() {
  auto& ui = services_.ui;
  const auto list = mw::Ctl(mw::kDownloadList);
  const int row = state_.activeRow;
  ui.ListSetCell(list, row, mw::kColProgress,
                 Cell(row, mw::kColSize) + "/" + std::to_string(ReceivedKb()) + "KB");
  state_.expectedKb = ExpectedKbOf(Cell(row, mw::kColSize));
  state_.sizeRead = true;
  ui.SetProgressMax(mw::Ctl(mw::kProgressBar), state_.expectedKb);
  ui.SetProgressPos(mw::Ctl(mw::kProgressBar), ReceivedKb());
}

void DownloadManager::Complete(const char* timer) {
  auto& ui = services_.ui;
  const auto list = mw::Ctl(mw::kDownloadList);
  const int row = state_.activeRow;
  const std::string size = Cell(row, mw::kColSize);
  ui.ListSetCell(list, row, mw::kColProgress, size + "/" + size);
  ui.ListSetCell(list, row, mw::kColState, mw::kStateDone);
  ui.SetTimerPeriod(mw::Ctl(timer), 0);
  state_.activeRow = -1;
  ui.SetProgressPos(mw::Ctl(mw::kProgressBar), 0);
  state_.downloadActive = 0;
  ShowProgress(false);
  // The window stays usable; the other timers may tick meanwhile.
  ui.WaitHandlingEvents(1500);
  ApplyIdleMenuState();
  if (std::string_view(timer) == mw::kTimer3) ui.SetTimerPeriod(mw::Ctl(mw::kTimer2), 100);
}

}  // namespace downloads
