#include "common/text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <iconv.h>
#endif

namespace common {
namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 when
// the bytes there are not one (overlong forms, surrogates and code points
// above U+10FFFF are not well-formed). `*badLength` receives the length of
// the maximal ill-formed subpart in that case, so that each one turns into a
// single replacement.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t* badLength) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  *badLength = 1;
  if (b0 < 0x80) return 1;
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < need; ++i) {
    if (i >= s.size()) return 0;
    const auto b = static_cast<unsigned char>(s[i]);
    const unsigned char l = (i == 1) ? lo : 0x80;
    const unsigned char h = (i == 1) ? hi : 0xBF;
    if (b < l || b > h) return 0;
    *badLength = i + 1;
  }
  return need;
}

#ifdef _WIN32

std::wstring Utf8ToWide(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string WideToUtf8(std::wstring_view w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

// Converts GBK bytes strictly; false when any sequence is invalid.
bool GbkToWideStrict(std::string_view gbk, std::wstring* out) {
  out->clear();
  if (gbk.empty()) return true;
  int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()),
                              nullptr, 0);
  if (n <= 0) return false;
  out->assign(static_cast<std::size_t>(n), L'\0');
  return MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()),
                             out->data(), n) == n;
}

#else

// One conversion descriptor per thread and direction: iconv_t must not be
// shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible, appending to `out`. Returns the number of
  // input bytes consumed; stops at the first invalid or incomplete sequence.
  std::size_t Convert(std::string_view in, std::string* out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char buffer[4096];
    while (inLeft > 0) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      std::size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out->append(buffer, static_cast<std::size_t>(outPtr - buffer));
      if (r != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      break;  // EILSEQ or EINVAL: the caller decides how to step over it
    }
    return in.size() - inLeft;
  }

 private:
  iconv_t cd_;
};

Converter& GbkDecoder() {
  thread_local Converter c("UTF-8", "GBK");
  return c;
}

Converter& GbkEncoder() {
  thread_local Converter c("GBK", "UTF-8");
  return c;
}

#endif

// Length of the character at the start of GBK bytes: two for a lead byte
// (0x81..0xFE) with a byte after it, else one.
std::size_t GbkCharLength(std::string_view s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  return (b >= 0x81 && b <= 0xFE && i + 1 < s.size()) ? 2 : 1;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool KeptInUrl(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return c != 0 && std::strchr("-._~:/?#[]@!$&'()*+,;=", c) != nullptr;
}

void AppendPercent(std::string* out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out->push_back('%');
  out->push_back(kHex[c >> 4]);
  out->push_back(kHex[c & 0x0F]);
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
#ifdef _WIN32
  std::wstring wide;
  if (GbkToWideStrict(gbk, &wide)) return WideToUtf8(wide);
  // Some sequence is invalid: go character by character.
  std::size_t i = 0;
  while (i < gbk.size()) {
    const auto b = static_cast<unsigned char>(gbk[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    std::size_t len = GbkCharLength(gbk, i);
    if (GbkToWideStrict(gbk.substr(i, len), &wide)) {
      out += WideToUtf8(wide);
      i += len;
    } else {
      out += kReplacementUtf8;
      ++i;  // the byte after may start a valid character
    }
  }
#else
  Converter& cd = GbkDecoder();
  if (!cd.ok()) {
    // No GBK converter available: keep ASCII, mark the rest.
    for (char c : gbk) {
      if (static_cast<unsigned char>(c) < 0x80)
        out.push_back(c);
      else
        out += kReplacementUtf8;
    }
    return out;
  }
  std::size_t i = 0;
  while (i < gbk.size()) {
    i += cd.Convert(gbk.substr(i), &out);
    if (i < gbk.size()) {
      // Invalid or cut-off sequence: replace its first byte and go on.
      out += kReplacementUtf8;
      ++i;
    }
  }
#endif
  return out;
}

std::string Utf8ToGbk(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    // Find the run of well-formed UTF-8 from i.
    std::size_t end = i;
    std::size_t bad = 0;
    while (end < utf8.size()) {
      if (static_cast<unsigned char>(utf8[end]) < 0x80) {
        ++end;
        continue;
      }
      std::size_t len = Utf8SequenceLength(utf8.substr(end), &bad);
      if (len == 0) break;
      end += len;
    }
    std::string_view run = utf8.substr(i, end - i);
#ifdef _WIN32
    if (!run.empty()) {
      std::wstring wide = Utf8ToWide(run);
      int n = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(),
                                  static_cast<int>(wide.size()), nullptr, 0, "?", nullptr);
      std::string part(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
      if (n > 0)
        WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                            part.data(), n, "?", nullptr);
      out += part;
    }
#else
    Converter& cd = GbkEncoder();
    std::size_t j = 0;
    while (j < run.size()) {
      if (cd.ok()) j += cd.Convert(run.substr(j), &out);
      if (j >= run.size()) break;
      // A character GBK cannot hold (the run is well-formed), or no
      // converter at all, where ASCII still passes.
      std::size_t unused;
      std::size_t len = Utf8SequenceLength(run.substr(j), &unused);
      out.push_back(!cd.ok() && len == 1 ? run[j] : '?');
      j += len;
    }
#endif
    i = end;
    if (i < utf8.size()) {
      out.push_back('?');  // one mark per ill-formed subpart
      i += bad;
    }
  }
  return out;
}

std::string_view BodyUpToZero(std::string_view bytes) {
  std::size_t zero = bytes.find('\0');
  return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

std::string BytesToText(std::string_view bytes) { return GbkToUtf8(BodyUpToZero(bytes)); }

double TextToNumber(std::string_view text) {
  std::size_t i = 0;
  auto isBlank = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
  };
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  std::size_t intDigits = 0, fracDigits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++intDigits;
  std::size_t end = i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++fracDigits;
    if (fracDigits > 0) end = i;
  }
  if (intDigits == 0 && fracDigits == 0) return 0.0;
  double value = 0.0;
  auto [ptr, ec] =
      std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::fixed);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Too large for a double, or so small that it rounds to zero.
    bool anyNonZeroIntDigit = false;
    for (std::size_t k = start; k < start + intDigits; ++k) anyNonZeroIntDigit |= text[k] != '0';
    value = anyNonZeroIntDigit ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

std::int32_t TextToInt(std::string_view text) {
  double v = std::trunc(TextToNumber(text));
  if (!(v == v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  if (v <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

std::string EncodeUrl(std::string_view utf8Url) {
  std::string out;
  out.reserve(utf8Url.size() * 3);
  std::size_t i = 0;
  while (i < utf8Url.size()) {
    const auto c = static_cast<unsigned char>(utf8Url[i]);
    if (c >= 0x80) {
      // A run of non-ASCII bytes goes out as GBK, every byte escaped; a "?"
      // that stands for an unconvertible character is escaped too, so it
      // never turns into the query delimiter.
      std::size_t end = i;
      while (end < utf8Url.size() && static_cast<unsigned char>(utf8Url[end]) >= 0x80) ++end;
      for (char b : Utf8ToGbk(utf8Url.substr(i, end - i)))
        AppendPercent(&out, static_cast<unsigned char>(b));
      i = end;
      continue;
    }
    if (c == '%' && i + 2 < utf8Url.size() && IsHexDigit(utf8Url[i + 1]) &&
        IsHexDigit(utf8Url[i + 2])) {
      out.append(utf8Url.substr(i, 3));
      i += 3;
      continue;
    }
    if (KeptInUrl(c))
      out.push_back(static_cast<char>(c));
    else
      AppendPercent(&out, c);
    ++i;
  }
  return out;
}

std::string_view CutGbk(std::string_view gbk, std::size_t maxBytes) {
  if (gbk.size() <= maxBytes) return gbk;
  std::size_t i = 0;
  while (i < gbk.size()) {
    std::size_t len = GbkCharLength(gbk, i);
    if (i + len > maxBytes) break;
    i += len;
  }
  return gbk.substr(0, i);
}

}  // namespace common
