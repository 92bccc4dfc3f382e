#include "host/curl/transfer_rules.h"

#include <gtest/gtest.h>

namespace host::curl::detail {
namespace {

TEST(TransferRulesTest, NumberedPathPutsTheCounterBeforeTheExtension) {
  struct Case {
    std::string path;
    int n;
    std::string expected;
  };
  const Case cases[] = {
      {"/d/a.zip", 0, "/d/a.zip"},
      {"/d/a.zip", 1, "/d/a(1).zip"},
      {"/d/a.zip", 99, "/d/a(99).zip"},
      {"/d/a.tar.gz", 2, "/d/a.tar(2).gz"},
      {"/d/noext", 3, "/d/noext(3)"},
      {"/d.dir/noext", 1, "/d.dir/noext(1)"},  // a dot in the folder is no extension
      {"C:\\x.y\\pkg", 1, "C:\\x.y\\pkg(1)"},
      {"/d/.zip", 1, "/d/.zip(1)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NumberedPath(c.path, c.n), c.expected) << c.path << " " << c.n;
  }
}

TEST(TransferRulesTest, ProxyAddressGetsAnExplicitPort) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"proxy.example", "http://proxy.example:80"},
      {"proxy.example:3128", "http://proxy.example:3128"},
      {"http://10.0.0.1", "http://10.0.0.1:80"},
      {"http://10.0.0.1:8080/", "http://10.0.0.1:8080/"},
      {"[::1]", "http://[::1]:80"},
      {"[::1]:81", "http://[::1]:81"},
  };
  for (const auto& [setting, expected] : cases) {
    EXPECT_EQ(ProxyAddress(setting), expected) << setting;
  }
}

TEST(TransferRulesTest, RefererIsTheUrlUpToItsLastSlash) {
  const std::pair<std::string, std::string> cases[] = {
      {"http://h/jar/a.zip", "http://h/jar/"},
      {"http://h/a.zip?from=/x/y", "http://h/"},
      {"http://h:8080/", "http://h:8080/"},
      {"http://h", "http://h/"},
  };
  for (const auto& [url, expected] : cases) EXPECT_EQ(RefererFor(url), expected) << url;
}

TEST(TransferRulesTest, ContentRangeParsing) {
  struct Case {
    std::string value;
    bool valid;
    std::int64_t first, last, total;
  };
  const Case cases[] = {
      {"bytes 100-199/200", true, 100, 199, 200}, {"Bytes 0-0/*", true, 0, 0, -1},
      {"bytes */500", true, -1, -1, 500},         {"bytes 5-4/10", false, -1, -1, -1},  // reversed
      {"bytes 5-10/10", false, -1, -1, -1},  // past the total
      {"bytes 5-/10", false, -1, -1, -1},         {"items 0-1/2", false, -1, -1, -1},
      {"bytes */*", false, -1, -1, -1},           {"", false, -1, -1, -1},
  };
  for (const Case& c : cases) {
    const ContentRange r = ParseContentRange(c.value);
    EXPECT_EQ(r.valid, c.valid) << c.value;
    if (!c.valid) continue;
    EXPECT_EQ(r.first, c.first) << c.value;
    EXPECT_EQ(r.last, c.last) << c.value;
    EXPECT_EQ(r.total, c.total) << c.value;
  }
}

}  // namespace
}  // namespace host::curl::detail
