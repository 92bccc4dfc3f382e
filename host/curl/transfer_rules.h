// Small text rules of the download tasks, kept apart so they can be checked
// without a network.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace host::curl::detail {

// The n-th name tried for a new file: n = 0 is the path itself, n > 0 puts
// "(n)" before the extension of the last path element ("a.zip" -> "a(1).zip").
std::string NumberedPath(const std::string& path, int n);

// A proxy setting "host", "host:port" or "http://host:port" as a proxy URL
// with an explicit port (80 when none is given); empty stays empty.
std::string ProxyAddress(const std::string& setting);

// The URL up to and including the last "/" of its path (query and fragment
// left out); the URL with a "/" appended when it has no path.
std::string RefererFor(const std::string& url);

// A Content-Range value: "bytes first-last/total", "bytes first-last/*" or
// "bytes */total" (unsatisfied). Unknown numbers are -1.
struct ContentRange {
  bool valid = false;
  std::int64_t first = -1;
  std::int64_t last = -1;
  std::int64_t total = -1;
};
ContentRange ParseContentRange(std::string_view value);

// True for an entity tag (quoted, maybe weak) rather than an HTTP date.
bool IsEntityTag(std::string_view validator);

}  // namespace host::curl::detail
