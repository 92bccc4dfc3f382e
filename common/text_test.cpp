#include "common/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace common {
namespace {

struct ConversionCase {
  const char* name;
  std::string utf8;
  std::string gbk;
};

// Texts that exist in both encodings convert both ways exactly.
TEST(TextConversion, RoundTripsTextThatGbkCanHold) {
  const std::vector<ConversionCase> cases = {
      {"empty", "", ""},
      {"ascii with controls", "abc\r\n|=[]\t~", "abc\r\n|=[]\t~"},
      {"chinese", "下载页面", "\xCF\xC2\xD4\xD8\xD2\xB3\xC3\xE6"},
      {"mixed", "Kovrin宝盒资源", "Kovrin\xB1\xA6\xBA\xD0\xD7\xCA\xD4\xB4"},
      {"euro is one byte", "€", "\x80"},
      {"trail byte equal to |", "亅", "\x81\x7C"},
      {"trail byte equal to ]", "乚", "\x81\x5D"},
      {"middle dot and dash", "·—", "\xA1\xA4\xA1\xAA"},
      {"full-width parens", "（资源信息）", "\xA3\xA8\xD7\xCA\xD4\xB4\xD0\xC5\xCF\xA2\xA3\xA9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
    EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
  }
}

TEST(TextConversion, BadGbkBecomesReplacementAndDecodingGoesOn) {
  const std::string r = "\xEF\xBF\xBD";
  const std::vector<ConversionCase> cases = {
      {"cut-off lead byte at end", "a" + r, "a\xB0"},
      {"lone 0xFF", "x" + r + "y", "x\xFFy"},
      {"lead byte before a blank keeps the blank", r + " b", "\xB0 b"},
      {"lead byte before newline keeps the newline", "a" + r + "\r\n", "a\xB0\r\n"},
      {"invalid trail then valid char",
       r + "\x7F"
           "下",
       "\x81\x7F\xCF\xC2"},
      {"two bad lead bytes in a row", r + r, "\xFF\xFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
  }
}

TEST(TextConversion, UnrepresentableOrMalformedUtf8BecomesQuestionMark) {
  const std::vector<ConversionCase> cases = {
      {"emoji",
       "a\xF0\x9F\x98\x80"
       "b",
       "a?b"},
      {"hangul",
       "\xED\x95\x9C"
       "下",
       "?\xCF\xC2"},
      {"stray continuation byte",
       "a\x80"
       "b",
       "a?b"},
      {"cut-off sequence at end", "a\xE4\xB8", "a?"},
      {"cut-off sequence before ASCII", "\xE4\xB8z", "?z"},
      {"overlong slash", "\xC0\xAF", "??"},
      {"surrogate", "\xED\xA0\x80", "???"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "????"},
      {"invalid byte 0xFF", "\xFF", "?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
  }
}

// Every double-byte code survives GBK -> UTF-8 -> GBK, and converting does
// not depend on which thread runs it.
TEST(TextConversion, WholeDoubleByteRangeOnSeveralThreads) {
  std::string all;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      all.push_back(static_cast<char>(lead));
      all.push_back(static_cast<char>(trail));
    }
  const std::string expected = GbkToUtf8(all);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round)
        if (GbkToUtf8(all) != expected) ++mismatches[t];
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));

  // Codes that decode to a real character encode back to the same bytes.
  int checked = 0;
  for (std::size_t i = 0; i < all.size(); i += 2) {
    std::string one = all.substr(i, 2);
    std::string text = GbkToUtf8(one);
    if (text.find("\xEF\xBF\xBD") != std::string::npos) continue;  // no such code
    ++checked;
    ASSERT_EQ(Utf8ToGbk(text), one)
        << "code " << std::hex
        << (static_cast<unsigned char>(one[0]) << 8 | static_cast<unsigned char>(one[1]));
  }
  EXPECT_GT(checked, 21000);
}

TEST(TextBody, TakesTextUpToFirstZeroByte) {
  using namespace std::string_literals;
  EXPECT_EQ(BodyUpToZero("ab\0cd"s), "ab");
  EXPECT_EQ(BodyUpToZero("abc"), "abc");
  EXPECT_EQ(BodyUpToZero("\0abc"s), "");
  EXPECT_EQ(BytesToText("\xCF\xC2\xD4\xD8\0\xFF"s), "下载");
  EXPECT_EQ(BytesToText(""), "");
}

TEST(TextToNumber, DecimalNumberAtStart) {
  struct Case {
    const char* text;
    double number;
    std::int32_t integer;
  };
  const std::vector<Case> cases = {
      {"", 0, 0},
      {"abc", 0, 0},
      {"3", 3, 3},
      {"3.9", 3.9, 3},
      {"2048.9", 2048.9, 2048},
      {"12abc", 12, 12},
      {"12KB", 12, 12},
      {"-3.9", -3.9, -3},
      {"+7", 7, 7},
      {"  42", 42, 42},
      {".5", 0.5, 0},
      {"5.", 5, 5},
      {".", 0, 0},
      {"-", 0, 0},
      {"1e5", 1, 1},
      {"0x10", 0, 0},
      {"inf", 0, 0},
      {"1,5", 1, 1},
      {"007", 7, 7},
      {"3000000000", 3e9, std::numeric_limits<std::int32_t>::max()},
      {"-3000000000", -3e9, std::numeric_limits<std::int32_t>::min()},
      {"下载", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(TextToNumber(c.text), c.number);
    EXPECT_EQ(TextToInt(c.text), c.integer);
  }
  const std::string huge = "1" + std::string(400, '0');
  EXPECT_EQ(TextToInt(huge), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(TextToInt("-" + huge), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(TextToNumber("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(EncodeUrl, EscapesWhatIsUnsafeAndKeepsTheRest) {
  struct Case {
    const char* url;
    const char* encoded;
  };
  const std::vector<Case> cases = {
      {"http://127.0.0.1:8080/jar/123.txt", "http://127.0.0.1:8080/jar/123.txt"},
      {"http://h/a?b=c&d=e#f", "http://h/a?b=c&d=e#f"},
      {"http://h/[x]@!$'()*+,;=~-._", "http://h/[x]@!$'()*+,;=~-._"},
      {"http://h/检查更新.txt", "http://h/%BC%EC%B2%E9%B8%FC%D0%C2.txt"},
      {"http://h/Kovrin宝盒V2.0.zip", "http://h/Kovrin%B1%A6%BA%D0V2.0.zip"},
      {"http://h/a b", "http://h/a%20b"},
      {"http://h/%41%2f", "http://h/%41%2f"},
      {"http://h/100%", "http://h/100%25"},
      {"http://h/%4g", "http://h/%254g"},
      {"http://h/\"<>\\^`{|}", "http://h/%22%3C%3E%5C%5E%60%7B%7C%7D"},
      {"http://h/\t\x7F", "http://h/%09%7F"},
      // An unconvertible character must not become a query delimiter.
      {"http://h/a\xF0\x9F\x98\x80.zip", "http://h/a%3F.zip"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(EncodeUrl(c.url), c.encoded);
  }
}

TEST(CutGbk, NeverSplitsADoubleByteCharacter) {
  struct Case {
    std::string gbk;
    std::size_t max;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"abc", 5, "abc"},
      {"abc", 3, "abc"},
      {"abc", 2, "ab"},
      {"abc", 0, ""},
      {"a\xCF\xC2", 2, "a"},
      {"a\xCF\xC2", 3, "a\xCF\xC2"},
      {"\xCF\xC2\xD4\xD8", 3, "\xCF\xC2"},
      {"\x81|x", 1, ""},     // "|" here is a trail byte
      {"\x80x", 1, "\x80"},  // the euro is one byte
      {"ab\xB0", 3, "ab\xB0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gbk + " max " + std::to_string(c.max));
    EXPECT_EQ(CutGbk(c.gbk, c.max), c.expected);
  }
}

}  // namespace
}  // namespace common
