// The title-bar buttons, the tray icon and the two ways to end the program.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/profile_file.h"
#include "common/text.h"
#include "shell/test_app_fixture.h"

namespace shell::testing {
namespace {

namespace fs = std::filesystem;
using host::Art;

class TrayExitTest : public AppFixture {
 protected:
  void SetUp() override { StartApp(); }
  std::string Ini() const { return app->Services().config.iniPath; }
  void AddRow(const std::string& name, const std::string& state) {
    const auto list = mw::Ctl(mw::kDownloadList);
    const int n = sim.ListAppendRow(list);
    sim.ListSetCell(list, n, mw::kColName, name);
    sim.ListSetCell(list, n, mw::kColSize, "10KB");
    sim.ListSetCell(list, n, mw::kColState, state);
    sim.ListSetCell(list, n, mw::kColFolder, "jar");
  }
  void StartDownload(int row) {
    ASSERT_TRUE(sim.DoubleClickRow(mw::kWindow, mw::kDownloadList, row));
    ASSERT_TRUE(sim.ChooseMenuItem(mw::kWindow, mw::kTaskMenu, mw::kStartTask));
    net.SetReceived(3 * 1024);
    sim.Advance(1);
  }
  std::vector<std::string> DownloadCalls() const {
    auto state = net.DownloadState(0);
    std::lock_guard lk(state->mutex);
    return state->calls;
  }
  bool Quit() {
    if (!sim.RightClickTray(mw::kWindow)) return false;
    return sim.ChooseMenuItem(mw::kWindow, mw::kTrayMenu, mw::kQuit);
  }
};

TEST_F(TrayExitTest, CloseWithAnEmptyListEndsWithoutAQuestion) {
  ASSERT_TRUE(sim.ClickButton(mw::kWindow, mw::kCloseButton));
  EXPECT_EQ(net.DisconnectFtpCalls(), 1);
  EXPECT_TRUE(sim.MessageBoxes().empty());
  EXPECT_EQ(sim.TrayIcon(), Art::None);
  EXPECT_TRUE(sim.Exited());
  EXPECT_EQ(sim.ExitCode(), 0);
  EXPECT_LT(sim.LogIndexOf("SetTrayIcon MainWindow None"), sim.LogIndexOf("ExitProcess 0"));
  EXPECT_FALSE(fs::exists(Ini()));
  EXPECT_EQ(DownloadCalls(), std::vector<std::string>{"CloseDownload"});
}

TEST_F(TrayExitTest, CloseWithRowsSavesTheListOnlyWhenAnsweredYes) {
  const std::string earlier = common::Utf8ToGbk("[记录1]\r\n记录=1\r\n[资源表1]\r\n内容=旧\r\n");
  for (int answer : {host::kMsgYes, host::kMsgNo}) {
    const bool yes = answer == host::kMsgYes;
    SCOPED_TRACE(yes ? "Yes" : "No");
    testing_support::TempDir runDir;
    host::sim::SimHost ui;
    host::sim::FakeNetwork network;
    App program(ui, network, TestConfig(runDir));
    program.Start();
    const std::string ini = program.Services().config.iniPath;
    testing_support::WriteFileBytes(ini, earlier);
    const auto list = mw::Ctl(mw::kDownloadList);
    for (const char* name : {"甲", "乙"}) {
      const int n = ui.ListAppendRow(list);
      ui.ListSetCell(list, n, mw::kColName, name);
      ui.ListSetCell(list, n, mw::kColState, mw::kStateNotDone);
    }
    ui.ScriptAnswer(answer);
    ASSERT_TRUE(ui.ClickButton(mw::kWindow, mw::kCloseButton));

    ASSERT_EQ(ui.MessageBoxes().size(), 1u);
    const auto box = ui.MessageBoxes()[0];
    EXPECT_EQ(box.text, "是否保存下载页面的资源信息");
    EXPECT_EQ(box.buttons, host::MsgButtons::YesNo);
    EXPECT_EQ(box.icon, host::MsgIcon::None);
    EXPECT_EQ(box.title, "保存");
    EXPECT_EQ(network.DisconnectFtpCalls(), 1);
    EXPECT_EQ(ui.TrayIcon(), Art::None);
    EXPECT_TRUE(ui.Exited());
    if (yes) {
      EXPECT_EQ(common::ReadIniValue(ini, "记录1", "记录"), "2");
      EXPECT_EQ(common::ReadIniValue(ini, "资源表1", "内容"), "甲");
      EXPECT_EQ(common::ReadIniValue(ini, "资源表2", "内容"), "乙");
    } else {
      EXPECT_EQ(testing_support::ReadFileBytes(ini), earlier);
    }
    ui.WaitForThreads();
  }
}

TEST_F(TrayExitTest, CloseDuringADownloadSavesItAsRunningThenStopsIt) {
  AddRow("甲", mw::kStateNotDone);
  StartDownload(0);
  sim.ScriptAnswer(host::kMsgYes);
  ASSERT_TRUE(sim.ClickButton(mw::kWindow, mw::kCloseButton));
  EXPECT_EQ(common::ReadIniValue(Ini(), "资源表1", "下载状态"), "正在下载");
  EXPECT_EQ(common::ReadIniValue(Ini(), "资源表1", "进度"), "10KB/3KB");
  EXPECT_EQ(DownloadCalls().back(), "CloseDownload");
  EXPECT_TRUE(sim.Exited());
  // Nothing runs after the end, and nothing crashes if the clock goes on.
  sim.Advance(100);
}

TEST_F(TrayExitTest, MinimiseHidesToTheTrayAndDoubleClickBringsItBackCentred) {
  ASSERT_TRUE(sim.ClickButton(mw::kWindow, mw::kMinimiseButton));
  auto w = sim.Window(mw::kWindow);
  EXPECT_EQ(w.state, host::kWindowMinimised);
  EXPECT_FALSE(w.visible);

  EXPECT_TRUE(sim.SingleClickTray(mw::kWindow));
  EXPECT_FALSE(sim.Window(mw::kWindow).visible);

  const int focusBefore = sim.Window(mw::kWindow).focusCount;
  ASSERT_TRUE(sim.DoubleClickTray(mw::kWindow));
  w = sim.Window(mw::kWindow);
  EXPECT_TRUE(w.visible);
  EXPECT_EQ(w.state, host::kWindowNormal);
  EXPECT_EQ(w.focusCount, focusBefore + 1);
  EXPECT_EQ(w.bounds.left, (1280 - w.bounds.width) / 2);
  EXPECT_EQ(w.bounds.top, (800 - w.bounds.height) / 2);
  EXPECT_LT(sim.LogIndexOf("SetVisible MainWindow 1"),
            sim.LogIndexOf("SetWindowState MainWindow 1"));

  // The system's own minimise hides it as well; a double-click on a window
  // already on screen centres it.
  ASSERT_TRUE(sim.Minimise(mw::kWindow));
  EXPECT_FALSE(sim.Window(mw::kWindow).visible);
  ASSERT_TRUE(sim.DoubleClickTray(mw::kWindow));
  sim.SetBounds(mw::Ctl(""), host::Bound::Left, 3);
  EXPECT_TRUE(sim.Window(mw::kWindow).visible);  // moving is no minimising
  ASSERT_TRUE(sim.DoubleClickTray(mw::kWindow));
  EXPECT_EQ(sim.Window(mw::kWindow).bounds.left, (1280 - w.bounds.width) / 2);
}

TEST_F(TrayExitTest, RightClickOnTheTrayIconPopsUpTheTrayMenu) {
  ASSERT_TRUE(sim.RightClickTray(mw::kWindow));
  const auto popups = sim.Popups();
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popups[0].menu, mw::kTrayMenu);
  EXPECT_TRUE(popups[0].tray);
  EXPECT_EQ(sim.OpenPopup(mw::kWindow), mw::kTrayMenu);
}

TEST_F(TrayExitTest, QuitAsksOnlyWhileADownloadIsActive) {
  struct Case {
    const char* what;
    bool download;
    bool pause;
    int answer;  // -1: no question expected
    bool exits;
  };
  const std::vector<Case> cases = {
      {"nothing downloading", false, false, -1, true},
      {"downloading, Yes", true, false, host::kMsgYes, true},
      {"downloading, No", true, false, host::kMsgNo, false},
      {"paused, No", true, true, host::kMsgNo, false},
      {"paused, Yes", true, true, host::kMsgYes, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::TempDir runDir;
    host::sim::SimHost ui;
    host::sim::FakeNetwork network;
    App program(ui, network, TestConfig(runDir));
    program.Start();
    const auto list = mw::Ctl(mw::kDownloadList);
    ui.ListSetCell(list, ui.ListAppendRow(list), mw::kColName, "甲");
    if (c.download) {
      ASSERT_TRUE(ui.DoubleClickRow(mw::kWindow, mw::kDownloadList, 0));
      ASSERT_TRUE(ui.ChooseMenuItem(mw::kWindow, mw::kTaskMenu, mw::kStartTask));
    }
    if (c.pause) {
      ASSERT_TRUE(ui.DoubleClickRow(mw::kWindow, mw::kDownloadList, 0));
      ASSERT_TRUE(ui.ChooseMenuItem(mw::kWindow, mw::kTaskMenu, mw::kPauseTask));
    }
    if (c.answer >= 0) ui.ScriptAnswer(c.answer);
    ASSERT_TRUE(ui.RightClickTray(mw::kWindow));
    ASSERT_TRUE(ui.ChooseMenuItem(mw::kWindow, mw::kTrayMenu, mw::kQuit));

    const auto boxes = ui.MessageBoxes();
    ASSERT_EQ(boxes.size(), c.answer >= 0 ? 1u : 0u);
    if (!boxes.empty()) {
      EXPECT_EQ(boxes[0].text, "目前有任务正在下载中，是否强行关闭");
      EXPECT_EQ(boxes[0].buttons, host::MsgButtons::YesNo);
      EXPECT_EQ(boxes[0].icon, host::MsgIcon::None);
      EXPECT_EQ(boxes[0].title, "关闭");
    }
    EXPECT_EQ(ui.Exited(), c.exits);
    // This way out neither saves nor removes the tray icon itself.
    EXPECT_FALSE(fs::exists(program.Services().config.iniPath));
    EXPECT_EQ(ui.TrayIcon(), Art::ProgramIcon);
    auto download = network.DownloadState(0);
    std::lock_guard lk(download->mutex);
    EXPECT_EQ(download->closed, c.exits);
    if (c.download && !c.pause) {
      EXPECT_EQ(download->hasTask, !c.exits);
    }
    ui.WaitForThreads();
  }
}

}  // namespace
}  // namespace shell::testing
