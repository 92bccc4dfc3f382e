#include "host/curl/transfer_rules.h"

#include <charconv>

namespace host::curl::detail {

std::string NumberedPath(const std::string& path, int n) {
  if (n <= 0) return path;
  const std::size_t nameStart =
      path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1;
  std::size_t dot = path.rfind('.');
  // A dot in a directory name, or a name that is only ".ext", has no stem
  // to number; the counter then goes at the end.
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();
  return path.substr(0, dot) + "(" + std::to_string(n) + ")" + path.substr(dot);
}

std::string ProxyAddress(const std::string& setting) {
  if (setting.empty()) return setting;
  std::string scheme = "http://";
  std::string rest = setting;
  if (const std::size_t sep = rest.find("://"); sep != std::string::npos) {
    scheme = rest.substr(0, sep + 3);
    rest = rest.substr(sep + 3);
  }
  const std::size_t slash = rest.find('/');
  std::string authority = rest.substr(0, slash);
  const std::string tail = slash == std::string::npos ? "" : rest.substr(slash);
  bool hasPort;
  if (!authority.empty() && authority.front() == '[') {
    hasPort = authority.find("]:") != std::string::npos;
  } else {
    hasPort = authority.find(':') != std::string::npos;
  }
  if (!hasPort) authority += ":80";
  return scheme + authority + tail;
}

std::string RefererFor(const std::string& url) {
  const std::size_t end = url.find_first_of("?#");
  const std::string_view beforeQuery(url.data(), end == std::string::npos ? url.size() : end);
  const std::size_t schemeEnd = beforeQuery.find("://");
  const std::size_t pathFrom = schemeEnd == std::string::npos ? 0 : schemeEnd + 3;
  const std::size_t lastSlash = beforeQuery.rfind('/');
  if (lastSlash == std::string::npos || lastSlash < pathFrom) {
    return std::string(beforeQuery) + "/";
  }
  return std::string(beforeQuery.substr(0, lastSlash + 1));
}

namespace {

bool ParseNumber(std::string_view text, std::int64_t& out) {
  if (text.empty()) return false;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && ptr == text.data() + text.size() && out >= 0;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

ContentRange ParseContentRange(std::string_view value) {
  ContentRange result;
  value = Trim(value);
  constexpr std::string_view kUnit = "bytes";
  if (value.size() < kUnit.size()) return result;
  for (std::size_t i = 0; i < kUnit.size(); ++i) {
    if ((value[i] | 0x20) != kUnit[i]) return result;
  }
  value = Trim(value.substr(kUnit.size()));
  const std::size_t slash = value.find('/');
  if (slash == std::string_view::npos) return result;
  const std::string_view span = Trim(value.substr(0, slash));
  const std::string_view total = Trim(value.substr(slash + 1));
  if (total != "*" && !ParseNumber(total, result.total)) return result;
  if (span == "*") {
    result.valid = result.total >= 0;
    return result;
  }
  const std::size_t dash = span.find('-');
  if (dash == std::string_view::npos || !ParseNumber(span.substr(0, dash), result.first) ||
      !ParseNumber(span.substr(dash + 1), result.last) || result.last < result.first ||
      (result.total >= 0 && result.last >= result.total)) {
    return ContentRange{};
  }
  result.valid = true;
  return result;
}

bool IsEntityTag(std::string_view validator) {
  return !validator.empty() && (validator.front() == '"' || validator.starts_with("W/"));
}

}  // namespace host::curl::detail
