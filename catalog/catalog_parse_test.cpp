// The catalog line format on its own: GBK bodies in, list rows out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "common/text.h"

namespace {

using namespace std::string_literals;
using catalog::CatalogRow;
using catalog::ParseCatalog;

struct ParseCase {
  const char* what;
  std::string body;  // GBK bytes
  std::vector<CatalogRow> rows;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }

std::string Gbk(const std::string& utf8) { return common::Utf8ToGbk(utf8); }

class ParseCatalogTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCatalogTest, GivesTheRows) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(ParseCatalog(c.body), c.rows) << c.what;
}

const ParseCase kCases[] = {
    {"two lines, each ended by CR LF: no third row",
     Gbk("资源A|12|2013-01-02|好\r\nB包|3|2013-02-03|谢谢\r\n"),
     {{"资源A", "12KB", "2013-01-02", "好"}, {"B包", "3KB", "2013-02-03", "谢谢"}}},
    {"last line without CR LF",
     "a|1|t|r\r\nb|2|u|s",
     {{"a", "1KB", "t", "r"}, {"b", "2KB", "u", "s"}}},
    {"fields after the fourth are ignored", "a|1|t|r|extra|more\r\n", {{"a", "1KB", "t", "r"}}},
    {"an empty size field reads KB", "a||t|r\r\n", {{"a", "KB", "t", "r"}}},
    {"one trailing | after the third field: three fields, last cell empty",
     "a|1|t|\r\n",
     {{"a", "1KB", "t", ""}}},
    {"two trailing | after the third field: fourth field empty",
     "a|1|t||\r\n",
     {{"a", "1KB", "t", ""}}},
    {"a lone LF is no separator", "a|1|t|r\nb|2|u|s\r\n", {{"a", "1KB", "t", "r\nb"}}},
    {"a lone CR is no separator", "a|1|t|r\rb|2\r\n", {{"a", "1KB", "t", "r\rb"}}},
    {"empty lines give no row", "\r\n\r\na|1|t|r\r\n\r\n", {{"a", "1KB", "t", "r"}}},
    {"short lines keep their row; missing cells stay empty",
     "name\r\nname|\r\nname|5\r\n|\r\n",
     {{"name", "", "", ""}, {"name", "", "", ""}, {"name", "5KB", "", ""}, {"", "", "", ""}}},
    {"a leading | gives an empty first field", "|1|t|r\r\n", {{"", "1KB", "t", "r"}}},
    {"an HTML error page gives whatever rows its lines give",
     "<html>\r\n<body>404 Not Found</body>\r\n</html>\r\n",
     {{"<html>", "", "", ""}, {"<body>404 Not Found</body>", "", "", ""}, {"</html>", "", "", ""}}},
    {"a GBK trail byte equal to | stays inside its character",
     "\x81\x7C|1|t|r\r\n",  // U+4E85, whose second GBK byte is 0x7C
     {{"亅", "1KB", "t", "r"}}},
    {"invalid GBK shows replacement characters",
     "\xFF\xFF|1|t|r\r\n",
     {{"\xEF\xBF\xBD\xEF\xBF\xBD", "1KB", "t", "r"}}},
    {"a byte with its high bit set takes the | after it along, even when invalid",
     "\xFF|x|1|t|r\r\n",
     {{"\xEF\xBF\xBD|x", "1KB", "t", "r"}}},
    {"a zero byte ends the text",
     "a|1|t|r\r\nb|2|u|s\0c|3|v|w\r\n"s,
     {{"a", "1KB", "t", "r"}, {"b", "2KB", "u", "s"}}},
    {"an empty body gives no rows", "", {}},
};

INSTANTIATE_TEST_SUITE_P(Lines, ParseCatalogTest, ::testing::ValuesIn(kCases));

}  // namespace
