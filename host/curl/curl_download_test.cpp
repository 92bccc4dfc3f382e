#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "common/text.h"
#include "host/curl/curl_network.h"
#include "host/curl/test_http_server.h"
#include "host/network.h"

namespace host::curl {
namespace {

using testing::FileExists;
using testing::PatternBytes;
using testing::RangeReply;
using testing::ReadFile;
using testing::Resource;
using testing::TestHttpServer;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr auto kPatience = std::chrono::seconds(60);

ResumeState State(std::string url, std::string path, std::int64_t received,
                  std::string validator = "") {
  ResumeState state;
  state.url = std::move(url);
  state.path = std::move(path);
  state.received = received;
  state.validator = std::move(validator);
  return state;
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::MakeTempDir();
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { testing::RemoveTree(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  static std::unique_ptr<Download> Make(int retryWaitMs = 20, int maxRetries = 999) {
    CurlNetwork net(CurlNetwork::Options{.retryWaitMs = retryWaitMs, .maxRetries = maxRetries});
    return net.CreateDownload();
  }

  TaskParam Param(const std::string& urlPath, const std::string& name) const {
    TaskParam param;
    param.url = server_.Url(urlPath);
    param.path = Path(name);
    return param;
  }

  // Waits until the task is no longer running.
  static TaskOutcome WaitEnd(Download& download) {
    const auto deadline = Clock::now() + kPatience;
    while (download.LastOutcome() == TaskOutcome::Running && Clock::now() < deadline) {
      std::this_thread::sleep_for(milliseconds(2));
    }
    return download.LastOutcome();
  }

  static bool WaitCount(Download& download, std::uint32_t atLeast) {
    const auto deadline = Clock::now() + kPatience;
    while (download.DownloadedLength() < atLeast) {
      if (Clock::now() > deadline || download.LastOutcome() != TaskOutcome::Running) return false;
      std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
  }

  std::vector<std::string> RangesAsked(const std::string& urlPath) const {
    std::vector<std::string> ranges;
    for (const auto& r : server_.RequestsFor(urlPath)) ranges.push_back(r.Header("range"));
    return ranges;
  }

  std::string dir_;
  TestHttpServer server_;
};

TEST_F(DownloadTest, CopiesTheWholeBodyAndKeepsTheFinalCount) {
  struct Case {
    const char* what;
    Resource resource;
  };
  const std::string body = PatternBytes(1 << 20);
  const Case cases[] = {
      {"with ranges", Resource{.body = body}},
      {"without ranges", Resource{.body = body, .ranges = false}},
      {"in small slow pieces",
       Resource{.body = body.substr(0, 200000), .chunk = 997, .chunkDelayMs = 1}},
      {"empty", Resource{.body = ""}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string urlPath = "/jar/p" + std::to_string(n) + ".zip";
    const std::string name = "p" + std::to_string(n++) + ".zip";
    server_.Put(urlPath, c.resource);
    auto download = Make();
    EXPECT_EQ(download->LastOutcome(), TaskOutcome::None);
    ASSERT_TRUE(download->AddTask(Param(urlPath, name)));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Complete);
    EXPECT_TRUE(ReadFile(Path(name)) == c.resource.body);
    EXPECT_EQ(download->DownloadedLength(), c.resource.body.size());
    ResumeState untouched = State("u", "p", 7);
    EXPECT_FALSE(download->StopTask(untouched, 2));  // a finished task leaves no task
    EXPECT_EQ(untouched.received, 7);
  }
}

TEST_F(DownloadTest, RequestCarriesRefererAndGoesThroughTheConfiguredProxy) {
  server_.Put("/jar/a.zip", Resource{.body = "direct"});
  // The test server also acts as the proxy: it then sees the whole URL.
  server_.Put("http://resources.invalid/jar/b.zip", Resource{.body = "proxied"});
  // Non-ASCII URLs go out as percent-encoded GBK; the server sees the bytes.
  server_.Put(common::Utf8ToGbk("/资源/包 1.zip"), Resource{.body = "encoded"});
  struct Case {
    std::string url;
    std::string referer;
    std::string proxy;
    std::string seenPath;
    std::string expectedReferer;
    std::string body;
  };
  const Case cases[] = {
      {server_.Url("/jar/a.zip"), "", "", "/jar/a.zip", server_.Url("/jar/"), "direct"},
      {server_.Url("/jar/a.zip"), "http://ref.invalid/x", "", "/jar/a.zip", "http://ref.invalid/x",
       "direct"},
      {"http://resources.invalid/jar/b.zip", "", "127.0.0.1:" + std::to_string(server_.port()),
       "http://resources.invalid/jar/b.zip", "http://resources.invalid/jar/", "proxied"},
      {server_.Url("/资源/包 1.zip"), "", "", common::Utf8ToGbk("/资源/包 1.zip"),
       // (the test server shows header values with their escapes decoded)
       common::Utf8ToGbk(server_.Url("/资源/")), "encoded"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url + " referer=" + c.referer + " proxy=" + c.proxy);
    TaskParam param;
    param.url = c.url;
    param.path = Path("f" + std::to_string(n++));
    param.referer = c.referer;
    param.httpProxy = c.proxy;
    auto download = Make();
    ASSERT_TRUE(download->AddTask(param));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Complete);
    EXPECT_EQ(ReadFile(param.path), c.body);
    const auto requests = server_.RequestsFor(c.seenPath);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().Header("referer"), c.expectedReferer);
    EXPECT_EQ(requests.back().Header("user-agent"),
              "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_FALSE(requests.back().Has("range"));
  }
}

TEST_F(DownloadTest, NeverOverwritesAnExistingFile) {
  const std::string body = PatternBytes(50000);
  server_.Put("/a.zip", Resource{.body = body});
  struct Case {
    int existing;         // a.zip, a(1).zip, ... already there
    std::string written;  // empty: the task fails
  };
  const Case cases[] = {{0, "a.zip"}, {1, "a(1).zip"}, {3, "a(3).zip"}, {100, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.existing);
    const std::string dir = testing::MakeTempDir();
    for (int i = 0; i < c.existing; ++i) {
      testing::WriteFile(dir + "/" + (i == 0 ? "a.zip" : "a(" + std::to_string(i) + ").zip"),
                         "old " + std::to_string(i));
    }
    auto download = Make();
    TaskParam param = Param("/a.zip", "");
    param.path = dir + "/a.zip";
    const size_t requestsBefore = server_.RequestsFor("/a.zip").size();
    ASSERT_TRUE(download->AddTask(param));
    if (c.written.empty()) {
      EXPECT_EQ(WaitEnd(*download), TaskOutcome::Failed);
      EXPECT_FALSE(FileExists(dir + "/a(100).zip"));
      EXPECT_EQ(server_.RequestsFor("/a.zip").size(), requestsBefore);  // nowhere to write
      EXPECT_TRUE(download->AddTask(param));                            // no task was left behind
      EXPECT_EQ(WaitEnd(*download), TaskOutcome::Failed);
    } else {
      EXPECT_EQ(WaitEnd(*download), TaskOutcome::Complete);
      EXPECT_TRUE(ReadFile(dir + "/" + c.written) == body);
    }
    for (int i = 0; i < c.existing; ++i) {
      EXPECT_EQ(ReadFile(dir + "/" + (i == 0 ? "a.zip" : "a(" + std::to_string(i) + ").zip")),
                "old " + std::to_string(i));
    }
    testing::RemoveTree(dir);
  }
}

TEST_F(DownloadTest, FollowsPermanentAndTemporaryRedirects) {
  const std::string body = PatternBytes(300000);
  server_.Put("/files/real.zip", Resource{.body = body});
  server_.Put("/rel", Resource{.status = 301, .location = "files/real.zip"});
  server_.Put("/abs", Resource{.status = 302, .location = server_.Url("/files/real.zip")});
  server_.Put("/chain", Resource{.status = 302, .location = "/rel"});
  server_.Put("/files/with space.zip", Resource{.body = body});
  server_.Put("/spaced", Resource{.status = 302, .location = "files/with space.zip"});
  for (const std::string start : {"/rel", "/abs", "/chain", "/spaced"}) {
    SCOPED_TRACE(start);
    auto download = Make();
    ASSERT_TRUE(download->AddTask(Param(start, "r" + start.substr(1))));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Complete);
    EXPECT_TRUE(ReadFile(Path("r" + start.substr(1))) == body);
  }
}

TEST_F(DownloadTest, AnyOtherStatusEndsTheTaskAndLeavesNoFile) {
  server_.Put("/target", Resource{.body = "x"});
  const std::pair<int, std::string> cases[] = {
      {404, ""}, {500, ""}, {403, ""}, {307, "/target"}, {303, "/target"}};
  for (const auto& [status, location] : cases) {
    SCOPED_TRACE(status);
    const std::string urlPath = "/s" + std::to_string(status);
    server_.Put(urlPath, Resource{.body = "error page", .status = status, .location = location});
    auto download = Make();
    const TaskParam param = Param(urlPath, "s.zip");
    ASSERT_TRUE(download->AddTask(param));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Failed);
    EXPECT_EQ(download->DownloadedLength(), 0u);
    EXPECT_FALSE(FileExists(Path("s.zip")));
    EXPECT_EQ(server_.RequestsFor(urlPath).size(), 1u);  // not retried
    EXPECT_TRUE(download->AddTask(param));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Failed);
  }
}

// A transfer that breaks off, or goes silent, continues after the retry wait;
// whatever the server does with the range, the file ends up identical.
TEST_F(DownloadTest, BrokenTransfersAreRetriedIntoAnIdenticalFile) {
  const std::string body = PatternBytes(1 << 20, 7);
  struct Case {
    const char* what;
    Resource resource;
    std::vector<std::string> ranges;  // asked in order
  };
  const Case cases[] = {
      {"dropped, range honoured",
       Resource{.body = body, .dropAfter = 300000},
       {"", "bytes=300000-"}},
      {"dropped twice",
       Resource{.body = body, .dropAfter = 200000, .failTimes = 2},
       {"", "bytes=200000-", "bytes=400000-"}},
      {"stalled", Resource{.body = body, .stallAfter = 250000}, {"", "bytes=250000-"}},
      {"dropped, no range support",
       Resource{.body = body, .ranges = false, .dropAfter = 300000},
       {"", "bytes=300000-"}},
      {"dropped, 200 to the range",
       Resource{.body = body, .rangeReply = RangeReply::kWholeAs200, .dropAfter = 300000},
       {"", "bytes=300000-"}},
      {"dropped, 206 from the wrong place",
       Resource{.body = body, .rangeReply = RangeReply::kWrongStart, .dropAfter = 300000},
       {"", "bytes=300000-", ""}},
      {"dropped, 206 with the whole body",
       Resource{.body = body, .rangeReply = RangeReply::kWholeAs206, .dropAfter = 300000},
       {"", "bytes=300000-"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string urlPath = "/b" + std::to_string(n++);
    server_.Put(urlPath, c.resource);
    auto download = Make();
    TaskParam param = Param(urlPath, "b.zip" + std::to_string(n));
    param.receiveTimeoutMs = 500;
    ASSERT_TRUE(download->AddTask(param));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Complete);
    EXPECT_TRUE(ReadFile(param.path) == body);
    EXPECT_EQ(download->DownloadedLength(), body.size());
    EXPECT_EQ(RangesAsked(urlPath), c.ranges);
  }
}

TEST_F(DownloadTest, GivesUpAfterTheLastRetry) {
  server_.Put("/flaky",
              Resource{.body = PatternBytes(100000), .dropAfter = 1000, .failTimes = 100});
  {
    auto download = Make(/*retryWaitMs=*/5, /*maxRetries=*/2);
    ASSERT_TRUE(download->AddTask(Param("/flaky", "f.zip")));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Failed);
    EXPECT_EQ(server_.RequestsFor("/flaky").size(), 3u);
    // What arrived stays, counted: every try continued where the last one broke.
    EXPECT_EQ(testing::FileSize(Path("f.zip")), 3000);
    EXPECT_EQ(download->DownloadedLength(), 3000u);
  }
  {
    // Nothing listens: connecting fails every time, and no empty file stays.
    int closedPort;
    {
      TestHttpServer gone;
      closedPort = gone.port();
    }
    auto download = Make(/*retryWaitMs=*/5, /*maxRetries=*/2);
    TaskParam param = Param("/", "refused.zip");
    param.url = "http://127.0.0.1:" + std::to_string(closedPort) + "/a.zip";
    ASSERT_TRUE(download->AddTask(param));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Failed);
    EXPECT_FALSE(FileExists(param.path));
  }
}

// Pauses and continues a slow transfer several times; the continued task
// writes into the file the first one made, whatever the record's path says.
TEST_F(DownloadTest, PauseAndContinueSeveralTimesGiveAnIdenticalFile) {
  const std::string body = PatternBytes(400000, 3);
  struct Case {
    const char* what;
    RangeReply reply;
  };
  const Case cases[] = {
      {"honest ranges", RangeReply::kHonest},
      {"200 to ranges", RangeReply::kWholeAs200},
      {"206 from the wrong place", RangeReply::kWrongStart},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string urlPath = "/slow" + std::to_string(n++);
    server_.Put(urlPath,
                Resource{.body = body, .rangeReply = c.reply, .chunk = 4096, .chunkDelayMs = 5});
    const std::string dir = testing::MakeTempDir();
    testing::WriteFile(dir + "/a.zip", "someone else's file");
    TaskParam param = Param(urlPath, "");
    param.path = dir + "/a.zip";
    auto download = Make();
    ASSERT_TRUE(download->AddTask(param));
    ResumeState state;
    for (int stop = 1; stop <= 3; ++stop) {
      if (!WaitCount(*download, stop * 60000)) break;  // finished early under a slow machine
      ASSERT_TRUE(download->StopTask(state, 2));
      EXPECT_EQ(download->LastOutcome(), TaskOutcome::Stopped);
      EXPECT_EQ(state.path, dir + "/a(1).zip");
      EXPECT_EQ(state.url, param.url);
      EXPECT_EQ(state.received, testing::FileSize(state.path)) << "stop " << stop;
      EXPECT_EQ(ReadFile(state.path), body.substr(0, state.received));
      EXPECT_FALSE(download->StopTask(state, 2));  // nothing runs any more
      ASSERT_TRUE(download->ResumeTask(param, state));
      EXPECT_GE(download->DownloadedLength(), c.reply == RangeReply::kHonest ? state.received : 0);
      EXPECT_FALSE(download->AddTask(param));  // it holds a task again
    }
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Complete);
    EXPECT_TRUE(ReadFile(dir + "/a(1).zip") == body);
    EXPECT_EQ(ReadFile(dir + "/a.zip"), "someone else's file");
    testing::RemoveTree(dir);
  }
}

// A file that changed on the server between pause and continue is fetched
// anew, whether the server honours If-Range or not.
TEST_F(DownloadTest, ChangedRemoteFileStartsOver) {
  const std::string oldBody = PatternBytes(300000, 11);
  const std::string newBody = PatternBytes(350000, 12);
  for (const bool honourIfRange : {true, false}) {
    SCOPED_TRACE(honourIfRange);
    const std::string urlPath = honourIfRange ? "/v1" : "/v2";
    server_.Put(urlPath, Resource{.body = oldBody,
                                  .etag = "\"old\"",
                                  .honourIfRange = honourIfRange,
                                  .chunk = 8192,
                                  .chunkDelayMs = 4});
    auto download = Make();
    const TaskParam param = Param(urlPath, urlPath.substr(1));
    ASSERT_TRUE(download->AddTask(param));
    ASSERT_TRUE(WaitCount(*download, 50000));
    ResumeState state;
    ASSERT_TRUE(download->StopTask(state, 2));
    EXPECT_EQ(state.validator, "\"old\"");
    server_.Put(urlPath,
                Resource{.body = newBody, .etag = "\"new\"", .honourIfRange = honourIfRange});
    ASSERT_TRUE(download->ResumeTask(param, state));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Complete);
    EXPECT_TRUE(ReadFile(param.path) == newBody);
    const auto requests = server_.RequestsFor(urlPath);
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[1].Header("if-range"), "\"old\"");
  }
}

// A continued task trusts only the bytes that are really in the file.
TEST_F(DownloadTest, ContinueStartsFromWhatTheFileHolds) {
  const std::string body = PatternBytes(200000, 5);
  server_.Put("/c.zip", Resource{.body = body});
  struct Case {
    const char* what;
    std::string fileBefore;  // nullopt-like: "<none>" means no file
    std::int64_t received;
    std::vector<std::string> ranges;
  };
  const Case cases[] = {
      {"complete already", body, 200000, {"bytes=200000-"}},
      {"as counted", body.substr(0, 1000), 1000, {"bytes=1000-"}},
      {"shorter than counted", body.substr(0, 500), 1000, {"bytes=500-"}},
      {"longer than counted", body.substr(0, 900) + "garbage", 900, {"bytes=900-"}},
      {"missing", "<none>", 1000, {""}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Path("c" + std::to_string(n++) + ".zip");
    if (c.fileBefore != "<none>") testing::WriteFile(path, c.fileBefore);
    const size_t before = server_.RequestsFor("/c.zip").size();
    auto download = Make();
    const ResumeState state = State(server_.Url("/c.zip"), path, c.received);
    ASSERT_TRUE(download->ResumeTask(Param("/c.zip", "unused.zip"), state));
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Complete);
    EXPECT_TRUE(ReadFile(path) == body);
    EXPECT_EQ(download->DownloadedLength(), body.size());
    const auto ranges = RangesAsked("/c.zip");
    EXPECT_EQ(std::vector<std::string>(ranges.begin() + before, ranges.end()), c.ranges);
  }
  EXPECT_FALSE(FileExists(Path("unused.zip")));
}

TEST_F(DownloadTest, CommandsThatFindNoTaskChangeNothing) {
  server_.Put("/slow", Resource{.body = PatternBytes(200000), .chunk = 1000, .chunkDelayMs = 10});
  auto download = Make();
  ResumeState state = State("keep", "keep", 3, "v");
  EXPECT_FALSE(download->StopTask(state, 2));
  EXPECT_EQ(state.path, "keep");
  EXPECT_EQ(state.received, 3);
  EXPECT_FALSE(download->ResumeTask(Param("/slow", "x"), ResumeState{}));
  EXPECT_EQ(download->DownloadedLength(), 0u);
  EXPECT_EQ(download->LastOutcome(), TaskOutcome::None);

  ASSERT_TRUE(download->AddTask(Param("/slow", "s.zip")));
  EXPECT_FALSE(download->AddTask(Param("/slow", "t.zip")));
  EXPECT_FALSE(download->ResumeTask(Param("/slow", "t.zip"), state));
  EXPECT_EQ(download->LastOutcome(), TaskOutcome::Running);
  download->CloseDownload();
  EXPECT_EQ(download->LastOutcome(), TaskOutcome::Stopped);
  EXPECT_FALSE(download->AddTask(Param("/slow", "u.zip")));  // closed for good
  EXPECT_FALSE(FileExists(Path("t.zip")));
  EXPECT_FALSE(FileExists(Path("u.zip")));
}

// Stop and close must come back at once even while the task sits in a long
// wait before its next try.
TEST_F(DownloadTest, StopAndCloseInterruptTheRetryWait) {
  server_.Put("/down",
              Resource{.body = PatternBytes(100000), .dropAfter = 5000, .failTimes = 1000});
  for (const bool close : {false, true}) {
    SCOPED_TRACE(close ? "close" : "stop");
    auto download = Make(/*retryWaitMs=*/10 * 60 * 1000);
    const size_t before = server_.RequestsFor("/down").size();
    ASSERT_TRUE(download->AddTask(Param("/down", close ? "c.zip" : "s.zip")));
    ASSERT_TRUE(WaitCount(*download, 5000));
    std::this_thread::sleep_for(milliseconds(100));  // into the wait
    const auto start = Clock::now();
    if (close) {
      download->CloseDownload();
      download.reset();
    } else {
      ResumeState state;
      EXPECT_TRUE(download->StopTask(state, 2));
      EXPECT_EQ(state.received, 5000);
      EXPECT_EQ(download->LastOutcome(), TaskOutcome::Stopped);
      download.reset();
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(server_.RequestsFor("/down").size(), before + 1);
  }
}

// Stops and closes at random moments, also just as the last byte arrives:
// a stopped task's state always matches its file, and continuing it always
// completes the same file.
TEST_F(DownloadTest, StopRacingTheEndKeepsStateAndFileInStep) {
  const std::string body = PatternBytes(96 * 1024, 9);
  server_.Put("/quick", Resource{.body = body, .chunk = 16 * 1024});
  std::mt19937 random(42);
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE(round);
    auto download = Make();
    const TaskParam param = Param("/quick", "q" + std::to_string(round) + ".zip");
    ASSERT_TRUE(download->AddTask(param));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
    if (round % 5 == 4) {
      download.reset();  // closing at any moment is safe
      continue;
    }
    ResumeState state;
    if (download->StopTask(state, 2)) {
      EXPECT_EQ(state.received, testing::FileSize(state.path));
      EXPECT_EQ(download->DownloadedLength(), state.received);
      ASSERT_TRUE(download->ResumeTask(param, state));
    }
    EXPECT_EQ(WaitEnd(*download), TaskOutcome::Complete);
    EXPECT_TRUE(ReadFile(param.path) == body);
    EXPECT_EQ(download->DownloadedLength(), body.size());
  }
}

}  // namespace
}  // namespace host::curl
