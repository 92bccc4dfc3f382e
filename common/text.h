// Text at the boundary. Inside the program text is UTF-8; everything that
// crosses the boundary (HTTP bodies, URLs, the INI file, Windows ANSI calls)
// is code page 936 (GBK). Conversions never crash or hang on bad input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// GBK bytes to UTF-8. A malformed or cut-off sequence becomes U+FFFD.
std::string GbkToUtf8(std::string_view gbk);
// UTF-8 to GBK bytes. A character GBK cannot hold (or malformed UTF-8)
// becomes "?".
std::string Utf8ToGbk(std::string_view utf8);

// A fetched body taken as GBK text up to its first zero byte, as GBK bytes.
std::string_view BodyUpToZero(std::string_view bytes);
// A fetched body as UTF-8 text: GBK up to the first zero byte.
std::string BytesToText(std::string_view bytes);

// The decimal number at the start of the text (optional sign, digits, an
// optional fraction); empty or non-numeric text gives 0. Leading ASCII
// blanks are skipped; no exponent, hexadecimal, "inf" or "nan" forms.
double TextToNumber(std::string_view text);
// TextToNumber truncated toward zero, clamped to the 32-bit range.
std::int32_t TextToInt(std::string_view text);

// A URL from UTF-8 text: non-ASCII characters go out as their GBK bytes,
// percent-encoded, as do spaces and other bytes unsafe in a URL. Existing
// "%XX" escapes and the URL's delimiters are kept as they are.
std::string EncodeUrl(std::string_view utf8Url);

// Cuts GBK bytes to at most `maxBytes` without splitting a double-byte
// character.
std::string_view CutGbk(std::string_view gbk, std::size_t maxBytes);

}  // namespace common
