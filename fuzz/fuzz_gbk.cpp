// Conversions of arbitrary bytes: they end, give well-formed text, and text
// once converted stays stable. Also the other text helpers on any input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text.h"
#include "fuzz/fuzz_check.h"

namespace {

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // GBK in: well-formed UTF-8 out; text that decoded without replacements
  // encodes back to the same bytes, and any text once encoded stays stable.
  const std::string utf8 = common::GbkToUtf8(bytes);
  FUZZ_CHECK(fuzz::IsUtf8(utf8));
  const std::string gbk = common::Utf8ToGbk(utf8);
  if (utf8.find("\xEF\xBF\xBD") == std::string::npos) FUZZ_CHECK(gbk == bytes);
  FUZZ_CHECK(common::Utf8ToGbk(common::GbkToUtf8(gbk)) == gbk);

  // Anything taken as UTF-8: the GBK made of it is always valid GBK.
  const std::string fromUtf8 = common::Utf8ToGbk(bytes);
  FUZZ_CHECK(common::GbkToUtf8(fromUtf8).find("\xEF\xBF\xBD") == std::string::npos);

  // A cut is a prefix within the limit that loses at most the first byte of
  // a character that would cross it, and ends at a character start.
  const std::size_t max = size == 0 ? 0 : data[0];
  const std::string_view cut = common::CutGbk(bytes, max);
  FUZZ_CHECK(bytes.substr(0, cut.size()) == cut);
  if (bytes.size() <= max) {
    FUZZ_CHECK(cut.size() == bytes.size());
  } else {
    FUZZ_CHECK(cut.size() <= max && cut.size() + 1 >= max);
    std::size_t i = 0;
    while (i < cut.size()) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      i += (b >= 0x81 && b <= 0xFE && i + 1 < bytes.size()) ? 2 : 1;
    }
    FUZZ_CHECK(i == cut.size());
  }

  // URLs: only safe bytes and complete escapes.
  const std::string url = common::EncodeUrl(bytes);
  for (std::size_t i = 0; i < url.size(); ++i) {
    const auto c = static_cast<unsigned char>(url[i]);
    FUZZ_CHECK(c > 0x20 && c < 0x7F);
    FUZZ_CHECK(std::string_view("\"<>\\^`{|} ").find(static_cast<char>(c)) ==
               std::string_view::npos);
    if (c == '%') FUZZ_CHECK(i + 2 < url.size() && IsHex(url[i + 1]) && IsHex(url[i + 2]));
  }

  // Numbers: no undefined conversions.
  (void)common::TextToNumber(bytes);
  (void)common::TextToInt(bytes);
  (void)common::BytesToText(bytes);
  return 0;
}
