// The category tree, catalog loading, the search and adding rows, on the
// simulated window system with a scripted content server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "catalog/catalog_test_support.h"

namespace {

using catalog_test::Body;
using catalog_test::CatalogUrl;
using catalog_test::Rows;
using catalog_test::Shown;
using host::MsgButtons;
using host::MsgIcon;
using host::sim::FetchScript;
using host::sim::MessageBoxShown;

constexpr int kAwayTop = 536;

class CatalogTest : public ::testing::Test {
 protected:
  CatalogTest() {
    // Message boxes wait for a scripted answer; every box here is OK-only.
    for (int i = 0; i < 16; ++i) h.sim.ScriptAnswer(host::kMsgOk);
  }

  // Serves `body` for `folder` and opens the tree item that loads it.
  void LoadFromTree(int index, const std::string& folder, const std::string& body) {
    h.net.Respond(CatalogUrl(folder), body);
    h.OpenTreeItem(index);
  }
  int ToolbarChecked() const { return h.sim.Control(mw::kWindow, mw::kToolbar).checkedButton; }
  std::string Buffer() const { return h.sim.Control(mw::kWindow, mw::kSearchBuffer).text; }

  catalog_test::MainWindowHarness<> h;
};

const std::string kJar = Body({"KovrinJAR核心包|120|2013-05-01|谢谢支持", "网络库|45|2013-05-02|好",
                               "界面扩展|7|2013-05-03|"});

// ---- Tree activation --------------------------------------------------------

TEST_F(CatalogTest, EveryCatalogItemLoadsItsFolderOnTheCatalogPage) {
  const std::vector<std::pair<int, std::string>> items = {
      {3, "jar"},
      {5, "guanfanglicheng"},
      {6, "jingpinlicheng"},
      {8, "jingpinbianchenggongju"},
      {10, "jisuanjikaoti"},
      {11, "kovkaoti"},
      {13, "kovrinjichushenru"},
      {14, "kovrinxiangguanshiping"},
  };
  const host::Rect catalogBounds = h.Bounds(mw::kCatalogList);
  for (const auto& [index, folder] : items) {
    SCOPED_TRACE(folder);
    const std::string body = Body({folder + "的资源|1|2013|r"});
    LoadFromTree(index, folder, body);
    EXPECT_EQ(h.net.Fetched().back(), CatalogUrl(folder));
    EXPECT_EQ(h.CatalogRows(), Shown(body));
    EXPECT_EQ(ToolbarChecked(), 2);
    host::Rect away = catalogBounds;
    away.top = kAwayTop;
    EXPECT_EQ(h.Bounds(mw::kDownloadList), away);
    EXPECT_EQ(h.Bounds(mw::kCatalogList), catalogBounds);
    EXPECT_EQ(h.sim.Control(mw::kWindow, mw::kTree).treeSelected, index);
  }
  EXPECT_EQ(h.net.Fetched().size(), items.size());
  EXPECT_TRUE(h.sim.MessageBoxes().empty());
}

TEST_F(CatalogTest, GroupItemsAndEmptySpaceWithoutSelectionDoNothing) {
  h.sim.DoubleClickTreeEmptySpace(mw::kWindow, mw::kTree);  // nothing selected: -1
  h.sim.WaitForThreads();
  EXPECT_TRUE(h.net.Fetched().empty());
  EXPECT_EQ(ToolbarChecked(), 0);

  LoadFromTree(3, "jar", kJar);
  const host::Rect downloadBounds = h.Bounds(mw::kDownloadList);
  for (int group : {2, 4, 7, 9, 12}) {
    SCOPED_TRACE(group);
    h.OpenTreeItem(group);
    h.sim.DoubleClickTreeEmptySpace(mw::kWindow, mw::kTree);  // acts on the same group item
    h.sim.WaitForThreads();
    EXPECT_EQ(h.net.Fetched().size(), 1u);
    EXPECT_EQ(h.CatalogRows(), Shown(kJar));
    EXPECT_EQ(h.Bounds(mw::kDownloadList), downloadBounds);
    EXPECT_EQ(ToolbarChecked(), 2);
  }
  EXPECT_EQ(h.sim.ThreadsStarted(), 1);
}

TEST_F(CatalogTest, DownloadPageItemCoversTheCatalogListAndACategoryMovesItAway) {
  LoadFromTree(3, "jar", kJar);
  h.sim.SelectTabPage(mw::Ctl(mw::kTab), 0);
  h.OpenTreeItem(0);
  EXPECT_EQ(ToolbarChecked(), 0);
  EXPECT_EQ(h.Bounds(mw::kDownloadList), h.Bounds(mw::kCatalogList));
  EXPECT_EQ(h.CatalogRows(), Shown(kJar));  // both lists keep their rows
  EXPECT_EQ(h.net.Fetched().size(), 1u);

  const std::string examples = Body({"例程一|3|2014|r"});
  LoadFromTree(5, "guanfanglicheng", examples);
  EXPECT_EQ(ToolbarChecked(), 2);
  EXPECT_EQ(h.Bounds(mw::kDownloadList).top, kAwayTop);
  EXPECT_EQ(h.CatalogRows(), Shown(examples));
}

TEST_F(CatalogTest, DownloadPageCopiesTheCatalogListBoundsInOrder) {
  const host::ControlRef catalogList = mw::Ctl(mw::kCatalogList);
  h.sim.SetBounds(catalogList, host::Bound::Left, 170);
  h.sim.SetBounds(catalogList, host::Bound::Top, 9);
  h.sim.SetBounds(catalogList, host::Bound::Width, 600);
  h.sim.SetBounds(catalogList, host::Bound::Height, 300);
  h.catalog.ShowCatalogPage();
  h.sim.ClearLog();
  h.catalog.ShowDownloadPage();
  EXPECT_EQ(h.Bounds(mw::kDownloadList), (host::Rect{170, 9, 600, 300}));

  std::vector<std::string> sets;
  for (const std::string& line : h.sim.Log())
    if (line.rfind("SetBounds", 0) == 0) sets.push_back(line);
  ASSERT_EQ(sets.size(), 4u);
  const char* order[] = {"Left", "Width", "Height", "Top"};
  for (int i = 0; i < 4; ++i) EXPECT_NE(sets[i].find(order[i]), std::string::npos) << sets[i];
}

TEST_F(CatalogTest, TrainingItemOpensOneTrainingWindowAndChangesNothingElse) {
  LoadFromTree(3, "jar", kJar);
  const host::Rect downloadBounds = h.Bounds(mw::kDownloadList);
  h.OpenTreeItem(1);
  ASSERT_TRUE(h.sim.HasWindow(catalog::kTrainingWindow));
  host::sim::SimWindow training = h.sim.Window(catalog::kTrainingWindow);
  EXPECT_FALSE(training.modal);
  EXPECT_EQ(training.def.title, "论坛最新大型培训 （赞助论坛即可有资格参加）");
  EXPECT_EQ(h.Bounds(mw::kDownloadList), downloadBounds);
  EXPECT_EQ(ToolbarChecked(), 2);
  EXPECT_EQ(h.CatalogRows(), Shown(kJar));
  EXPECT_EQ(h.net.Fetched().size(), 1u);

  const int activations = training.activations;
  h.OpenTreeItem(1);  // only brings the open window forward
  EXPECT_TRUE(h.sim.HasWindow(catalog::kTrainingWindow));
  EXPECT_GT(h.sim.Window(catalog::kTrainingWindow).activations, activations);
  EXPECT_EQ(h.sim.ThreadsStarted(), 1);
}

TEST(TrainingWindowTest, LayoutIsAFixedDialogWithTheTrainingPage) {
  common::Config config = catalog_test::TestConfig();
  const host::WindowDef def = catalog::TrainingWindowDef(config);
  EXPECT_EQ(def.name, catalog::kTrainingWindow);
  EXPECT_EQ(def.style, host::WindowStyle::FixedDialog);
  EXPECT_EQ(def.rect.width, 955);
  EXPECT_EQ(def.rect.height, 436);
  ASSERT_EQ(def.controls.size(), 1u);
  const host::ControlDef& browser = def.controls[0];
  EXPECT_EQ(browser.kind, host::ControlKind::Browser);
  EXPECT_EQ(browser.rect, (host::Rect{0, 0, 952, 414}));
  EXPECT_EQ(browser.address, "http://community.test/培训项目.html");
  EXPECT_TRUE(def.events.empty());
}

// ---- Loading ----------------------------------------------------------------

TEST_F(CatalogTest, FailedFetchLeavesAnEmptyCatalogPageAndReportsNothing) {
  LoadFromTree(3, "jar", kJar);
  h.net.Respond(CatalogUrl("kovkaoti"), FetchScript{"", 0, true});
  h.OpenTreeItem(11);
  EXPECT_EQ(h.net.Fetched().back(), CatalogUrl("kovkaoti"));
  EXPECT_TRUE(h.CatalogRows().empty());
  EXPECT_EQ(h.Bounds(mw::kDownloadList).top, kAwayTop);
  EXPECT_EQ(ToolbarChecked(), 2);
  EXPECT_TRUE(h.sim.MessageBoxes().empty());

  // Double-clicking again retries.
  LoadFromTree(11, "kovkaoti", Body({"考题|1|2|3"}));
  EXPECT_EQ(h.CatalogRows(), Shown(Body({"考题|1|2|3"})));
}

TEST_F(CatalogTest, ListIsEmptyWhileTheCatalogIsOnItsWay) {
  LoadFromTree(3, "jar", kJar);
  h.net.Respond(CatalogUrl("kovkaoti"), FetchScript{Body({"考题|1|2|3"}), 300, false});
  h.sim.DoubleClickTreeItem(mw::kWindow, mw::kTree, 11);
  while (h.net.Fetched().size() < 2) std::this_thread::yield();
  EXPECT_TRUE(h.CatalogRows().empty());
  h.sim.WaitForThreads();
  EXPECT_EQ(h.CatalogRows(), Shown(Body({"考题|1|2|3"})));
}

TEST_F(CatalogTest, MalformedCatalogsFillTheListWithoutEndingTheProgram) {
  const std::string errorPage = "<html><body>\r\n<h1>502 Bad Gateway</h1>\r\n\r\n</body></html>";
  LoadFromTree(13, "kovrinjichushenru", errorPage);
  EXPECT_EQ(h.CatalogRows(), (Rows{{"<html><body>", "", "", ""},
                                   {"<h1>502 Bad Gateway</h1>", "", "", ""},
                                   {"</body></html>", "", "", ""}}));

  LoadFromTree(14, "kovrinxiangguanshiping", "\xFF\xFE\x81|1\r\n\x81");
  const Rows rows = h.CatalogRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NE(rows[0][0].find("\xEF\xBF\xBD"), std::string::npos);
  EXPECT_EQ(rows[1][0], "\xEF\xBF\xBD");
}

// A host whose threads start only when the test says so, in any order: the
// worst timing a scheduler could produce for the steps of several loads.
class HeldThreadsHost : public host::sim::SimHost {
 public:
  void StartThread(std::function<void()> routine) override { held.push_back(std::move(routine)); }
  std::vector<std::function<void()>> held;
};

TEST(CatalogSupersedeTest, LastRequestedCatalogWinsWhateverOrderTheLoadsRunIn) {
  const std::vector<std::pair<int, std::string>> requests = {
      {3, "jar"}, {11, "kovkaoti"}, {5, "guanfanglicheng"}};
  std::vector<int> order = {0, 1, 2};
  do {
    SCOPED_TRACE(::testing::PrintToString(order));
    catalog_test::MainWindowHarness<HeldThreadsHost> h;
    for (const auto& [index, folder] : requests) {
      h.net.Respond(CatalogUrl(folder), Body({folder + "|1|t|r", folder + "-2|2|t|r"}));
      h.sim.DoubleClickTreeItem(mw::kWindow, mw::kTree, index);
    }
    ASSERT_EQ(h.sim.held.size(), requests.size());
    for (int i : order) h.sim.held[i]();
    EXPECT_EQ(h.CatalogRows(), Shown(Body({"guanfanglicheng|1|t|r", "guanfanglicheng-2|2|t|r"})));
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(CatalogTest, SlowFirstLoadDoesNotOverwriteAFastSecondOne) {
  const std::string slow = Body({"慢|1|t|r", "慢2|2|t|r", "慢3|3|t|r"});
  const std::string fast = Body({"快|9|t|r"});
  h.net.Respond(CatalogUrl("jar"), FetchScript{slow, 200, false});
  h.net.Respond(CatalogUrl("kovkaoti"), FetchScript{fast, 0, false});
  h.sim.DoubleClickTreeItem(mw::kWindow, mw::kTree, 3);
  h.sim.DoubleClickTreeItem(mw::kWindow, mw::kTree, 11);
  h.sim.WaitForThreads();
  EXPECT_EQ(h.CatalogRows(), Shown(fast));

  // The add command records the folder of what is on view.
  h.sim.DoubleClickRow(mw::kWindow, mw::kCatalogList, 0);
  ASSERT_EQ(h.DownloadRows().size(), 1u);
  EXPECT_EQ(h.DownloadRows()[0][mw::kColFolder], "kovkaoti");
}

// Many loads with random small delays while the UI thread keeps searching and
// looking: the list is at every moment empty or one whole catalog, and ends
// with the last one requested.
TEST_F(CatalogTest, ConcurrentLoadsNeverShowAMixedOrHalfWrittenList) {
  const std::vector<std::pair<int, std::string>> items = {
      {3, "jar"}, {5, "guanfanglicheng"}, {10, "jisuanjikaoti"}, {13, "kovrinjichushenru"}};
  std::vector<std::string> bodies;
  std::vector<Rows> catalogs;
  for (const auto& [index, folder] : items) {
    std::vector<std::string> lines;
    for (int i = 0; i < 6; ++i)
      lines.push_back(folder + "-" + std::to_string(i) + "|" + std::to_string(i) + "|t|r");
    bodies.push_back(Body(lines));
    catalogs.push_back(Shown(bodies.back()));
  }
  auto wholeCatalog = [&](const Rows& rows) {
    return rows.empty() || std::find(catalogs.begin(), catalogs.end(), rows) != catalogs.end();
  };

  unsigned seed = 12345;
  auto next = [&seed](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int iteration = 0; iteration < 150; ++iteration) {
    SCOPED_TRACE(iteration);
    const int loads = 2 + static_cast<int>(next(3));
    int last = 0;
    for (int l = 0; l < loads; ++l) {
      last = static_cast<int>(next(items.size()));
      const auto& [index, folder] = items[last];
      h.net.Respond(CatalogUrl(folder),
                    FetchScript{bodies[last], static_cast<int>(next(4)), false});
      h.sim.DoubleClickTreeItem(mw::kWindow, mw::kTree, index);
    }
    // An empty keyword keeps every row: the search must rebuild the same
    // whole catalog, never a mix with a load's rows.
    h.sim.TypeText(mw::kWindow, mw::kSearchBox, "");
    while (!h.sim.WaitForThreads(0)) {
      h.sim.ScriptAnswer(host::kMsgOk);  // the search of an empty list tells so
      h.sim.ClickButton(mw::kWindow, mw::kSearchButton);
      ASSERT_TRUE(wholeCatalog(h.CatalogRows()));
    }
    ASSERT_EQ(h.CatalogRows(), catalogs[last]);
  }
}

// ---- Search -----------------------------------------------------------------

struct SearchCase {
  const char* what;
  std::string body;  // GBK
  std::string keyword;
  std::vector<int> kept;  // indexes into the loaded rows; empty: none matches
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.what; }

class CatalogSearchTest : public CatalogTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(CatalogSearchTest, KeepsTheRowsWhoseNameBeginsWithTheKeyword) {
  const SearchCase& c = GetParam();
  LoadFromTree(3, "jar", c.body);
  const Rows loaded = h.CatalogRows();

  h.Search(c.keyword);

  if (c.kept.empty()) {
    EXPECT_EQ(h.CatalogRows(), loaded);
    ASSERT_EQ(h.sim.MessageBoxes().size(), 1u);
    const MessageBoxShown box = h.sim.MessageBoxes()[0];
    EXPECT_EQ(box.text, "您搜索的教程关键字未查询到，请您重新整理查询...");
    EXPECT_EQ(box.title, "查询");
    EXPECT_EQ(box.icon, MsgIcon::None);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(Buffer(), "");
    return;
  }
  Rows expected;
  std::string buffer;
  for (int i : c.kept) {
    expected.push_back(loaded[i]);
    buffer += loaded[i][0] + "|" + loaded[i][1] + "|" + loaded[i][2] + "|" + loaded[i][3] + "\r\n";
  }
  EXPECT_EQ(h.CatalogRows(), expected);
  EXPECT_EQ(Buffer(), buffer);
  EXPECT_TRUE(h.sim.MessageBoxes().empty());
  EXPECT_EQ(h.sim.Control(mw::kWindow, mw::kSearchBox).text, c.keyword);  // not cleared
}

const std::string kAlpha = Body({"Alpha|1|2013|r1", "Beta|2|2014|Alpha", "alphabet|3|Al|r3"});

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogSearchTest,
    ::testing::Values(
        SearchCase{"prefix without case, order kept", kAlpha, "al", {0, 2}},
        SearchCase{"inside a name only", kAlpha, "pha", {}},
        SearchCase{"columns 1 to 3 are not searched", Body({"Beta|2|Alpha|Alpha"}), "Al", {}},
        SearchCase{"empty keyword keeps every row", kAlpha, "", {0, 1, 2}},
        SearchCase{"keyword not trimmed", kAlpha, "al ", {}},
        SearchCase{
            "Chinese prefix", Body({"教程一|1|t|r", "例程|2|t|r", "教程二|3|t|r"}), "教程", {0, 2}},
        // 丄 is GBK 81 41 and 乤 is 81 61: trail bytes that look like A and a.
        SearchCase{"GBK trail bytes are not Latin letters", Body({"丄号|1|t|r"}), "乤", {}},
        SearchCase{"GBK character matches itself", Body({"丄号|1|t|r", "乤|2|t|r"}), "丄", {0}},
        SearchCase{"empty last cell stays empty",
                   Body({"Alpha|1|t|", "Beta|2|t|r", "Alps|3|u||"}),
                   "Al",
                   {0, 2}},
        // The first name holds a "|" after a replaced invalid byte.
        SearchCase{
            "cells survive the buffer unchanged", "\xFF|x|1|t|r\r\nB|2|u|s\r\n", "", {0, 1}}),
    [](const ::testing::TestParamInfo<SearchCase>& info) {
      std::string name = info.param.what;
      std::replace_if(
          name.begin(), name.end(),
          [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
      return name;
    });

TEST_F(CatalogTest, SearchOfAnEmptyListAsksForACategory) {
  h.sim.SetText(mw::Ctl(mw::kSearchBuffer), "old|1KB|t|r\r\n");
  h.Search("al");
  ASSERT_EQ(h.sim.MessageBoxes().size(), 1u);
  const MessageBoxShown box = h.sim.MessageBoxes()[0];
  EXPECT_EQ(box.text, "您好，请您先选择培训版块");
  EXPECT_EQ(box.title, "查询");
  EXPECT_EQ(box.icon, MsgIcon::None);
  EXPECT_EQ(box.buttons, MsgButtons::Ok);
  EXPECT_EQ(Buffer(), "");
  EXPECT_TRUE(h.CatalogRows().empty());
}

TEST_F(CatalogTest, EnterInTheSearchBoxSearchesOtherKeysDoNot) {
  LoadFromTree(3, "jar", kAlpha);
  h.sim.TypeText(mw::kWindow, mw::kSearchBox, "al");
  h.sim.PressKey(mw::kWindow, mw::kSearchBox, 'A');
  h.sim.PressKey(mw::kWindow, mw::kSearchBox, 10);
  EXPECT_EQ(h.CatalogRows().size(), 3u);
  h.sim.PressKey(mw::kWindow, mw::kSearchBox, host::kKeyEnter);
  EXPECT_EQ(h.CatalogRows(),
            (Rows{{"Alpha", "1KB", "2013", "r1"}, {"alphabet", "3KB", "Al", "r3"}}));
  EXPECT_TRUE(h.sim.MessageBoxes().empty());
}

TEST_F(CatalogTest, SuccessiveSearchesNarrowAndALoadBringsEverythingBack) {
  const std::string body = Body({"Alpha|1|t|r", "Alps|2|t|r", "alphabet|3|t|r", "Beta|4|t|r"});
  LoadFromTree(3, "jar", body);
  h.Search("a");
  EXPECT_EQ(h.CatalogRows().size(), 3u);
  h.Search("alp");
  EXPECT_EQ(h.CatalogRows().size(), 3u);
  h.Search("ALPHA");
  EXPECT_EQ(h.CatalogRows(), (Rows{{"Alpha", "1KB", "t", "r"}, {"alphabet", "3KB", "t", "r"}}));
  h.Search("Beta");  // gone since the first narrowing
  EXPECT_EQ(h.CatalogRows().size(), 2u);
  EXPECT_EQ(h.sim.MessageBoxes().size(), 1u);

  LoadFromTree(3, "jar", body);
  EXPECT_EQ(h.CatalogRows(), Shown(body));
}

// ---- Adding to the download list -------------------------------------------

TEST_F(CatalogTest, ActivatedRowGoesToTheDownloadListWithItsFolder) {
  LoadFromTree(3, "jar", kJar);
  ASSERT_TRUE(h.sim.DoubleClickRow(mw::kWindow, mw::kCatalogList, 1));
  EXPECT_EQ(h.DownloadRows(), (Rows{{"网络库", "45KB", "", "未完成", "jar"}}));
  ASSERT_EQ(h.sim.MessageBoxes().size(), 1u);
  const MessageBoxShown box = h.sim.MessageBoxes()[0];
  EXPECT_EQ(box.text, "欲下载资源添加成功，请进入下载页面下载");
  EXPECT_EQ(box.title, "添加资源");
  EXPECT_EQ(box.icon, MsgIcon::Information);
  EXPECT_EQ(box.buttons, MsgButtons::Ok);
  // The view is not switched.
  EXPECT_EQ(h.Bounds(mw::kDownloadList).top, kAwayTop);
  EXPECT_EQ(ToolbarChecked(), 2);
}

TEST_F(CatalogTest, RowsAreAppendedAfterExistingOnesAndDuplicatesAreKept) {
  const host::ControlRef downloads = mw::Ctl(mw::kDownloadList);
  for (int i = 0; i < 3; ++i) {
    const int n = h.sim.ListAppendRow(downloads);
    h.sim.ListSetCell(downloads, n, 0, "old" + std::to_string(i));
  }
  const Rows before = h.DownloadRows();
  LoadFromTree(8, "jingpinbianchenggongju", Body({"工具|2048|2013|r"}));
  h.sim.DoubleClickRow(mw::kWindow, mw::kCatalogList, 0);
  h.sim.SelectRow(mw::kWindow, mw::kCatalogList, 0);
  h.sim.PressEnterInList(mw::kWindow, mw::kCatalogList);

  const Rows rows = h.DownloadRows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(Rows(rows.begin(), rows.begin() + 3), before);
  const std::vector<std::string> added = {"工具", "2048KB", "", "未完成", "jingpinbianchenggongju"};
  EXPECT_EQ(rows[3], added);
  EXPECT_EQ(rows[4], added);
  EXPECT_EQ(h.sim.MessageBoxes().size(), 2u);
}

TEST_F(CatalogTest, EmptyCatalogListOrNoSelectedRowAddsNothingAndSaysNothing) {
  h.catalog.AddToDownloadList();
  h.net.Respond(CatalogUrl("jar"), FetchScript{"", 0, true});
  h.OpenTreeItem(3);
  h.catalog.AddToDownloadList();
  // An activation with no row selected would otherwise add a nameless row
  // that can never be downloaded.
  LoadFromTree(3, "jar", kJar);
  ASSERT_EQ(h.sim.ListSelectedRow(mw::Ctl(mw::kCatalogList)), -1);
  h.catalog.AddToDownloadList();
  EXPECT_TRUE(h.DownloadRows().empty());
  EXPECT_TRUE(h.sim.MessageBoxes().empty());
}

// The row must carry the folder of the catalog it came from, wherever the
// tree's selection has moved since.
TEST_F(CatalogTest, AddedRowCarriesTheFolderOfTheCatalogOnView) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    const char* folder;
  };
  const std::string base = Body({"Kovrin入门|300|2013|r"});
  auto toolbarLoad = [&] {
    h.net.Respond(CatalogUrl("kovrinjichushenru"), base);
    h.catalog.ShowCatalogPage();
    h.catalog.StartLoadCatalog("kovrinjichushenru");
    h.sim.WaitForThreads();
  };
  const Case cases[] = {
      {"toolbar load without a tree selection", toolbarLoad, "kovrinjichushenru"},
      {"toolbar load after a tree load",
       [&] {
         LoadFromTree(3, "jar", kJar);
         toolbarLoad();
       },
       "kovrinjichushenru"},
      {"selection moved to the training item",
       [&] {
         LoadFromTree(3, "jar", kJar);
         h.OpenTreeItem(1);
       },
       "jar"},
      {"selection moved to a group item",
       [&] {
         LoadFromTree(3, "jar", kJar);
         h.OpenTreeItem(7);
       },
       "jar"},
      {"selection moved to another category without opening it",
       [&] {
         LoadFromTree(3, "jar", kJar);
         h.sim.SelectTreeItem(mw::kWindow, mw::kTree, 5);
       },
       "jar"},
      {"after a search",
       [&] {
         LoadFromTree(6, "jingpinlicheng", kJar);
         h.Search("网");
       },
       "jingpinlicheng"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.arrange();
    h.sim.DoubleClickRow(mw::kWindow, mw::kCatalogList, 0);
    ASSERT_FALSE(h.DownloadRows().empty());
    EXPECT_EQ(h.DownloadRows().back()[mw::kColFolder], c.folder);
  }
}

}  // namespace
