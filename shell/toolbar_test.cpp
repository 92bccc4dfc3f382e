// MainWindow's toolbar and the tray menu's links.
#include "shell/toolbar.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "shell/test_app_fixture.h"
#include "videos/videos.h"

namespace shell::testing {
namespace {

class ToolbarTest : public AppFixture {
 protected:
  void SetUp() override {
    StartApp();
    sim.WaitForThreads();
  }
  bool Click(int index) { return sim.ClickToolbarButton(mw::kWindow, mw::kToolbar, index); }
  bool Tray(const char* item) {
    sim.RightClickTray(mw::kWindow);
    if (sim.OpenPopup(mw::kWindow) != mw::kTrayMenu) sim.PopupTrayMenu(mw::kWindow, mw::kTrayMenu);
    return sim.ChooseMenuItem(mw::kWindow, mw::kTrayMenu, item);
  }
  int Tab() { return sim.Control(mw::kWindow, mw::kTab).tabPage; }
  int Checked() { return sim.Control(mw::kWindow, mw::kToolbar).checkedButton; }
  bool DownloadListCoversCatalog() {
    return sim.Control(mw::kWindow, mw::kDownloadList).bounds ==
           sim.Control(mw::kWindow, mw::kCatalogList).bounds;
  }
};

TEST_F(ToolbarTest, TheThreeViews) {
  ASSERT_TRUE(Click(2));
  EXPECT_EQ(Tab(), 0);
  EXPECT_EQ(Checked(), 2);
  EXPECT_EQ(sim.Control(mw::kWindow, mw::kDownloadList).bounds.top, 536);
  sim.WaitForThreads();
  EXPECT_EQ(net.Fetched().back(), "http://content.test/kovrinjichushenru/123.txt");
  EXPECT_EQ(sim.TreeSelectedIndex(mw::Ctl(mw::kTree)), -1);

  ASSERT_TRUE(Click(1));
  EXPECT_EQ(Tab(), 1);
  EXPECT_EQ(Checked(), 1);
  EXPECT_EQ(sim.Control(mw::kWindow, mw::kBrowser).addresses.size(), 1u);  // not reloaded

  ASSERT_TRUE(Click(0));
  EXPECT_EQ(Tab(), 0);
  EXPECT_EQ(Checked(), 0);
  EXPECT_TRUE(DownloadListCoversCatalog());
}

TEST_F(ToolbarTest, PagesAndLinksOpenTheirAddresses) {
  for (int i : {3, 4, 6}) ASSERT_TRUE(Click(i));
  EXPECT_EQ(Checked(), 0);  // push buttons leave the check group alone
  for (const char* item : {mw::kRecruit, mw::kSponsor, mw::kFreeTask, mw::kContact})
    ASSERT_TRUE(Tray(item)) << item;
  EXPECT_EQ(
      sim.OpenedUrls(),
      (std::vector<std::string>{
          "http://community.test/thread-2792-1-1.html", "http://community.test/forum-46-1.html",
          "http://community.test/thread-2009-1-1.html",
          "http://community.test/thread-1804-1-1.html",
          "http://community.test/thread-2009-1-1.html", "http://task.test/home.php?mod=task",
          "tencent://Message/?uin=12345"}));
}

TEST_F(ToolbarTest, PromoteCopiesTheShareTextAndConfirms) {
  ASSERT_TRUE(Click(5));
  const std::string share =
      "我目前正在使用Kovrin宝盒，使我开发安卓程序更加方便，大家快来试试吧："
      "http://community.test/thread-2775-1-1.html";
  EXPECT_EQ(sim.Clipboard(), share);
  ASSERT_EQ(sim.MessageBoxes().size(), 1u);
  EXPECT_EQ(sim.MessageBoxes()[0].text, "已成功复制：" + share);
  EXPECT_EQ(sim.MessageBoxes()[0].title, "信息：");
}

TEST_F(ToolbarTest, VideoButtonAsksOnceThenOnlyActivates) {
  sim.ScriptAnswer(host::kMsgNo);
  ASSERT_TRUE(Click(7));
  EXPECT_TRUE(sim.IsWindowLoaded(videos::kCatalogWindow));
  EXPECT_TRUE(sim.Window(mw::kWindow).visible);
  EXPECT_LT(sim.LogIndexOf("MessageBox"), sim.LogIndexOf("LoadWindow VideoCatalogWindow"));
  ASSERT_TRUE(Click(7));
  EXPECT_EQ(sim.MessageBoxes().size(), 1u);
  EXPECT_EQ(sim.MessageBoxes()[0].title, "是否最小化");
  EXPECT_EQ(sim.Window(videos::kCatalogWindow).activations, 1);
}

TEST_F(ToolbarTest, VideoButtonYesHidesTheMainWindowToTheTray) {
  sim.ScriptAnswer(host::kMsgYes);
  ASSERT_TRUE(Click(7));
  EXPECT_EQ(sim.GetWindowState(mw::kWindow), host::kWindowMinimised);
  EXPECT_FALSE(sim.Window(mw::kWindow).visible);
  EXPECT_TRUE(sim.IsWindowLoaded(videos::kCatalogWindow));
}

TEST_F(ToolbarTest, AboutChosenTwiceGivesOneWindowBroughtForward) {
  ASSERT_TRUE(Tray(mw::kAbout));
  ASSERT_TRUE(Tray(mw::kAbout));
  ASSERT_TRUE(sim.IsWindowLoaded(kAboutWindow));
  EXPECT_EQ(sim.Window(kAboutWindow).activations, 1);
  EXPECT_EQ(sim.Control(kAboutWindow, "超级链接框1").text, "Tamsk编程平台：community.test");
  // The hyperlinks open their addresses by themselves, once.
  ASSERT_TRUE(sim.ClickButton(kAboutWindow, "超级链接框2"));
  EXPECT_EQ(sim.OpenedUrls(), std::vector<std::string>{"http://forum.test/"});
}

}  // namespace
}  // namespace shell::testing
