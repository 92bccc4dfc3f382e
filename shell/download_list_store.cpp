#include "shell/download_list_store.h"

#include <vector>

#include "common/main_window.h"
#include "common/profile_file.h"
#include "common/text.h"
#include "host/files.h"

namespace shell {
namespace {

constexpr const char* kCountSection = "记录1";
constexpr const char* kCountKey = "记录";
constexpr const char* kRowSectionPrefix = "资源表";
// Keys of columns 0 to 3, in the order they are written and read.
constexpr const char* kColumnKeys[] = {"内容", "大小", "进度", "下载状态"};

std::string RowSection(int n) { return kRowSectionPrefix + std::to_string(n); }

}  // namespace

int ReadSavedRowCount(const std::string& iniPath) {
  return common::TextToInt(common::ReadIniValue(iniPath, kCountSection, kCountKey));
}

void RestoreDownloadRows(host::WindowServices& ui, const std::string& iniPath, int count) {
  const auto list = mw::Ctl(mw::kDownloadList);
  for (int n = 1; n <= count; ++n) {
    const int row = ui.ListAppendRow(list);
    const std::string section = RowSection(n);
    for (int col = 0; col < 4; ++col)
      ui.ListSetCell(list, row, col, common::ReadIniValue(iniPath, section, kColumnKeys[col]));
  }
}

void RestoreDownloadList(host::WindowServices& ui, const std::string& iniPath) {
  RestoreDownloadRows(ui, iniPath, ReadSavedRowCount(iniPath));
}

void SaveDownloadList(host::WindowServices& ui, const std::string& iniPath) {
  const auto list = mw::Ctl(mw::kDownloadList);
  std::vector<common::IniWrite> writes;
  const int count = ui.ListRowCount(list);
  for (int n = 1; n <= count; ++n) {
    const std::string section = RowSection(n);
    for (int col = 0; col < 4; ++col)
      writes.push_back({section, kColumnKeys[col], ui.ListGetCell(list, n - 1, col)});
  }
  // The rows go before the count, as a reader of a half-applied sequence
  // would expect; the file is replaced once, so a crash leaves the old list.
  writes.push_back({kCountSection, kCountKey, std::to_string(ui.ListRowCount(list))});
  common::WriteIniValues(iniPath, writes);
}

void DiscardDownloadListStore(const std::string& iniPath) { host::DeleteFile(iniPath); }

}  // namespace shell
