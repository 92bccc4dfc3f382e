// Resource names from the remote catalog never reach a file outside the
// resource folder.
#include "downloads/resource_name.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "downloads/download_test_support.h"

namespace downloads::testing {
namespace {

namespace fs = std::filesystem;
using testing_support::WriteFileBytes;

TEST(ResourceName, PlainNamesPassAndEscapingNamesDoNot) {
  for (const char* name :
       {"", "甲", "Kovrin入门 教程 V1.2", "a.b.c", "CONSOLE", "COM0", "名字(1)", "100%", "a b"}) {
    EXPECT_TRUE(IsSafeResourceName(name)) << name;
  }
  for (const char* name : {"../victim",   "..\\victim",
                           "a/b",         "a\\b",
                           "/etc/passwd", "\\\\server\\share\\x",
                           "C:x",         "C:\\Windows\\x",
                           "c:/x",        "..",
                           "...",         "a..b",
                           "name:stream", "CON",
                           "nul",         "Aux.tar",
                           "com1",        "LPT9",
                           "con ",        "tab\there",
                           "new\nline"}) {
    EXPECT_FALSE(IsSafeResourceName(name)) << name;
  }
}

// A row named so that its package path would leave the resource folder is
// refused with a message, and nothing is written, deleted or opened.
class UnsafeNameTest : public DownloadTest {
 protected:
  void SetUp() override {
    AddRows({{"../victim", "10KB"}});
    // Where "../victim" + ".zip" would point: beside the resource folder.
    victim = common::JoinPath(dir.path(), "victim.zip");
    WriteFileBytes(victim, "not ours");
    sim.ClearLog();
  }
  void ExpectRefusedOnce() {
    const auto boxes = sim.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kUnsafeNameMessage);
    EXPECT_EQ(boxes[0].buttons, host::MsgButtons::Ok);
    EXPECT_EQ(boxes[0].icon, host::MsgIcon::Information);
    EXPECT_EQ(boxes[0].title, "提示");
    EXPECT_TRUE(fs::exists(victim));
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(sim.ShellOpened().empty());
  }
  std::string victim;
};

TEST_F(UnsafeNameTest, StartTaskIsRefusedBeforeAnythingChanges) {
  ASSERT_TRUE(Task(mw::kStartTask, 0));
  ExpectRefusedOnce();
  EXPECT_EQ(Cell(0, mw::kColState), mw::kStateNotDone);
  EXPECT_FALSE(fs::exists(Folder()));
  EXPECT_EQ(Period(mw::kTimer1), 0);
  EXPECT_EQ(Dm().downloadActive, 0);
  EXPECT_FALSE(Visible(mw::kProgressBar));
  EXPECT_TRUE(sim.MenuItemEnabled(mw::kWindow, mw::kTaskMenu, mw::kStartTask));
  EXPECT_FALSE(sim.MenuItemEnabled(mw::kWindow, mw::kTaskMenu, mw::kForceStop));
}

TEST(UnsafeNameCommands, DeleteAndOpenCommandsAreRefused) {
  for (const char* item : {mw::kDeleteTaskAndFile, mw::kOpenFile}) {
    SCOPED_TRACE(item);
    Harness h;
    h.AddRows({{"../victim", "10KB"}});
    const std::string victimFile = common::JoinPath(h.dir.path(), "victim.zip");
    WriteFileBytes(victimFile, "not ours");
    ASSERT_TRUE(h.List(item, 0));
    ASSERT_EQ(h.sim.MessageBoxes().size(), 1u);
    EXPECT_EQ(h.sim.MessageBoxes()[0].text, kUnsafeNameMessage);
    EXPECT_TRUE(fs::exists(victimFile));
    EXPECT_EQ(h.Rows().size(), 1u);
    EXPECT_TRUE(h.sim.ShellOpened().empty());
  }
}

TEST_F(UnsafeNameTest, ClearListAnsweredYesSparesTheOutsideFile) {
  AddRows({{"甲"}});
  fs::create_directories(Folder());
  WriteFileBytes(Package("甲"), "zip");
  sim.ScriptAnswer(host::kMsgYes);
  ASSERT_TRUE(List(mw::kClearList, 0));
  EXPECT_TRUE(fs::exists(victim));
  EXPECT_FALSE(fs::exists(Package("甲")));
  EXPECT_TRUE(Rows().empty());
  const auto boxes = sim.MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, kUnsafeNameMessage);
}

TEST_F(UnsafeNameTest, QueuePassesOverTheRowAndStillEnds) {
  // Also a row restored as queued under a drive-relative name.
  AddRows({{"甲", "10KB"}, {"C:evil", "10KB", mw::kStateDownloading, ""}});
  ASSERT_TRUE(Task(mw::kDownloadAll, 0));
  ASSERT_EQ(sim.MessageBoxes().size(), 1u);
  EXPECT_EQ(sim.MessageBoxes()[0].text, kUnsafeNameMessage);
  EXPECT_EQ(States(), (std::vector<std::string>{mw::kStateNotDone, mw::kStateDownloading,
                                                mw::kStateDownloading}));
  sim.Advance(100);
  EXPECT_EQ(Calls(), std::vector<std::string>{AddCall("jar", "甲")});
  SetKb(10);
  net.FinishTask(host::TaskOutcome::Complete);
  sim.Advance(1700);
  // Nothing else was started, and the unsafe rows do not hold the queue open.
  EXPECT_EQ(Calls().size(), 1u);
  EXPECT_EQ(States(),
            (std::vector<std::string>{mw::kStateNotDone, mw::kStateDone, mw::kStateDownloading}));
  EXPECT_EQ(Dm().downloadActive, 0);
  EXPECT_FALSE(Visible(mw::kProgressBar));
  EXPECT_TRUE(sim.MenuItemEnabled(mw::kWindow, mw::kTaskMenu, mw::kStartTask));
  EXPECT_TRUE(fs::exists(victim));
}

}  // namespace
}  // namespace downloads::testing
