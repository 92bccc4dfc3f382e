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

// The folder part of a path ("" when the path names no folder).
std::string ParentDirectory(const std::string& path);

// Reads a whole file. False when it cannot be read; `*missing` (when given)
// tells whether that is because there is no such file.
bool ReadFileBytes(const std::string& path, std::string* content, bool* missing = nullptr);

// Replaces the file's content so that a crash at any moment leaves either
// the old or the whole new content: the bytes go to a temporary file in the
// same folder, reach the disk, and that file is renamed over the old one.
// Missing parent folders are created. False when the file was not replaced.
bool ReplaceFileAtomically(const std::string& path, const std::string& content);

// Tests only: when set, called after the temporary file is complete and on
// disk, just before it replaces the file (the moment a crash matters most).
void SetBeforeReplaceHookForTesting(void (*hook)());

}  // namespace common
