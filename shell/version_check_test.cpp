// The version check at start-up and the tray item "检测更新".
#include "shell/version_check.h"

#include <gtest/gtest.h>

#include "common/deliverables.h"
#include "common/text.h"
#include "shell/test_app_fixture.h"

namespace shell::testing {
namespace {

constexpr const char* kVersionUrl = "http://content.test/update.txt";
constexpr const char* kProgramPage = "http://community.test/thread-2775-1-1.html";

struct VersionCase {
  const char* name;
  std::string body;  // GBK bytes as served
  bool announced;
};

void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

class VersionCheckTest : public AppFixture, public ::testing::WithParamInterface<VersionCase> {
 protected:
  void MakeUpdater() { testing_support::WriteFileBytes(dir.File(common::kUpdaterFile), "x"); }
};

TEST_P(VersionCheckTest, AnnouncesOnlyAnotherVersion) {
  MakeUpdater();
  net.Respond(kVersionUrl, GetParam().body);
  sim.SetScreenSize(1600, 900);
  StartApp();
  ASSERT_TRUE(sim.WaitForThreads());
  if (!GetParam().announced) {
    EXPECT_TRUE(sim.Balloons().empty());
    EXPECT_TRUE(sim.OpenedUrls().empty());
    EXPECT_TRUE(sim.StartedPrograms().empty());
    EXPECT_TRUE(sim.MessageBoxes().empty());
    return;
  }
  ASSERT_EQ(sim.Balloons().size(), 1u);
  const auto balloon = sim.Balloons()[0];
  EXPECT_EQ(balloon.x, 1600 - 430);
  EXPECT_EQ(balloon.y, 120);
  EXPECT_EQ(balloon.text, "Kovrin宝盒版本更新了，请到官方论坛下载最新版本吧！");
  EXPECT_EQ(sim.OpenedUrls(), std::vector<std::string>{kProgramPage});
  EXPECT_EQ(sim.StartedPrograms(), std::vector<std::string>{dir.File(common::kUpdaterFile)});
  EXPECT_TRUE(sim.MessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, VersionCheckTest,
    ::testing::Values(
        VersionCase{"SameVersion", "http://content.test/new.zip|V2.0|123", false},
        VersionCase{"NewerVersion", "http://content.test/new.zip|V2.1|123", true},
        VersionCase{"OlderVersion", "http://content.test/new.zip|V1.9|123", true},
        VersionCase{"LineEndAfterField3", "http://content.test/new.zip|V2.0|123\r\n", false},
        VersionCase{"LineEndInField2", "http://content.test/new.zip|V2.0\r\n|123", true},
        VersionCase{"LowerCase", "u|v2.0|1", true}, VersionCase{"TrailingBlank", "u|V2.0 |1", true},
        VersionCase{"ExtraFieldsIgnored", "u|V2.0|1|x|y", false},
        VersionCase{"ZeroByteEndsTheText", std::string("u|V2.1|1\0junk|", 14), true},
        VersionCase{"FailedFetch", "", false}, VersionCase{"NoSeparator", "V2.1", false},
        VersionCase{"TwoFields", "u|V2.1", false},
        VersionCase{"TwoFieldsAndSeparator", "u|V2.1|", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppFixture, MissingUpdaterIsReportedBetweenTwoPageOpenings) {
  net.Respond(kVersionUrl, "u|V3.0|1");
  StartApp();
  ASSERT_TRUE(sim.WaitForThreads());
  EXPECT_EQ(sim.Balloons().size(), 1u);
  EXPECT_TRUE(sim.StartedPrograms().empty());
  ASSERT_EQ(sim.MessageBoxes().size(), 1u);
  const auto box = sim.MessageBoxes()[0];
  EXPECT_EQ(box.text, "自动更新程序已损坏，请手动官方下载");
  EXPECT_EQ(box.title, "信息：");
  EXPECT_EQ(box.buttons, host::MsgButtons::Ok);
  EXPECT_EQ(box.icon, host::MsgIcon::None);
  EXPECT_FALSE(box.fromUiThread);
  EXPECT_EQ(sim.OpenedUrls(), (std::vector<std::string>{kProgramPage, kProgramPage}));
  const int firstPage = sim.LogIndexOf("OpenUrl");
  const int box1 = sim.LogIndexOf("MessageBox");
  EXPECT_LT(firstPage, box1);
}

TEST_F(AppFixture, CheckForUpdateStartsThePresentUpdaterWithoutAsking) {
  net.Respond(kVersionUrl, "u|V2.0|1");
  testing_support::WriteFileBytes(dir.File(common::kUpdaterFile), "x");
  StartApp();
  ASSERT_TRUE(sim.WaitForThreads());
  sim.RightClickTray(mw::kWindow);
  ASSERT_TRUE(sim.ChooseMenuItem(mw::kWindow, mw::kTrayMenu, mw::kCheckUpdate));
  EXPECT_EQ(sim.StartedPrograms(), std::vector<std::string>{dir.File(common::kUpdaterFile)});
  EXPECT_TRUE(sim.MessageBoxes().empty());
}

TEST_F(AppFixture, CheckForUpdateWithoutUpdaterExplainsAndOpensThePage) {
  StartApp();
  ASSERT_TRUE(sim.WaitForThreads());
  CheckForUpdateCommand(app->Services());
  ASSERT_EQ(sim.MessageBoxes().size(), 1u);
  EXPECT_EQ(sim.MessageBoxes()[0].text, "update.exe更新文件已被损坏，请去官方论坛重新下载更新文件");
  EXPECT_EQ(sim.MessageBoxes()[0].title, "更新");
  EXPECT_EQ(sim.OpenedUrls(), std::vector<std::string>{kProgramPage});
  EXPECT_TRUE(sim.StartedPrograms().empty());
}

}  // namespace
}  // namespace shell::testing
