// The queue against the real download facility and a loopback HTTP server:
// three packages queued with "全部任务下载", one paused and continued while
// it transfers, all three arrive byte for byte in the resource folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "common/main_window.h"
#include "common/paths.h"
#include "common/text.h"
#include "downloads/package_server.h"
#include "host/curl/curl_network.h"
#include "host/sim/sim_host.h"
#include "shell/app.h"
#include "shell/test_app_fixture.h"

namespace downloads::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

TEST(DownloadQueueOverHttp, ThreeQueuedPackagesArriveWholeWithAPauseInTheMiddle) {
  struct Item {
    std::string name;
    std::size_t kb;
    std::size_t chunk;
    int delayMs;
  };
  // The middle one is slow enough to be caught mid-transfer.
  const std::vector<Item> items = {{"甲 入门包", 3072, 64 * 1024, 0},
                                   {"乙包", 2560, 32 * 1024, 4},
                                   {"丙包", 4096, 64 * 1024, 0}};
  PackageServer server;
  for (std::size_t i = 0; i < items.size(); ++i) {
    // The facility sends the name as percent-encoded GBK; the server sees
    // the decoded bytes.
    server.Put("/jar/" + common::Utf8ToGbk(items[i].name) + ".zip",
               {PackageBytes(items[i].kb * 1024, static_cast<std::uint32_t>(i + 1)), items[i].chunk,
                items[i].delayMs});
  }

  testing_support::TempDir dir;
  common::Config config = shell::testing::TestConfig(dir);
  config.contentBaseUrl = server.BaseUrl();
  host::sim::SimHost sim;
  host::curl::CurlNetwork net;
  shell::App app(sim, net, config);
  app.Start();
  const auto list = mw::Ctl(mw::kDownloadList);
  for (const auto& item : items) {
    const int n = sim.ListAppendRow(list);
    sim.ListSetCell(list, n, mw::kColName, item.name);
    sim.ListSetCell(list, n, mw::kColSize, std::to_string(item.kb) + "KB");
    sim.ListSetCell(list, n, mw::kColState, mw::kStateNotDone);
    sim.ListSetCell(list, n, mw::kColFolder, "jar");
  }
  auto state = [&](int row) { return sim.ListGetCell(list, row, mw::kColState); };
  auto choose = [&](const char* item, int row) {
    return sim.DoubleClickRow(mw::kWindow, mw::kDownloadList, row) &&
           sim.ChooseMenuItem(mw::kWindow, mw::kTaskMenu, item);
  };
  auto allDone = [&] {
    for (int r = 0; r < 3; ++r)
      if (state(r) != mw::kStateDone) return false;
    return true;
  };
  auto& dm = app.Downloads().State();

  const auto started = Clock::now();
  ASSERT_TRUE(choose(mw::kDownloadAll, 0));
  // The virtual clock moves in 1 ms steps while the transfer runs in real
  // time; the short real sleep lets a finished task end before the
  // scheduler starts the next one.
  bool paused = false, continued = false;
  std::uintmax_t sizeWhilePaused = 0;
  const std::string middlePath =
      common::JoinPath(common::ResourceFolder(dir.path()), items[1].name + ".zip");
  while (!allDone() && Clock::now() - started < std::chrono::seconds(60)) {
    sim.Advance(1);
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    const std::uint32_t received = dm.mainDownload ? dm.mainDownload->DownloadedLength() : 0;
    if (!paused && dm.activeRow == 1 && received > 256 * 1024 &&
        received < (items[1].kb - 512) * 1024) {
      ASSERT_TRUE(choose(mw::kPauseTask, 1));
      paused = true;
      EXPECT_EQ(state(1), mw::kStatePaused);
      EXPECT_GT(dm.mainResumeState.received, 0);
      sizeWhilePaused = fs::file_size(middlePath);
      for (int i = 0; i < 50; ++i) {
        sim.Advance(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      // Stopped: nothing more reaches the file while paused.
      EXPECT_EQ(fs::file_size(middlePath), sizeWhilePaused);
      EXPECT_EQ(state(1), mw::kStatePaused);
      ASSERT_TRUE(choose(mw::kContinueTask, 1));
      continued = true;
      EXPECT_EQ(state(1), mw::kStateContinued);
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  ASSERT_TRUE(allDone()) << "rows: " << state(0) << ", " << state(1) << ", " << state(2);
  EXPECT_TRUE(paused && continued);
  EXPECT_GT(sizeWhilePaused, 0u);
  // Let the last task close its file.
  for (int i = 0;
       i < 2000 && dm.mainDownload && dm.mainDownload->LastOutcome() == host::TaskOutcome::Running;
       ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));

  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(common::ResourceFolder(dir.path())))
    files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  std::vector<std::string> expected;
  for (const auto& item : items) expected.push_back(item.name + ".zip");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files, expected);  // no numbered copies
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(items[i].name);
    const std::string path =
        common::JoinPath(common::ResourceFolder(dir.path()), items[i].name + ".zip");
    const std::string want = PackageBytes(items[i].kb * 1024, static_cast<std::uint32_t>(i + 1));
    const std::string got = testing_support::ReadFileBytes(path);
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
    const std::string size = std::to_string(items[i].kb) + "KB";
    EXPECT_EQ(sim.ListGetCell(list, static_cast<int>(i), mw::kColProgress), size + "/" + size);
  }
  EXPECT_EQ(dm.downloadActive, 0);
  EXPECT_FALSE(sim.Control(mw::kWindow, mw::kProgressBar).visible);
  std::printf("queue of %zu packages (%zu KB) with one pause: %.3f s real time\n", items.size(),
              items[0].kb + items[1].kb + items[2].kb, seconds);
  sim.WaitForThreads();
}

}  // namespace
}  // namespace downloads::testing
