#include "host/sim/fake_network.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace host::sim {
namespace {

TEST(FakeNetwork, FetchAnswersPerExactUrlAndRecordsEveryCall) {
  FakeNetwork net;
  net.Respond("http://a.test/x", "body");
  net.Respond("http://a.test/slow", FetchScript{"late", 20, false});
  net.Respond("http://a.test/broken", FetchScript{"never", 0, true});
  struct Case {
    const char* url;
    const char* body;
  } const cases[] = {{"http://a.test/x", "body"},
                     {"http://a.test/x/", ""},
                     {"http://a.test/slow", "late"},
                     {"http://a.test/broken", ""},
                     {"http://unknown.test/", ""}};
  std::vector<std::string> urls;
  for (const auto& c : cases) {
    EXPECT_EQ(net.HttpFetch(c.url), c.body) << c.url;
    urls.push_back(c.url);
  }
  EXPECT_EQ(net.Fetched(), urls);
}

TEST(FakeNetwork, FetchIsSafeFromSeveralThreads) {
  FakeNetwork net;
  net.Respond("u", FetchScript{"b", 1, false});
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20; ++i) EXPECT_EQ(net.HttpFetch("u"), "b");
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(net.Fetched().size(), 80u);
}

TEST(FakeDownload, TaskLifecycleFollowsTheTaskRules) {
  FakeNetwork net;
  auto download = net.CreateDownload();
  auto state = net.DownloadState();
  ASSERT_TRUE(state);
  EXPECT_EQ(download->LastOutcome(), TaskOutcome::None);

  ResumeState saved;
  EXPECT_FALSE(download->StopTask(saved, 0));  // no task: state untouched
  EXPECT_TRUE(saved.empty());
  EXPECT_FALSE(download->ResumeTask(TaskParam{}, saved));  // empty state

  TaskParam param;
  param.url = "http://c.test/jar/a.zip";
  param.path = "/d/a.zip";
  EXPECT_TRUE(download->AddTask(param));
  EXPECT_FALSE(download->AddTask(param));  // one task at a time
  net.SetReceived(5000);
  EXPECT_EQ(download->DownloadedLength(), 5000u);
  EXPECT_EQ(download->LastOutcome(), TaskOutcome::Running);

  EXPECT_TRUE(download->StopTask(saved, 1));
  EXPECT_EQ(saved.url, param.url);
  EXPECT_EQ(saved.path, param.path);
  EXPECT_EQ(saved.received, 5000);
  EXPECT_EQ(download->LastOutcome(), TaskOutcome::Stopped);

  saved.path = "/d/a(1).zip";  // the file actually written
  EXPECT_TRUE(download->ResumeTask(param, saved));
  EXPECT_EQ(download->DownloadedLength(), 5000u);
  net.SetReceived(9000);
  net.FinishTask(TaskOutcome::Complete);
  EXPECT_EQ(download->DownloadedLength(), 9000u);  // readable after the end
  EXPECT_EQ(download->LastOutcome(), TaskOutcome::Complete);
  ResumeState untouched;
  EXPECT_FALSE(download->StopTask(untouched, 0));

  EXPECT_TRUE(download->AddTask(param));
  EXPECT_EQ(download->DownloadedLength(), 0u);
  download->CloseDownload();
  EXPECT_EQ(download->LastOutcome(), TaskOutcome::Stopped);
  EXPECT_FALSE(download->AddTask(param));  // closed: usable only for destruction

  EXPECT_EQ(state->calls, (std::vector<std::string>{
                              "AddTask http://c.test/jar/a.zip /d/a.zip",
                              "StopTask",
                              "ResumeTask http://c.test/jar/a.zip /d/a(1).zip 5000",
                              "AddTask http://c.test/jar/a.zip /d/a.zip",
                              "CloseDownload",
                          }));
  EXPECT_EQ(net.DownloadState(1), nullptr);
}

}  // namespace
}  // namespace host::sim
