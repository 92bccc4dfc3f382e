// The main window's start-up sequence as the user meets it.
#include <gtest/gtest.h>

#include "common/text.h"
#include "shell/test_app_fixture.h"

namespace shell::testing {
namespace {

using host::Art;

TEST_F(AppFixture, FirstRunOpensTheDownloadPageEmptyWithTrayAndHomePage) {
  StartApp();
  ASSERT_TRUE(sim.HasWindow(mw::kWindow));
  EXPECT_TRUE(DownloadRows().empty());
  EXPECT_EQ(sim.TrayIcon(), Art::ProgramIcon);
  EXPECT_EQ(sim.TrayTip(), "Kovrin宝盒 V2.0");
  EXPECT_EQ(sim.Control(mw::kWindow, mw::kBrowser).addresses,
            std::vector<std::string>{"http://community.test/ekovrin/"});
  EXPECT_EQ(sim.Control(mw::kWindow, mw::kTab).tabPage, 0);
  EXPECT_EQ(sim.Control(mw::kWindow, mw::kToolbar).checkedButton, 0);
  // The download list covers the catalog list.
  EXPECT_EQ(sim.Control(mw::kWindow, mw::kDownloadList).bounds,
            sim.Control(mw::kWindow, mw::kCatalogList).bounds);
  EXPECT_TRUE(sim.MessageBoxes().empty());
  EXPECT_EQ(sim.Control(mw::kWindow, mw::kCatalogHint).balloonText,
            "双击添加资源，资源添加成功后进入下载页面");
  EXPECT_EQ(sim.ThreadsStarted(), 1);  // the version check
}

TEST_F(AppFixture, ControlsHiddenOrDisabledAtStart) {
  StartApp();
  for (const char* hidden : {mw::kSearchBuffer, mw::kProgressLabel, mw::kProgressBar})
    EXPECT_FALSE(sim.Control(mw::kWindow, hidden).visible) << hidden;
  EXPECT_FALSE(sim.Control(mw::kWindow, mw::kMaximiseButton).enabled);
  sim.ClearLog();
  EXPECT_FALSE(sim.ClickButton(mw::kWindow, mw::kMaximiseButton));
  for (int t : {1, 2, 3})
    EXPECT_EQ(sim.TimerPeriod(mw::kWindow, ("时钟" + std::to_string(t)).c_str()), 0);
}

TEST_F(AppFixture, TaskMenuStartsWithOnlyStartAndDownloadAllEnabled) {
  StartApp();
  const std::vector<std::pair<const char*, bool>> expected = {{mw::kStartTask, true},
                                                              {mw::kContinueTask, false},
                                                              {mw::kPauseTask, false},
                                                              {mw::kDownloadAll, true},
                                                              {mw::kForceStop, false}};
  for (const auto& [item, enabled] : expected)
    EXPECT_EQ(sim.MenuItemEnabled(mw::kWindow, mw::kTaskMenu, item), enabled) << item;
  for (const char* item :
       {mw::kOpenFile, mw::kDeleteTask, mw::kDeleteTaskAndFile, mw::kOpenFolder, mw::kClearList})
    EXPECT_TRUE(sim.MenuItemEnabled(mw::kWindow, mw::kListMenu, item)) << item;
}

TEST_F(AppFixture, SavedRowsComeBackInOrderBeforeTheTrayIcon) {
  testing_support::WriteFileBytes(
      TestConfig(dir).iniPath,
      common::Utf8ToGbk(
          "[记录1]\r\n记录=3\r\n"
          "[资源表1]\r\n内容=甲\r\n大小=10KB\r\n进度=\r\n下载状态=未完成\r\n"
          "[资源表2]\r\n内容=乙\r\n大小=20KB\r\n进度=20KB/20KB\r\n下载状态=已下载完毕\r\n"
          "[资源表3]\r\n内容=丙\r\n大小=30KB\r\n进度=30KB/5KB\r\n下载状态=正在下载\r\n"));
  StartApp();
  const std::vector<std::vector<std::string>> expected = {{"甲", "10KB", "", "未完成"},
                                                          {"乙", "20KB", "20KB/20KB", "已下载完毕"},
                                                          {"丙", "30KB", "30KB/5KB", "正在下载"}};
  auto rows = DownloadRows();
  ASSERT_EQ(rows.size(), 3u);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].resize(5);
    EXPECT_EQ(std::vector<std::string>(rows[i].begin(), rows[i].begin() + 4), expected[i]);
    EXPECT_EQ(rows[i][4], "");  // the folder is not stored
  }
  const int lastRowWrite = sim.LogIndexOf("ListSetCell MainWindow/超级列表框2 2 3");
  const int tray = sim.LogIndexOf("SetTrayIcon");
  ASSERT_GE(lastRowWrite, 0);
  ASSERT_GE(tray, 0);
  EXPECT_LT(lastRowWrite, tray);
  EXPECT_LT(sim.LogIndexOf("Navigate"), sim.LogIndexOf("AttachBalloonTip"));
}

TEST_F(AppFixture, StartUpDoesNotWaitForTheVersionCheck) {
  net.Respond("http://content.test/update.txt", {"http://content.test/p.zip|V9.9|1", 1500, false});
  StartApp();
  // The sequence has finished although the fetch is still blocked.
  EXPECT_EQ(sim.TrayIcon(), Art::ProgramIcon);
  EXPECT_TRUE(sim.OpenedUrls().empty());
  ASSERT_TRUE(sim.WaitForThreads());
  EXPECT_EQ(sim.OpenedUrls().size(), 2u);  // page, then page again: no updater here
}

}  // namespace
}  // namespace shell::testing
