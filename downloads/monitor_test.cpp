// The monitor on 时钟1 and 时钟3: progress texts, the expected size read
// from the row, completion and the hand-over to the scheduler.
#include <gtest/gtest.h>

#include <algorithm>

#include "downloads/download_test_support.h"

namespace downloads::testing {
namespace {

using host::TaskOutcome;

class MonitorTest : public DownloadTest {};

TEST(MonitorSizeText, ProgressAndCompletionFollowTheRowsSizeText) {
  struct Case {
    std::string size;
    std::uint32_t firstKb;
    std::string firstText;
    int expectedKb;  // also the bar's maximum
    std::uint32_t secondKb;
    bool completesAtSecondTick;
  };
  const std::vector<Case> cases = {
      {"123KB", 45, "123KB/45KB", 123, 122, false},
      {"123KB", 0, "123KB/0KB", 123, 123, true},
      {"123KB", 200, "123KB/200KB", 123, 200, true},  // more than announced
      {"12.5KB", 3, "12.5KB/3KB", 12, 12, true},
      {"0KB", 0, "0KB/0KB", 0, 0, true},
      {"500", 0, "500/0KB", 0, 0, true},      // no "K" at all
      {"500kb", 0, "500kb/0KB", 0, 0, true},  // only upper case counts
      {"K12", 0, "K12/0KB", 0, 0, true},
      {"", 0, "/0KB", 0, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("size text \"" + c.size + "\"");
    Harness h;
    h.AddRows({{"甲", c.size}});
    ASSERT_TRUE(h.Task(mw::kStartTask, 0));
    h.SetKb(c.firstKb);
    h.sim.Advance(1);
    EXPECT_EQ(h.Cell(0, mw::kColProgress), c.firstText);
    EXPECT_EQ(h.Cell(0, mw::kColState), mw::kStateDownloading);
    EXPECT_EQ(h.Dm().expectedKb, c.expectedKb);
    const auto bar = h.sim.Control(mw::kWindow, mw::kProgressBar);
    EXPECT_EQ(bar.progressMax, c.expectedKb);
    // A bar shows at most its maximum.
    EXPECT_EQ(bar.progressPos, std::min(static_cast<int>(c.firstKb), c.expectedKb));

    h.SetKb(c.secondKb);
    h.sim.Advance(1);
    if (c.completesAtSecondTick) {
      EXPECT_EQ(h.Cell(0, mw::kColProgress), c.size + "/" + c.size);
      EXPECT_EQ(h.Cell(0, mw::kColState), mw::kStateDone);
    } else {
      EXPECT_EQ(h.Cell(0, mw::kColProgress), c.size + "/" + std::to_string(c.secondKb) + "KB");
      EXPECT_EQ(h.Cell(0, mw::kColState), mw::kStateDownloading);
    }
  }
}

// A fast server can deliver the first kilobytes before the first tick; the
// provisional expected size of 1 KB must not make that tick a completion.
TEST(MonitorSizeText, FirstTickAfterAStartAlwaysReadsTheSize) {
  for (const char* how : {"开始任务", "全部任务下载"}) {
    SCOPED_TRACE(how);
    Harness h;
    h.AddRows({{"甲", "300KB"}});
    const bool queued = std::string(how) == mw::kDownloadAll;
    ASSERT_TRUE(h.Task(queued ? mw::kDownloadAll : mw::kStartTask, 0));
    if (queued) h.sim.Advance(100);
    ASSERT_EQ(h.Calls().size(), 1u);
    h.SetKb(64);
    h.sim.Advance(1);
    EXPECT_EQ(h.Cell(0, mw::kColState), mw::kStateDownloading);
    EXPECT_EQ(h.Cell(0, mw::kColProgress), "300KB/64KB");
    EXPECT_EQ(h.Dm().expectedKb, 300);
    EXPECT_EQ(h.Dm().downloadActive, 1);
    h.sim.Advance(50);
    EXPECT_EQ(h.Cell(0, mw::kColState), mw::kStateDownloading);
    h.SetKb(300);
    h.sim.Advance(1);
    EXPECT_EQ(h.Cell(0, mw::kColState), mw::kStateDone);
  }
}

TEST_F(MonitorTest, CompletionRunsItsStepsInOrder) {
  AddRows({{"甲", "10KB"}});
  ASSERT_TRUE(Task(mw::kStartTask, 0));
  SetKb(4);
  sim.Advance(1);
  SetKb(10);
  sim.ClearLog();
  sim.Advance(1);

  const std::vector<std::string> steps = {
      "ListSetCell MainWindow/超级列表框2 0 2 10KB/10KB",
      "ListSetCell MainWindow/超级列表框2 0 3 已下载完毕",
      "SetTimerPeriod MainWindow/时钟1 0",
      "SetProgressPos MainWindow/进度条1 0",
      "SetVisible MainWindow/标签4 0",
      "SetVisible MainWindow/进度条1 0",
      "WaitHandlingEvents 1500",
      "SetMenuItemEnabled MainWindow/TaskMenu 开始任务 1",
  };
  int previous = -1;
  for (const auto& step : steps) {
    const int at = sim.LogIndexOf(step);
    EXPECT_GT(at, previous) << step;
    previous = at;
  }
  EXPECT_EQ(sim.LogIndexOf("SetTimerPeriod MainWindow/时钟2"), -1);  // 时钟1 hands over nothing
  EXPECT_EQ(Dm().activeRow, -1);
  EXPECT_EQ(Dm().downloadActive, 0);
  EXPECT_EQ(Period(mw::kTimer1), 0);
  // The wait kept the window's clock running.
  EXPECT_GE(sim.Now(), 1502);
}

TEST_F(MonitorTest, StartWithNoRowSelectedCompletesAtTheSecondTickTouchingNoRow) {
  AddRows({{"甲", "10KB"}});
  ASSERT_TRUE(Task(mw::kStartTask, -1));
  const auto before = Rows();
  SetKb(0);
  sim.Advance(1);
  EXPECT_EQ(Dm().expectedKb, 0);
  EXPECT_EQ(Dm().downloadActive, 1);
  sim.Advance(1);
  EXPECT_EQ(Rows(), before);
  EXPECT_EQ(Dm().downloadActive, 0);
  EXPECT_EQ(Period(mw::kTimer1), 0);
  EXPECT_FALSE(Visible(mw::kProgressBar));
  EXPECT_TRUE(sim.MenuItemEnabled(mw::kWindow, mw::kTaskMenu, mw::kStartTask));
}

TEST_F(MonitorTest, QueueMonitorStopsTheSchedulerWhileItRunsAndRestartsItAtCompletion) {
  AddRows({{"甲", "10KB"}, {"乙", "10KB"}});
  ASSERT_TRUE(Task(mw::kDownloadAll, 0));
  sim.Advance(100);
  // Something set the scheduler going again mid-download: the next tick
  // stops it before it can start a second download.
  sim.SetTimerPeriod(mw::Ctl(mw::kTimer2), 100);
  sim.Advance(1);
  EXPECT_EQ(Period(mw::kTimer2), 0);

  SetKb(10);
  net.FinishTask(TaskOutcome::Complete);
  sim.ClearLog();
  sim.Advance(1);
  EXPECT_EQ(Cell(0, mw::kColState), mw::kStateDone);
  EXPECT_EQ(Period(mw::kTimer3), 0);
  EXPECT_EQ(Period(mw::kTimer2), 100);
  EXPECT_LT(sim.LogIndexOf("WaitHandlingEvents 1500"),
            sim.LogIndexOf("SetTimerPeriod MainWindow/时钟2 100"));
  sim.Advance(100);
  EXPECT_EQ(Calls(), (std::vector<std::string>{AddCall("jar", "甲"), AddCall("jar", "乙")}));
}

// "继续任务" during a queue adds 时钟1 to 时钟3. When 时钟1 sees the end first
// it completes the row; 时钟3 then finishes with no active row, changes no
// row and hands over to the scheduler, so the queue goes on.
TEST_F(MonitorTest, ContinuedQueueDownloadCompletedByTimer1KeepsTheQueueGoing) {
  AddRows({{"甲", "10KB"}, {"乙", "10KB"}, {"丙", "10KB"}});
  ASSERT_TRUE(Task(mw::kDownloadAll, 0));
  sim.Advance(100);
  SetKb(3);
  sim.Advance(1);
  ASSERT_TRUE(Task(mw::kContinueTask, 0));
  EXPECT_EQ(Period(mw::kTimer1), 100);
  EXPECT_EQ(Cell(0, mw::kColState), mw::kStateContinued);
  sim.Advance(99);  // 时钟3 alone
  EXPECT_EQ(Cell(0, mw::kColState), mw::kStateContinued);

  SetKb(10);
  net.FinishTask(TaskOutcome::Complete);
  sim.ClearLog();
  sim.Advance(1);  // both due; 时钟1 comes first
  const int done = sim.LogIndexOf("ListSetCell MainWindow/超级列表框2 0 3 已下载完毕");
  ASSERT_GE(done, 0);
  EXPECT_EQ(sim.Log()[done + 1], "SetTimerPeriod MainWindow/时钟1 0");
  EXPECT_EQ(States(), (std::vector<std::string>{mw::kStateDone, mw::kStateDownloading,
                                                mw::kStateDownloading}));
  EXPECT_EQ(Cell(1, mw::kColProgress), "");

  sim.Advance(200);
  EXPECT_EQ(Calls(), (std::vector<std::string>{AddCall("jar", "甲"), AddCall("jar", "乙")}));
  EXPECT_EQ(Dm().activeRow, 1);
  EXPECT_EQ(Cell(1, mw::kColState), mw::kStateDownloading);
  EXPECT_EQ(Cell(2, mw::kColState), mw::kStateDownloading);
}

TEST(MonitorFailure, FailedOrOverAnnouncedDownloadsStayInTheirStateSilently) {
  // Nothing arrives (unreachable server), or less than the catalog announced.
  for (std::uint32_t kb : {0u, 9u}) {
    SCOPED_TRACE(kb);
    Harness h;
    h.AddRows({{"甲", "10KB"}});
    ASSERT_TRUE(h.Task(mw::kStartTask, 0));
    h.SetKb(kb);
    h.net.FinishTask(kb == 0 ? TaskOutcome::Failed : TaskOutcome::Complete);
    h.sim.Advance(5000);
    EXPECT_EQ(h.Cell(0, mw::kColState), mw::kStateDownloading);
    EXPECT_EQ(h.Cell(0, mw::kColProgress), "10KB/" + std::to_string(kb) + "KB");
    EXPECT_EQ(h.Period(mw::kTimer1), 1);
    EXPECT_EQ(h.Dm().downloadActive, 1);
    EXPECT_TRUE(h.sim.MessageBoxes().empty());
  }
}

}  // namespace
}  // namespace downloads::testing
