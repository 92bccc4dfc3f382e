#include "downloads/resource_name.h"

#include <array>
#include <cctype>
#include <string>

namespace downloads {
namespace {

// Windows opens these as devices whatever the extension ("NUL.zip").
bool IsDeviceName(std::string_view name) {
  const std::string_view stem = name.substr(0, name.find('.'));
  std::string upper;
  for (char c : stem) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (auto device : kPlain)
    if (upper == device) return true;
  if (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
      upper[3] >= '1' && upper[3] <= '9')
    return true;
  return false;
}

}  // namespace

bool IsSafeResourceName(std::string_view name) {
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || c == ':' || byte < 0x20 || byte == 0x7F) return false;
  }
  if (name.find("..") != std::string_view::npos) return false;
  return !IsDeviceName(name);
}

}  // namespace downloads
