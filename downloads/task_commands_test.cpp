// The popup menus of the download list and the commands that steer, delete
// and open rows.
#include <gtest/gtest.h>

#include <filesystem>

#include "downloads/download_test_support.h"

namespace downloads::testing {
namespace {

using host::TaskOutcome;
using testing_support::WriteFileBytes;
namespace fs = std::filesystem;

using CommandTest = DownloadTest;

TEST_F(CommandTest, PopupMenusOpenOnRowsOnly) {
  EXPECT_TRUE(sim.RightClickList(mw::kWindow, mw::kDownloadList));
  EXPECT_TRUE(sim.Popups().empty());  // an empty list has no ListMenu

  AddRows({{"甲"}, {"乙"}});
  EXPECT_TRUE(sim.RightClickList(mw::kWindow, mw::kDownloadList));
  EXPECT_EQ(sim.OpenPopup(mw::kWindow), mw::kListMenu);
  sim.DismissPopup(mw::kWindow);

  EXPECT_TRUE(sim.DoubleClickRow(mw::kWindow, mw::kDownloadList, 1));
  EXPECT_EQ(sim.OpenPopup(mw::kWindow), mw::kTaskMenu);
  sim.DismissPopup(mw::kWindow);
  Select(0);
  EXPECT_TRUE(sim.PressEnterInList(mw::kWindow, mw::kDownloadList));
  EXPECT_EQ(sim.OpenPopup(mw::kWindow), mw::kTaskMenu);

  const auto popups = sim.Popups();
  ASSERT_EQ(popups.size(), 3u);
  for (const auto& p : popups) EXPECT_FALSE(p.tray);
}

TEST_F(CommandTest, PauseAndContinueResumeTheSameTransfer) {
  AddRows({{"甲", "100KB"}, {"乙", "50KB"}});
  ASSERT_TRUE(Task(mw::kStartTask, 0));
  SetKb(30);
  sim.Advance(1);

  ASSERT_TRUE(Task(mw::kPauseTask, 0));
  EXPECT_EQ(Calls().back(), "StopTask");
  EXPECT_EQ(Period(mw::kTimer1), 0);
  EXPECT_EQ(Cell(0, mw::kColState), mw::kStatePaused);
  EXPECT_EQ(Dm().mainResumeState.received, 30 * 1024);
  // Still busy: a pause is not the end of a download.
  EXPECT_EQ(Dm().downloadActive, 1);
  EXPECT_FALSE(sim.MenuItemEnabled(mw::kWindow, mw::kTaskMenu, mw::kStartTask));
  EXPECT_TRUE(Visible(mw::kProgressBar));

  ASSERT_TRUE(Task(mw::kContinueTask, 0));
  EXPECT_EQ(Calls().back(),
            "ResumeTask http://content.test/jar/甲.zip " + Package("甲") + " 30720");
  EXPECT_EQ(Period(mw::kTimer1), 100);
  EXPECT_EQ(Cell(0, mw::kColState), mw::kStateContinued);

  SetKb(60);
  sim.Advance(100);
  EXPECT_EQ(Cell(0, mw::kColProgress), "100KB/60KB");
  SetKb(100);
  sim.Advance(100);
  EXPECT_EQ(Cell(0, mw::kColState), mw::kStateDone);
  EXPECT_EQ(Cell(1, mw::kColState), mw::kStateNotDone);
}

TEST_F(CommandTest, PauseAndContinueWriteTheSelectedRowWhicheverDownloads) {
  AddRows({{"甲", "100KB"}, {"乙", "50KB"}});
  ASSERT_TRUE(Task(mw::kStartTask, 0));
  SetKb(30);
  sim.Advance(1);
  ASSERT_TRUE(Task(mw::kPauseTask, 1));
  EXPECT_EQ(States(), (std::vector<std::string>{mw::kStateDownloading, mw::kStatePaused}));
  ASSERT_TRUE(Task(mw::kContinueTask, 1));
  EXPECT_EQ(States(), (std::vector<std::string>{mw::kStateDownloading, mw::kStateContinued}));
  SetKb(40);
  sim.Advance(100);
  EXPECT_EQ(Cell(0, mw::kColProgress), "100KB/40KB");  // the monitor stays on 甲
}

TEST_F(CommandTest, PauseDuringAQueueLeavesTimer3Ticking) {
  AddRows({{"甲", "100KB"}});
  ASSERT_TRUE(Task(mw::kDownloadAll, 0));
  sim.Advance(100);
  SetKb(3);
  sim.Advance(1);
  ASSERT_TRUE(Task(mw::kPauseTask, 0));
  EXPECT_EQ(Period(mw::kTimer3), 1);
  SetKb(4);
  sim.Advance(5);
  EXPECT_EQ(Cell(0, mw::kColProgress), "100KB/4KB");
  EXPECT_EQ(Cell(0, mw::kColState), mw::kStatePaused);
}

TEST_F(CommandTest, ForceStopDuringAQueueStopsItAndLeavesTheOtherQueuedRows) {
  AddRows({{"甲", "10KB"}, {"乙", "10KB"}, {"丙", "10KB"}});
  ASSERT_TRUE(Task(mw::kDownloadAll, 0));
  sim.Advance(100);
  SetKb(3);
  sim.Advance(1);
  sim.ClearLog();
  ASSERT_TRUE(Task(mw::kForceStop, 2));  // not the downloading row

  EXPECT_EQ(Calls().back(), "StopTask");
  for (const char* timer : {mw::kTimer1, mw::kTimer2, mw::kTimer3}) EXPECT_EQ(Period(timer), 0);
  EXPECT_EQ(Column(mw::kColName), (std::vector<std::string>{"甲", "乙"}));
  EXPECT_EQ(States(), std::vector<std::string>(2, mw::kStateDownloading));
  EXPECT_EQ(Dm().downloadActive, 0);
  EXPECT_LT(sim.LogIndexOf("SetVisible MainWindow/进度条1 0"),
            sim.LogIndexOf("SetVisible MainWindow/标签4 0"));
  sim.Advance(1000);
  EXPECT_EQ(Cell(0, mw::kColProgress), "10KB/3KB");

  // A new "全部任务下载" takes the queue up again from the top.
  ASSERT_TRUE(Task(mw::kDownloadAll, 0));
  sim.Advance(100);
  EXPECT_EQ(Calls().back(), AddCall("jar", "甲"));
  EXPECT_EQ(Dm().activeRow, 0);
}

TEST_F(CommandTest, DeleteTaskRemovesTheSelectedRowOnly) {
  struct Case {
    int select;
    std::vector<std::string> namesAfter;
  };
  for (const auto& c : std::vector<Case>{{-1, {"甲", "乙"}}, {1, {"甲"}}, {0, {"乙"}}}) {
    SCOPED_TRACE(c.select);
    Harness h;
    h.AddRows({{"甲"}, {"乙"}});
    ASSERT_TRUE(h.List(mw::kDeleteTask, c.select));
    EXPECT_EQ(h.Column(mw::kColName), c.namesAfter);
    EXPECT_TRUE(h.Calls().empty());  // no task ran, nothing to stop
    EXPECT_TRUE(h.sim.MessageBoxes().empty());
  }
}

TEST_F(CommandTest, DeleteTaskAndFileDeletesThePackageOrSaysItIsGone) {
  struct Case {
    const char* what;
    int select;
    bool packageOnDisk;
    bool messageShown;
    std::vector<std::string> namesAfter;
  };
  const std::vector<Case> cases = {
      {"package on disk", 0, true, false, {"乙"}},
      {"package missing", 0, false, true, {"乙"}},
      {"no row selected", -1, true, true, {"甲", "乙"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    h.AddRows({{"甲"}, {"乙"}});
    fs::create_directories(h.Folder());
    if (c.packageOnDisk) WriteFileBytes(h.Package("甲"), "zip");
    WriteFileBytes(h.Package("甲(1)"), "numbered copy");
    ASSERT_TRUE(h.List(mw::kDeleteTaskAndFile, c.select));
    EXPECT_EQ(fs::exists(h.Package("甲")), c.packageOnDisk && c.select < 0);
    EXPECT_TRUE(fs::exists(h.Package("甲(1)")));
    EXPECT_EQ(h.Column(mw::kColName), c.namesAfter);
    const auto boxes = h.sim.MessageBoxes();
    ASSERT_EQ(boxes.size(), c.messageShown ? 1u : 0u);
    if (c.messageShown) {
      EXPECT_EQ(boxes[0].text, "文件路径已被修改或已被删除");
      EXPECT_EQ(boxes[0].icon, host::MsgIcon::Information);
      EXPECT_EQ(boxes[0].title, "文件");
    }
  }
}

TEST_F(CommandTest, ClearListEmptiesListAndStoreAndDeletesPackagesOnlyOnYes) {
  for (int answer : {host::kMsgYes, host::kMsgNo}) {
    const bool yes = answer == host::kMsgYes;
    SCOPED_TRACE(yes ? "Yes" : "No");
    Harness h;
    h.AddRows({{"甲"}, {"乙", "10KB", mw::kStateDone}, {"丙"}});
    fs::create_directories(h.Folder());
    for (const char* name : {"甲", "乙", "甲(1)", "别的"}) WriteFileBytes(h.Package(name), "zip");
    const std::string ini = h.app->Services().config.iniPath;
    WriteFileBytes(ini, "[记录1]\r\n记录=1\r\n");
    h.sim.ScriptAnswer(answer);
    ASSERT_TRUE(h.List(mw::kClearList, 0));

    const auto boxes = h.sim.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "是否删除所有已下载文件");
    EXPECT_EQ(boxes[0].buttons, host::MsgButtons::YesNo);
    EXPECT_EQ(boxes[0].icon, host::MsgIcon::None);
    EXPECT_EQ(boxes[0].title, "清空");
    EXPECT_TRUE(h.Rows().empty());
    EXPECT_FALSE(fs::exists(ini));
    EXPECT_EQ(fs::exists(h.Package("甲")), !yes);
    EXPECT_EQ(fs::exists(h.Package("乙")), !yes);
    // Numbered copies and packages of other rows are not the rows' packages.
    EXPECT_TRUE(fs::exists(h.Package("甲(1)")));
    EXPECT_TRUE(fs::exists(h.Package("别的")));
  }
}

TEST_F(CommandTest, OpenCommandsHandThePathsToTheShell) {
  AddRows({{"甲"}});
  ASSERT_TRUE(List(mw::kOpenFile, 0));
  ASSERT_TRUE(List(mw::kOpenFolder, 0));
  ASSERT_TRUE(List(mw::kOpenFile, -1));
  EXPECT_EQ(sim.ShellOpened(), (std::vector<std::string>{Package("甲"), Folder(),
                                                         common::JoinPath(Folder(), ".zip")}));
  EXPECT_TRUE(sim.MessageBoxes().empty());
}

// Removing rows while a monitor runs must keep it on the downloading row:
// otherwise its progress and "已下载完毕" land in whichever row moved into
// the old place. The busy menu hides the delete commands, but the idle
// configuration can come back while a queue download runs (a completion's
// wait lets "全部任务下载" start the next row), so the commands are called
// directly here.
TEST(CommandRowRemoval, MonitorFollowsTheDownloadingRowWhenRowsAreRemoved) {
  struct Case {
    const char* what;
    std::function<void(Harness&)> remove;
    std::vector<std::string> namesAfter;
    int activeAfter;
  };
  auto deleteRow = [](int row) {
    return [row](Harness& h) {
      h.Select(row);
      h.app->Downloads().DeleteTaskCommand();
    };
  };
  const std::vector<Case> cases = {
      {"row above deleted", deleteRow(0), {"乙", "丙", "丁"}, 1},
      {"row below deleted", deleteRow(3), {"甲", "乙", "丙"}, 2},
      {"downloading row deleted", deleteRow(2), {"甲", "乙", "丁"}, -1},
      {"row above stopped by force, then continued",
       [](Harness& h) {
         ASSERT_TRUE(h.Task(mw::kForceStop, 0));
         h.Select(1);
         h.app->Downloads().ContinueTaskCommand();
       },
       {"乙", "丙", "丁"},
       1},
      {"list cleared, a row added again",
       [](Harness& h) {
         h.sim.ScriptAnswer(host::kMsgNo);
         h.Select(0);
         h.app->Downloads().ClearListCommand();
         h.AddRows({{"戊", "10KB"}});
       },
       {"戊"},
       -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    h.AddRows({{"甲", "10KB"}, {"乙", "10KB"}, {"丙", "10KB"}, {"丁", "10KB"}});
    ASSERT_TRUE(h.Task(mw::kStartTask, 2));
    h.SetKb(4);
    h.sim.Advance(1);
    const auto before = h.Rows();
    c.remove(h);
    EXPECT_EQ(h.Column(mw::kColName), c.namesAfter);
    EXPECT_EQ(h.Dm().activeRow, c.activeAfter);

    // Only the downloading row (when still listed) takes progress and the
    // completion; every other row keeps its cells.
    h.SetKb(10);
    h.net.FinishTask(TaskOutcome::Complete);
    h.sim.Advance(2000);
    const auto rows = h.Rows();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      SCOPED_TRACE(rows[r][0]);
      if (rows[r][0] == "丙") {
        EXPECT_EQ(h.Cell(r, mw::kColState), mw::kStateDone);
        EXPECT_EQ(h.Cell(r, mw::kColProgress), "10KB/10KB");
      } else {
        EXPECT_EQ(h.Cell(r, mw::kColState), mw::kStateNotDone);
        EXPECT_EQ(h.Cell(r, mw::kColProgress), "");
      }
    }
    EXPECT_EQ(h.Dm().activeRow, -1);
  }
}

}  // namespace
}  // namespace downloads::testing
