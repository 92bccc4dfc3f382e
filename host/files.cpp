#include "host/files.h"

#include <filesystem>
#include <system_error>

namespace host {
namespace {

std::filesystem::path FromUtf8(const std::string& path) {
  // Paths inside the program are UTF-8 on every platform.
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::exists(FromUtf8(path), ec);
}

bool DeleteFile(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  auto p = FromUtf8(path);
  if (std::filesystem::is_directory(p, ec)) return false;
  return std::filesystem::remove(p, ec);
}

bool CreateFolder(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::create_directory(FromUtf8(path), ec);
}

}  // namespace host
