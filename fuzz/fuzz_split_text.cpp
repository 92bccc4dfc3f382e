// Splitting loses and invents no bytes, and cuts exactly at the separators
// that start at a character boundary of the GBK text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/split_text.h"
#include "fuzz/fuzz_check.h"

namespace {

// Character starts: the byte after a byte with its high bit set is none.
std::vector<bool> Boundaries(std::string_view text) {
  std::vector<bool> starts(text.size() + 1, false);
  std::size_t i = 0;
  while (i < text.size()) {
    starts[i] = true;
    i += (static_cast<unsigned char>(text[i]) & 0x80) ? 2 : 1;
  }
  return starts;
}

void CheckSplit(std::string_view text, std::string_view separator,
                const std::vector<std::string>& parts, bool gbk) {
  if (text.empty()) {
    FUZZ_CHECK(parts.empty());
    return;
  }
  FUZZ_CHECK(!parts.empty());
  const std::vector<bool> starts = Boundaries(text);
  std::size_t pos = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    FUZZ_CHECK(text.substr(pos, part.size()) == part);
    // No separator that counts lies inside a part.
    for (std::size_t k = 0; k < part.size(); ++k)
      if (!gbk || starts[pos + k])
        FUZZ_CHECK(text.compare(pos + k, separator.size(), separator) != 0);
    pos += part.size();
    const bool last = i + 1 == parts.size();
    if (last && pos == text.size()) {
      // The rest after the last separator is a part only when not empty.
      FUZZ_CHECK(!part.empty());
    } else {
      // A separator ends the part, at a character start.
      FUZZ_CHECK(text.compare(pos, separator.size(), separator) == 0);
      if (gbk) FUZZ_CHECK(starts[pos]);
      pos += separator.size();
    }
  }
  FUZZ_CHECK(pos == text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::string_view separator : {std::string_view("|"), std::string_view("\r\n")}) {
    CheckSplit(text, separator, common::SplitText(text, separator), /*gbk=*/true);
    CheckSplit(text, separator, common::SplitTextUtf8(text, separator), /*gbk=*/false);
  }
  for (const auto& fields : common::SplitRecords(text))
    for (const auto& field : fields) FUZZ_CHECK(fuzz::IsUtf8(field));
  return 0;
}
