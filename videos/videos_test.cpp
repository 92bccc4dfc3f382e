// The video tutorials window and the player, driven as a user would.
#include "videos/videos.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "shell/test_app_fixture.h"

namespace videos {
namespace {

using shell::testing::AppFixture;

class VideosTest : public AppFixture {
 protected:
  void SetUp() override {
    StartApp();
    sim.WaitForThreads();
    app->Videos().LoadCatalogWindow();
  }
  std::vector<std::vector<std::string>> VideoRows() {
    sim.WaitForThreads();
    auto rows = sim.Rows(kCatalogWindow, kVideoList);
    for (auto& r : rows) r.resize(3);
    return rows;
  }
  void Serve(const char* file, const std::string& utf8Body) {
    net.Respond(std::string("http://content.test/zaixianshiping/") + file,
                common::Utf8ToGbk(utf8Body));
  }
};

TEST_F(VideosTest, EveryCourseLoadsItsCatalogAndGroupsDoNothing) {
  const std::vector<std::pair<int, const char*>> courses = {{1, "tamskjichupeixun.txt"},
                                                            {2, "tamskqianghuapeixun.txt"},
                                                            {4, "jjichu.txt"},
                                                            {5, "jjinjie.txt"},
                                                            {6, "jqianghua.txt"}};
  for (const auto& [index, file] : courses) {
    Serve(file, std::string("第一课|") + file + "|http://v.test/" + file + "\r\n");
    ASSERT_TRUE(sim.DoubleClickTreeItem(kCatalogWindow, kCourseTree, index));
    const auto rows = VideoRows();
    ASSERT_EQ(rows.size(), 1u) << file;
    EXPECT_EQ(rows[0][1], file);
  }
  const size_t fetches = net.Fetched().size();
  for (int group : {0, 3}) {
    ASSERT_TRUE(sim.DoubleClickTreeItem(kCatalogWindow, kCourseTree, group));
    EXPECT_EQ(VideoRows().size(), 1u) << "group " << group << " must keep the list";
  }
  EXPECT_EQ(net.Fetched().size(), fetches);
}

TEST_F(VideosTest, CatalogLinesFillThreeColumns) {
  Serve("jjichu.txt",
        "变量与类型|第一课的内容|http://v.test/1.html\r\n"
        "流程控制|第二课|http://v.test/2.html|多余的字段\r\n"
        "\r\n"
        "只有名字\r\n"
        "名字|内容\r\n");
  sim.DoubleClickTreeItem(kCatalogWindow, kCourseTree, 4);
  const std::vector<std::vector<std::string>> expected = {
      {"变量与类型", "第一课的内容", "http://v.test/1.html"},
      {"流程控制", "第二课", "http://v.test/2.html"},
      {"只有名字", "", ""},
      {"名字", "内容", ""}};
  EXPECT_EQ(VideoRows(), expected);
}

TEST_F(VideosTest, TheLastCourseDoubleClickedWinsOverASlowerEarlierOne) {
  net.Respond("http://content.test/zaixianshiping/jjichu.txt",
              {common::Utf8ToGbk("慢|a|u1\r\n"), 300, false});
  Serve("jjinjie.txt", "快|b|u2\r\n");
  sim.DoubleClickTreeItem(kCatalogWindow, kCourseTree, 4);
  sim.DoubleClickTreeItem(kCatalogWindow, kCourseTree, 5);
  const auto rows = VideoRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "快");
}

TEST_F(VideosTest, PlayerIsReusedWithAnEmptyAddressFirst) {
  Serve("jjichu.txt", "一|x|http://v.test/1.html\r\n二|y|http://v.test/2.html\r\n");
  sim.DoubleClickTreeItem(kCatalogWindow, kCourseTree, 4);
  VideoRows();
  ASSERT_TRUE(sim.DoubleClickRow(kCatalogWindow, kVideoList, 0));
  ASSERT_TRUE(sim.HasWindow(kPlayerWindow));
  ASSERT_TRUE(sim.DoubleClickRow(kCatalogWindow, kVideoList, 1));
  EXPECT_EQ(sim.Control(kPlayerWindow, kPlayerBrowser).addresses,
            (std::vector<std::string>{"http://v.test/1.html", "", "http://v.test/2.html"}));
}

TEST_F(VideosTest, PlayerBrowserFollowsTheOuterSize) {
  Serve("jjichu.txt", "一|x|http://v.test/1.html\r\n");
  sim.DoubleClickTreeItem(kCatalogWindow, kCourseTree, 4);
  VideoRows();
  sim.DoubleClickRow(kCatalogWindow, kVideoList, 0);
  EXPECT_EQ(sim.Control(kPlayerWindow, kPlayerBrowser).bounds, (host::Rect{0, 0, 822, 546}));
  sim.ResizeWindow(kPlayerWindow, 822, 546);
  EXPECT_EQ(sim.Control(kPlayerWindow, kPlayerBrowser).bounds, (host::Rect{0, 0, 807, 511}));
  sim.SetWindowState(kPlayerWindow, host::kWindowMaximised);
  const auto window = sim.Window(kPlayerWindow).bounds;
  EXPECT_EQ(sim.Control(kPlayerWindow, kPlayerBrowser).bounds,
            (host::Rect{0, 0, window.width - 15, window.height - 35}));
}

TEST_F(VideosTest, ToolbarOpensTheCommunityPagesAndBringsBackTheMainWindow) {
  sim.SetVisible({mw::kWindow, ""}, false);
  ASSERT_TRUE(sim.ClickToolbarButton(kCatalogWindow, kToolbar, 0));
  EXPECT_TRUE(sim.Window(mw::kWindow).visible);
  const auto video = sim.Window(kCatalogWindow).bounds;
  EXPECT_EQ(video.left, (1280 - video.width) / 2);
  for (int i = 1; i <= 4; ++i) sim.ClickToolbarButton(kCatalogWindow, kToolbar, i);
  EXPECT_EQ(sim.OpenedUrls(),
            (std::vector<std::string>{"http://community.test/thread-1804-1-1.html",
                                      "http://community.test/plugin.php?id=dsu_paulsign:sign",
                                      "http://forum.test/misc.php?mod=faq&action=faq&id=4",
                                      "http://community.test"}));
}

TEST_F(VideosTest, CloseShowsTheMainWindowAndKeepsThePlayer) {
  Serve("jjichu.txt", "一|x|http://v.test/1.html\r\n");
  sim.DoubleClickTreeItem(kCatalogWindow, kCourseTree, 4);
  VideoRows();
  sim.DoubleClickRow(kCatalogWindow, kVideoList, 0);
  sim.SetVisible({mw::kWindow, ""}, false);
  ASSERT_TRUE(sim.ClickButton(kCatalogWindow, kCloseButton));
  EXPECT_FALSE(sim.IsWindowLoaded(kCatalogWindow));
  EXPECT_TRUE(sim.Window(mw::kWindow).visible);
  EXPECT_TRUE(sim.IsWindowLoaded(kPlayerWindow));
  EXPECT_FALSE(sim.ClickButton(kCatalogWindow, kMaximiseButton));
}

TEST_F(VideosTest, HintIsAttachedToTheVideoList) {
  const auto tip = sim.Control(kCatalogWindow, kListHint);
  EXPECT_EQ(tip.balloonText, "双击教程，进入视频教学播放器");
  EXPECT_EQ(tip.balloonAttachedTo, kVideoList);
}

}  // namespace
}  // namespace videos
