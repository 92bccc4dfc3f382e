// File names of the three deliverables, fixed once per platform. Message
// texts keep the Windows names as the users know them.
#pragma once

namespace common {

#ifdef _WIN32
inline constexpr const char* kMainProgramFile = "resourcebox.exe";
inline constexpr const char* kUpdaterFile = "update.exe";
inline constexpr const char* kModuleFile = "up.dll";
#else
inline constexpr const char* kMainProgramFile = "resourcebox";
inline constexpr const char* kUpdaterFile = "update";
inline constexpr const char* kModuleFile = "up.so";
#endif

// The version built into all three deliverables, compared byte for byte.
inline constexpr const char* kBuiltInVersion = "V2.0";

}  // namespace common
