// Resource names come from the remote catalog and name files inside the
// resource folder; a name must not be able to point anywhere else.
#pragma once

#include <string_view>

namespace downloads {

// True when `name` + ".zip" is a plain file name inside the resource folder:
// no "/" or "\\", no "..", no ":" (a drive such as "C:" or a Windows stream
// name), no control characters and no Windows device name (CON, NUL, COM1,
// ...). The empty name (no row selected) stays inside the folder too.
bool IsSafeResourceName(std::string_view name);

// Told when a command refuses a row whose name fails the check above.
inline constexpr const char* kUnsafeNameMessage =
    "资源名称含有非法字符，不能下载、打开或删除该资源";
inline constexpr const char* kUnsafeNameTitle = "提示";

}  // namespace downloads
