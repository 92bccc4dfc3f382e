#include "host/curl/curl_network.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <thread>
#include <vector>

#include "common/text.h"
#include "host/curl/test_http_server.h"

namespace host::curl {
namespace {

using testing::Resource;
using testing::TestHttpServer;

// Sets environment variables for one test and puts the old values back.
class EnvGuard {
 public:
  void Set(const char* name, const char* value) {
    Remember(name);
    ::setenv(name, value, 1);
  }
  void Unset(const char* name) {
    Remember(name);
    ::unsetenv(name);
  }
  ~EnvGuard() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        ::setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        ::unsetenv(it->first.c_str());
      }
    }
  }

 private:
  void Remember(const char* name) {
    const char* old = ::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(HttpFetchTest, SendsTheFixedRequestDirectlyEvenWhenTheEnvironmentNamesAProxy) {
  TestHttpServer server;
  server.Put("/update.txt", Resource{.body = "V2.0|x"});
  EnvGuard env;
  // Port 1 on loopback has no listener: a fetch through the proxy would fail.
  for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "ALL_PROXY", "all_proxy"}) {
    env.Set(name, "http://127.0.0.1:1");
  }
  env.Unset("no_proxy");
  env.Unset("NO_PROXY");

  CurlNetwork net;
  EXPECT_EQ(net.HttpFetch(server.Url("/update.txt")), "V2.0|x");

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const testing::RecordedRequest& r = requests[0];
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(r.path, "/update.txt");
  EXPECT_EQ(r.version, "HTTP/1.0");
  EXPECT_EQ(r.Header("accept"), "*/*");
  EXPECT_EQ(r.Header("user-agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
  EXPECT_EQ(r.Header("pragma"), "no-cache");
  EXPECT_EQ(r.Header("cache-control"), "no-cache");
  EXPECT_FALSE(r.Has("range"));
  EXPECT_FALSE(r.Has("accept-encoding"));  // the body comes as the server has it
}

TEST(HttpFetchTest, ReturnsTheBodyWhateverTheStatusAndWhatArrivedWhenCutOff) {
  TestHttpServer server;
  const std::string big = testing::PatternBytes(300000);
  server.Put("/ok", Resource{.body = "plain body"});
  server.Put("/missing", Resource{.body = "not here", .status = 404});
  server.Put("/broken", Resource{.body = "server error", .status = 500});
  server.Put("/cut", Resource{.body = big, .dropAfter = 70000, .failTimes = 100});
  // Redirects are followed; their own pages are not part of the answer.
  server.Put("/moved", Resource{.body = "moved page", .status = 302, .location = "/ok"});
  server.Put("/gone", Resource{.body = "gone page", .status = 301, .location = server.Url("/ok")});
  server.Put("/zero", Resource{.body = std::string("a\0b", 3)});

  // A port that was just free: nothing listens there.
  int closedPort;
  {
    TestHttpServer gone;
    closedPort = gone.port();
  }

  struct Case {
    std::string url;
    std::string expected;
  };
  const Case cases[] = {
      {server.Url("/ok"), "plain body"},
      {server.Url("/missing"), "not here"},
      {server.Url("/broken"), "server error"},
      {server.Url("/cut"), big.substr(0, 70000)},
      {server.Url("/moved"), "plain body"},
      {server.Url("/gone"), "plain body"},
      {server.Url("/zero"), std::string("a\0b", 3)},
      {"http://127.0.0.1:" + std::to_string(closedPort) + "/ok", ""},
      {"http://[127.0.0.1/ok", ""},
      {"not a url at all", ""},
      {"", ""},
  };
  CurlNetwork net;
  for (const Case& c : cases) EXPECT_EQ(net.HttpFetch(c.url), c.expected) << c.url;
}

TEST(HttpFetchTest, SendsNonAsciiUrlsAsPercentEncodedGbk) {
  TestHttpServer server;
  // The server decodes the escapes, so the path it sees is the GBK bytes.
  server.Put(common::Utf8ToGbk("/资源/检查 更新.txt"), Resource{.body = "found"});
  CurlNetwork net;
  EXPECT_EQ(net.HttpFetch(server.Url("/资源/检查 更新.txt")), "found");
}

TEST(HttpFetchTest, ManyThreadsFetchAtOnce) {
  TestHttpServer server;
  constexpr int kThreads = 6;
  constexpr int kFetches = 4;
  for (int i = 0; i < kThreads; ++i) {
    server.Put("/r" + std::to_string(i), Resource{.body = testing::PatternBytes(20000 + i, i)});
  }
  CurlNetwork net;
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      const std::string expected = testing::PatternBytes(20000 + i, i);
      for (int k = 0; k < kFetches; ++k) {
        if (net.HttpFetch(server.Url("/r" + std::to_string(i))) != expected) ++wrong[i];
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(wrong[i], 0) << "thread " << i;
}

}  // namespace
}  // namespace host::curl
