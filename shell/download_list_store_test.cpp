// The download list kept between runs: what a saved file restores and what a
// save writes.
#include "shell/download_list_store.h"

#include <gtest/gtest.h>

#include "common/profile_file.h"
#include "common/text.h"
#include "host/files.h"
#include "shell/test_app_fixture.h"

namespace shell::testing {
namespace {

using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

struct RestoreCase {
  const char* name;
  const char* file;  // UTF-8, written as GBK; nullptr: no file
  std::vector<std::vector<std::string>> rows;
};

void PrintTo(const RestoreCase& c, std::ostream* os) { *os << c.name; }

class RestoreTest : public AppFixture, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(RestoreTest, RestoresTheSavedRows) {
  const RestoreCase& c = GetParam();
  if (c.file) WriteFileBytes(TestConfig(dir).iniPath, common::Utf8ToGbk(c.file));
  StartApp();
  auto rows = DownloadRows();
  for (auto& row : rows) row.resize(4);
  EXPECT_EQ(rows, c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RestoreTest,
    ::testing::Values(
        RestoreCase{"NoFile", nullptr, {}},
        RestoreCase{
            "CountTwoButOneSection",
            "[记录1]\r\n记录=2\r\n[资源表1]\r\n内容=a\r\n大小=1KB\r\n进度=\r\n下载状态=未完成\r\n",
            {{"a", "1KB", "", "未完成"}, {"", "", "", ""}}},
        RestoreCase{"FractionalCountIsCut",
                    "[记录1]\r\n记录=3.9\r\n[资源表1]\r\n内容=a\r\n[资源表2]\r\n内容=b\r\n"
                    "[资源表3]\r\n内容=c\r\n[资源表4]\r\n内容=d\r\n",
                    {{"a", "", "", ""}, {"b", "", "", ""}, {"c", "", "", ""}}},
        RestoreCase{"MissingCountRestoresNothing", "[资源表1]\r\n内容=a\r\n", {}},
        RestoreCase{"NegativeOrTextCountRestoresNothing",
                    "[记录1]\r\n记录=-2\r\n[资源表1]\r\n内容=a\r\n",
                    {}},
        RestoreCase{"BlanksAroundValuesAreDropped",
                    "[记录1]\r\n记录=1\r\n[资源表1]\r\n内容=  带空格的名字  \r\n大小=\t5KB\r\n",
                    {{"带空格的名字", "5KB", "", ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

class StoreFixture : public AppFixture {
 protected:
  void AddRows(const std::vector<std::vector<std::string>>& rows) {
    const auto list = mw::Ctl(mw::kDownloadList);
    for (const auto& cells : rows) {
      const int r = sim.ListAppendRow(list);
      for (int col = 0; col < static_cast<int>(cells.size()); ++col)
        sim.ListSetCell(list, r, col, cells[col]);
    }
  }
  std::string Ini() const { return TestConfig(dir).iniPath; }
};

TEST_F(StoreFixture, SaveWritesGbkRowsThenCountWithCrLf) {
  StartApp();
  AddRows({{"安卓界面", "120KB", "120KB/60KB", "正在下载", "jar"}});
  SaveDownloadList(sim, Ini());
  const std::string bytes = ReadFileBytes(Ini());
  EXPECT_EQ(common::GbkToUtf8(bytes),
            "[资源表1]\r\n内容=安卓界面\r\n大小=120KB\r\n进度=120KB/60KB\r\n下载状态=正在下载\r\n"
            "[记录1]\r\n记录=1\r\n");
  EXPECT_NE(bytes, common::GbkToUtf8(bytes));  // GBK on disk, not UTF-8
}

TEST_F(StoreFixture, SavingFewerRowsLeavesOldSectionsButRestoresTheNewCount) {
  StartApp();
  AddRows({{"1"}, {"2"}, {"3"}, {"4"}, {"5"}});
  SaveDownloadList(sim, Ini());
  sim.ListClear(mw::Ctl(mw::kDownloadList));
  AddRows({{"a"}, {"b"}, {"c"}});
  SaveDownloadList(sim, Ini());
  EXPECT_EQ(common::ReadIniValue(Ini(), "资源表5", "内容"), "5");
  EXPECT_EQ(common::ReadIniValue(Ini(), "记录1", "记录"), "3");

  host::sim::SimHost fresh;
  host::sim::FakeNetwork freshNet;
  App next(fresh, freshNet, TestConfig(dir));
  next.Start();
  auto rows = fresh.Rows(mw::kWindow, mw::kDownloadList);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2][0], "c");
  fresh.WaitForThreads();
}

TEST_F(StoreFixture, DiscardDeletesTheFile) {
  StartApp();
  AddRows({{"a"}});
  SaveDownloadList(sim, Ini());
  ASSERT_FALSE(ReadFileBytes(Ini()).empty());
  DiscardDownloadListStore(Ini());
  EXPECT_FALSE(host::FileExists(Ini()));
}

}  // namespace
}  // namespace shell::testing
