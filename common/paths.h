// Where the program lives and where it keeps its files.
#pragma once

#include <string>

namespace common {

// The platform's path separator as text: "\\" on Windows, "/" elsewhere.
const char* PathSeparator();
// dir + separator + name.
std::string JoinPath(const std::string& dir, const std::string& name);
// Directory of the running executable (of the module file when called from
// code inside the update module), without a trailing separator.
std::string RunDirectory();
// Directory of the file that holds `addressInModule` (dladdr or
// GetModuleHandleEx); used by the update module.
std::string ModuleDirectory(const void* addressInModule);

inline constexpr const char* kResourceFolderName = "Kovrin宝盒资源";
// runDirectory + separator + "Kovrin宝盒资源".
std::string ResourceFolder(const std::string& runDirectory);

// The download list's INI file: "C:\Windows\情况.ini" on Windows; on other
// platforms $XDG_CONFIG_HOME (or ~/.config) + "/resourcebox/情况.ini".
std::string DownloadListIniPath();

}  // namespace common
