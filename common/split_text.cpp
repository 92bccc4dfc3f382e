#include "common/split_text.h"

#include "common/text.h"

namespace common {
namespace {

// Parts of `text` up to each separator found by `find(from)`, which returns
// the position of the next separator at or after `from` (or npos).
template <typename Find>
std::vector<std::string> SplitWith(std::string_view text, std::size_t separatorSize, Find find) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t at = find(start);
    if (at == std::string_view::npos) {
      parts.emplace_back(text.substr(start));  // rest, not empty here
      break;
    }
    parts.emplace_back(text.substr(start, at - start));
    start = at + separatorSize;
  }
  return parts;
}

}  // namespace

std::vector<std::string> SplitText(std::string_view gbk, std::string_view separator) {
  if (separator.empty()) {
    if (gbk.empty()) return {};
    return {std::string(gbk)};
  }
  return SplitWith(gbk, separator.size(), [&](std::size_t from) {
    std::size_t i = from;
    while (i < gbk.size()) {
      if (gbk.compare(i, separator.size(), separator) == 0) return i;
      // A byte with its high bit set starts a double-byte character whose
      // second byte may look like a separator: step over both.
      i += (static_cast<unsigned char>(gbk[i]) & 0x80) ? 2 : 1;
    }
    return std::string_view::npos;
  });
}

std::vector<std::string> SplitTextUtf8(std::string_view utf8, std::string_view separator) {
  if (separator.empty()) {
    if (utf8.empty()) return {};
    return {std::string(utf8)};
  }
  return SplitWith(utf8, separator.size(),
                   [&](std::size_t from) { return utf8.find(separator, from); });
}

std::vector<std::vector<std::string>> SplitRecords(std::string_view body) {
  std::vector<std::vector<std::string>> records;
  for (const std::string& line : SplitText(BodyUpToZero(body), "\r\n")) {
    std::vector<std::string> fields = SplitText(line, "|");
    for (std::string& field : fields) field = GbkToUtf8(field);
    records.push_back(std::move(fields));
  }
  return records;
}

}  // namespace common
