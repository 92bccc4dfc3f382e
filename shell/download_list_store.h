// DownloadListStore: the visible columns of the download list kept between
// runs in one INI file.
#pragma once

#include <string>

#include "host/window_services.h"

namespace shell {

// The saved row count ("记录1"/"记录" as a number, fraction cut off).
int ReadSavedRowCount(const std::string& iniPath);
// Appends one row to 超级列表框2 per saved row (1 .. count), in saved order.
void RestoreDownloadRows(host::WindowServices& ui, const std::string& iniPath, int count);
// Both of the above.
void RestoreDownloadList(host::WindowServices& ui, const std::string& iniPath);
// Writes every row's columns 0 to 3, then the row count, in one atomic
// replacement of the file.
void SaveDownloadList(host::WindowServices& ui, const std::string& iniPath);
// Deletes the file.
void DiscardDownloadListStore(const std::string& iniPath);

}  // namespace shell
