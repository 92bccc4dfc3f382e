#include "common/split_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"

namespace common {
namespace {

using Parts = std::vector<std::string>;

struct SplitCase {
  const char* name;
  std::string text;
  std::string separator;
  Parts parts;
};

const std::vector<SplitCase>& SplitCases() {
  static const std::vector<SplitCase> cases = {
      {"empty text has no parts", "", "|", {}},
      {"no separator", "abc", "|", {"abc"}},
      {"three fields", "a|b|c", "|", {"a", "b", "c"}},
      {"final separator adds no empty part", "a|b|", "|", {"a", "b"}},
      {"two separators enclose an empty part", "a|b||", "|", {"a", "b", ""}},
      {"empty part in the middle", "a||c", "|", {"a", "", "c"}},
      {"leading separator gives empty first part", "|a", "|", {"", "a"}},
      {"separator alone", "|", "|", {""}},
      {"two separators alone", "||", "|", {"", ""}},
      {"two lines ended by CR LF", "a|1\r\nb|2\r\n", "\r\n", {"a|1", "b|2"}},
      {"last line without CR LF", "a\r\nb", "\r\n", {"a", "b"}},
      {"empty line between lines", "a\r\n\r\nb", "\r\n", {"a", "", "b"}},
      {"lone LF stays inside", "a\nb\r\nc", "\r\n", {"a\nb", "c"}},
      {"lone CR stays inside", "a\rb", "\r\n", {"a\rb"}},
      {"LF CR is no separator", "a\n\rb", "\r\n", {"a\n\rb"}},
      {"CR CR LF", "a\r\r\nb", "\r\n", {"a\r", "b"}},
      {"final CR LF of a record stays in the last field",
       "url|V2.0|12\r\n",
       "|",
       {"url", "V2.0", "12\r\n"}},
  };
  return cases;
}

TEST(SplitText, Rules) {
  for (const auto& c : SplitCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitText(c.text, c.separator), c.parts);
    EXPECT_EQ(SplitTextUtf8(c.text, c.separator), c.parts);
  }
}

TEST(SplitText, StepsOverDoubleByteCharacters) {
  // "亅" is 0x81 0x7C in GBK: its trail byte is "|".
  const std::string stroke = "\x81\x7C";
  const std::vector<SplitCase> cases = {
      {"trail byte | is not a separator", "a" + stroke + "b|c", "|", {"a" + stroke + "b", "c"}},
      {"character right before a separator", stroke + "|" + stroke, "|", {stroke, stroke}},
      {"only the trail byte", stroke, "|", {stroke}},
      {"trail byte | before the final separator", "x" + stroke + "|", "|", {"x" + stroke}},
      {"chinese fields", "\xCF\xC2\xD4\xD8|\xD2\xB3", "|", {"\xCF\xC2\xD4\xD8", "\xD2\xB3"}},
      // A lead byte cut off before CR LF takes the CR as its second byte.
      {"cut-off lead byte swallows the CR", "a\xB0\r\nb", "\r\n", {"a\xB0\r\nb"}},
      {"lead byte at the very end", "a|\xB0", "|", {"a", "\xB0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitText(c.text, c.separator), c.parts);
  }
}

TEST(SplitText, Utf8FormGivesTheSamePartsAsGbkForm) {
  const std::vector<std::string> texts = {
      "亅|亅||下载|", "|乚|", "资源表1\r\n资源表2\r\n", "a亅b|c", "",
  };
  for (const auto& utf8 : texts) {
    SCOPED_TRACE(utf8);
    for (const char* sep : {"|", "\r\n"}) {
      Parts fromGbk;
      for (const auto& p : SplitText(Utf8ToGbk(utf8), sep)) fromGbk.push_back(GbkToUtf8(p));
      EXPECT_EQ(SplitTextUtf8(utf8, sep), fromGbk);
    }
  }
}

TEST(SplitRecords, LinesAndFieldsOfAFetchedBody) {
  using namespace std::string_literals;
  using Records = std::vector<Parts>;
  struct Case {
    const char* name;
    std::string body;
    Records records;
  };
  const std::vector<Case> cases = {
      {"empty body", "", {}},
      {"catalog of two lines",
       "\xCF\xC2\xD4\xD8|12|2012-1-1|ok\r\nb|3||\r\n",
       {{"下载", "12", "2012-1-1", "ok"}, {"b", "3", ""}}},
      {"stops at the first zero byte", "a|b\r\nc\0|d\r\n"s, {{"a", "b"}, {"c"}}},
      {"empty line has no fields", "a\r\n\r\nb", {{"a"}, {}, {"b"}}},
      {"trail byte | inside a name", "\x81\x7C|x\r\n", {{"亅", "x"}}},
      {"bad bytes become replacement characters", "x|\xFF", {{"x", "\xEF\xBF\xBD"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitRecords(c.body), c.records);
  }
}

}  // namespace
}  // namespace common
