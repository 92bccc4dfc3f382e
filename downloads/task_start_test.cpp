// Starting downloads: "开始任务", "全部任务下载", the scheduler on 时钟2 and
// the menu configurations they set.
#include <gtest/gtest.h>

#include <filesystem>

#include "downloads/download_test_support.h"

namespace downloads::testing {
namespace {

using host::TaskOutcome;

// Enabled state of every item of both menus, in menu order.
struct MenuConfig {
  const char* name;
  std::vector<bool> taskMenu;  // 开始, 继续, 暂停, 全部, 强行停止
  std::vector<bool> listMenu;  // 打开文件, 删除, 删除及文件, 打开目录, 清空
};

class StartTest : public DownloadTest {
 protected:
  void ExpectMenus(const MenuConfig& config) {
    const char* task[] = {mw::kStartTask, mw::kContinueTask, mw::kPauseTask, mw::kDownloadAll,
                          mw::kForceStop};
    const char* list[] = {mw::kOpenFile, mw::kDeleteTask, mw::kDeleteTaskAndFile, mw::kOpenFolder,
                          mw::kClearList};
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(sim.MenuItemEnabled(mw::kWindow, mw::kTaskMenu, task[i]), config.taskMenu[i])
          << config.name << ": " << task[i];
      EXPECT_EQ(sim.MenuItemEnabled(mw::kWindow, mw::kListMenu, list[i]), config.listMenu[i])
          << config.name << ": " << list[i];
    }
  }
  // Lets the running task deliver `kb` and end, then runs the monitor into
  // completion and past the scheduler's next tick.
  void FinishCurrent(std::uint32_t kb) {
    SetKb(kb);
    net.FinishTask(TaskOutcome::Complete);
    sim.Advance(1700);
  }
};

TEST_F(StartTest, StartTaskDownloadsTheSelectedRow) {
  AddRows({{"甲", "100KB"}, {"乙", "200KB"}});
  ASSERT_FALSE(std::filesystem::exists(Folder()));
  ASSERT_TRUE(Task(mw::kStartTask, 1));

  EXPECT_EQ(Calls(), std::vector<std::string>{AddCall("jar", "乙")});
  EXPECT_TRUE(std::filesystem::is_directory(Folder()));
  EXPECT_EQ(States(), (std::vector<std::string>{mw::kStateNotDone, mw::kStateDownloading}));
  EXPECT_EQ(Period(mw::kTimer1), 1);
  EXPECT_EQ(Period(mw::kTimer3), 0);
  EXPECT_TRUE(Visible(mw::kProgressLabel));
  EXPECT_TRUE(Visible(mw::kProgressBar));
  EXPECT_EQ(Dm().activeRow, 1);
  EXPECT_EQ(Dm().downloadActive, 1);
  EXPECT_EQ(Dm().expectedKb, 1);
  EXPECT_TRUE(app->Downloads().DownloadActive());
}

TEST_F(StartTest, PackageAddressAndPathComeFromTheRow) {
  struct Case {
    const char* what;
    Row row;
    int select;  // -1: no row selected
    std::string url;
    std::string fileName;
    std::string stateAfter;
  };
  const std::vector<Case> cases = {
      {"catalog row",
       {"甲 教程", "10KB", mw::kStateNotDone, "jar"},
       0,
       "http://content.test/jar/甲 教程.zip",
       "甲 教程.zip",
       mw::kStateDownloading},
      {"restored row without folder",
       {"乙", "10KB", mw::kStatePaused, ""},
       0,
       "http://content.test//乙.zip",
       "乙.zip",
       mw::kStateDownloading},
      {"complete row downloads again",
       {"丙", "10KB", mw::kStateDone, "kovkaoti"},
       0,
       "http://content.test/kovkaoti/丙.zip",
       "丙.zip",
       mw::kStateDownloading},
      {"no row selected",
       {"丁", "10KB", mw::kStateNotDone, "jar"},
       -1,
       "http://content.test//.zip",
       ".zip",
       mw::kStateNotDone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    h.AddRows({c.row});
    ASSERT_TRUE(h.Task(mw::kStartTask, c.select));
    const auto& param = h.Dm().mainTaskParam;
    EXPECT_EQ(param.url, c.url);
    EXPECT_EQ(param.path, common::JoinPath(h.Folder(), c.fileName));
    EXPECT_EQ(h.Cell(0, mw::kColState), c.stateAfter);
    EXPECT_EQ(h.Dm().activeRow, c.select);
  }
}

TEST_F(StartTest, MenuConfigurationsThroughStartCompletionAndForcedStop) {
  const MenuConfig startUp{"start-up", {1, 0, 0, 1, 0}, {1, 1, 1, 1, 1}};
  const MenuConfig busy{"busy", {0, 1, 1, 1, 1}, {1, 0, 0, 1, 0}};
  const MenuConfig idle{"idle", {1, 0, 0, 1, 0}, {1, 1, 1, 1, 1}};
  const MenuConfig forced{"after 强行停止任务", {1, 0, 0, 1, 1}, {1, 1, 1, 1, 1}};
  AddRows({{"甲", "10KB"}, {"乙", "10KB"}});
  ExpectMenus(startUp);

  ASSERT_TRUE(Task(mw::kStartTask, 0));
  ExpectMenus(busy);
  FinishCurrent(10);
  EXPECT_EQ(Cell(0, mw::kColState), mw::kStateDone);
  ExpectMenus(idle);

  ASSERT_TRUE(Task(mw::kStartTask, 1));
  ExpectMenus(busy);
  ASSERT_TRUE(Task(mw::kForceStop, 1));
  ExpectMenus(forced);
}

TEST_F(StartTest, SecondStartWhileActiveIsRefusedWithAMessage) {
  AddRows({{"甲", "10KB"}, {"乙", "10KB"}});
  ASSERT_TRUE(Task(mw::kStartTask, 0));
  // The busy menu hides the command; it can still meet an active download
  // when the idle configuration comes back during a queue.
  sim.SelectRow(mw::kWindow, mw::kDownloadList, 1);
  sim.ClearLog();
  app->Downloads().StartTaskCommand();

  ASSERT_EQ(sim.MessageBoxes().size(), 1u);
  const auto box = sim.MessageBoxes()[0];
  EXPECT_EQ(box.text, "不能同时下载多个文件，请单独下载");
  EXPECT_EQ(box.buttons, host::MsgButtons::Ok);
  EXPECT_EQ(box.icon, host::MsgIcon::Information);
  EXPECT_EQ(box.title, "提示");
  // Busy configuration first, then the refusal.
  EXPECT_LT(sim.LogIndexOf("SetMenuItemEnabled MainWindow/TaskMenu 开始任务 0"),
            sim.LogIndexOf("MessageBox "));
  EXPECT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Cell(1, mw::kColState), mw::kStateNotDone);
  EXPECT_EQ(Dm().activeRow, 0);
}

TEST_F(StartTest, DownloadAllQueuesOnlyUnfinishedRowsAndStartsTheTopmost) {
  AddRows({{"完", "10KB", mw::kStateDone},
           {"甲", "10KB", mw::kStateNotDone},
           {"停", "10KB", mw::kStatePaused},
           {"续", "10KB", mw::kStateContinued},
           {"乙", "10KB", mw::kStateNotDone}});
  Dm().lastFinishedRow = 7;
  ASSERT_TRUE(Task(mw::kDownloadAll, 0));
  EXPECT_EQ(States(),
            (std::vector<std::string>{mw::kStateDone, mw::kStateDownloading, mw::kStatePaused,
                                      mw::kStateContinued, mw::kStateDownloading}));
  EXPECT_EQ(Dm().lastFinishedRow, 0);
  EXPECT_EQ(Period(mw::kTimer2), 100);
  EXPECT_TRUE(Calls().empty());

  sim.Advance(99);
  EXPECT_TRUE(Calls().empty());
  sim.Advance(1);
  EXPECT_EQ(Calls(), std::vector<std::string>{AddCall("jar", "甲")});
  EXPECT_EQ(Period(mw::kTimer2), 0);
  EXPECT_EQ(Period(mw::kTimer3), 1);
  EXPECT_EQ(Period(mw::kTimer1), 0);
  EXPECT_EQ(Dm().activeRow, 1);
  EXPECT_EQ(Dm().lastFinishedRow, 1);
  EXPECT_TRUE(Visible(mw::kProgressBar));
  EXPECT_FALSE(sim.MenuItemEnabled(mw::kWindow, mw::kTaskMenu, mw::kStartTask));
}

TEST_F(StartTest, QueueRunsEveryQueuedRowThenReturnsToIdle) {
  AddRows({{"甲", "10KB"}, {"完", "5KB", mw::kStateDone}, {"乙", "20KB"}, {"丙", "30KB"}});
  ASSERT_TRUE(Task(mw::kDownloadAll, 0));
  sim.Advance(100);
  FinishCurrent(10);
  FinishCurrent(20);
  ASSERT_EQ(Calls().size(), 3u);
  EXPECT_TRUE(Dm().downloadActive);
  FinishCurrent(30);

  EXPECT_EQ(Calls(), (std::vector<std::string>{AddCall("jar", "甲"), AddCall("jar", "乙"),
                                               AddCall("jar", "丙")}));
  EXPECT_EQ(States(), std::vector<std::string>(4, mw::kStateDone));
  EXPECT_EQ(Cell(2, mw::kColProgress), "20KB/20KB");
  EXPECT_EQ(Cell(1, mw::kColProgress), "");  // never touched
  EXPECT_EQ(Dm().downloadActive, 0);
  EXPECT_EQ(Dm().lastFinishedRow, 4);
  EXPECT_FALSE(Visible(mw::kProgressBar));
  EXPECT_FALSE(Visible(mw::kProgressLabel));
  EXPECT_EQ(sim.Control(mw::kWindow, mw::kProgressBar).progressPos, 0);
  for (const char* timer : {mw::kTimer1, mw::kTimer2, mw::kTimer3}) EXPECT_EQ(Period(timer), 0);
  ExpectMenus({"idle", {1, 0, 0, 1, 0}, {1, 1, 1, 1, 1}});
}

TEST_F(StartTest, SchedulerEndsTheQueueOnlyWhenTheLastRowIsComplete) {
  struct Case {
    const char* what;
    std::vector<Row> rows;
    bool idleAfterFirstTick;
  };
  const std::vector<Case> cases = {
      {"empty list", {}, true},
      {"every row complete", {{"甲", "1KB", mw::kStateDone}, {"乙", "1KB", mw::kStateDone}}, true},
      {"paused row above a complete last row",
       {{"甲", "1KB", mw::kStatePaused}, {"乙", "1KB", mw::kStateDone}},
       true},
      {"last row paused", {{"甲", "1KB", mw::kStateDone}, {"乙", "1KB", mw::kStatePaused}}, false},
      {"last row continued",
       {{"甲", "1KB", mw::kStateDone}, {"乙", "1KB", mw::kStateContinued}},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    h.AddRows(c.rows);
    if (c.rows.empty()) {
      h.app->Downloads().DownloadAllCommand();  // the popup needs a row
    } else {
      ASSERT_TRUE(h.Task(mw::kDownloadAll, 0));
    }
    h.sim.Advance(100);
    EXPECT_TRUE(h.Calls().empty());
    EXPECT_EQ(h.Dm().downloadActive, 0);
    EXPECT_EQ(h.Period(mw::kTimer2), 0);
    EXPECT_EQ(h.Period(mw::kTimer3), 0);
    // Busy until the queue is over, even with nothing downloading.
    EXPECT_EQ(h.Visible(mw::kProgressBar), !c.idleAfterFirstTick);
    EXPECT_EQ(h.sim.MenuItemEnabled(mw::kWindow, mw::kTaskMenu, mw::kStartTask),
              c.idleAfterFirstTick);
    EXPECT_EQ(h.sim.MenuItemEnabled(mw::kWindow, mw::kListMenu, mw::kClearList),
              c.idleAfterFirstTick);
  }
}

TEST_F(StartTest, TopmostQueuedRowGoesFirstWhateverWasQueuedEarlier) {
  // 乙 was queued in an earlier session (restored as "正在下载"); 甲 is queued
  // now but stands higher.
  AddRows({{"甲", "10KB", mw::kStateNotDone}, {"乙", "10KB", mw::kStateDownloading, ""}});
  ASSERT_TRUE(Task(mw::kDownloadAll, 0));
  sim.Advance(100);
  EXPECT_EQ(Calls(), std::vector<std::string>{AddCall("jar", "甲")});
  FinishCurrent(10);
  EXPECT_EQ(Calls(), (std::vector<std::string>{AddCall("jar", "甲"), AddCall("", "乙")}));
}

TEST_F(StartTest, DownloadAllIgnoresAnActiveDownload) {
  AddRows({{"甲", "10KB"}, {"乙", "10KB"}});
  ASSERT_TRUE(Task(mw::kStartTask, 0));
  SetKb(2);
  sim.Advance(1);
  ASSERT_TRUE(Task(mw::kDownloadAll, 1));
  EXPECT_EQ(States(), std::vector<std::string>(2, mw::kStateDownloading));
  // The scheduler starts the topmost queued row: the one already running.
  // The facility still holds the task and takes no second one.
  sim.Advance(100);
  EXPECT_EQ(Calls(), std::vector<std::string>{AddCall("jar", "甲")});
  EXPECT_EQ(Dm().activeRow, 0);
}

}  // namespace
}  // namespace downloads::testing
