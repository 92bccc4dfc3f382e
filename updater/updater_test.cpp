// The updater program on the simulated window system with the scripted
// network: start-up, the check, the progress display and completion.
#include "updater/updater.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/config.h"
#include "common/deliverables.h"
#include "host/files.h"
#include "host/sim/fake_network.h"
#include "host/sim/sim_host.h"
#include "tests/support/temp_dir.h"

namespace updater {
namespace {

using host::sim::SimHost;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

constexpr const char* kVersionUrl = "http://content.test/update.txt";
constexpr const char* kPackageUrl = "http://content.test/pkg/new.zip";

struct Tick {
  int max = 0;
  int pos = 0;
  bool loaded = false;
  std::size_t boxes = 0;
};

class UpdaterProgramTest : public ::testing::Test {
 protected:
  UpdaterProgramTest() : services{ui, net, Config()} {}

  common::Config Config() const {
    common::Config c;
    c.contentBaseUrl = "http://content.test/";
    c.runDirectory = dir.path();
    return c;
  }
  void PlaceModule() { WriteFileBytes(dir.File(common::kModuleFile), "module"); }
  void PlaceEarlierPackage() { WriteFileBytes(EarlierPackage(), "old package"); }
  std::string EarlierPackage() const { return dir.File("Kovrin宝盒.zip"); }
  std::string PackageFile() const { return dir.File("Kovrin宝盒V2.0.zip"); }

  // Runs the program with `duringDownload` as the modal window's life; it
  // gets the window's name once UpdateCheck has run.
  void Run(std::function<void(SimHost&, const std::string&)> duringWindow = nullptr) {
    if (duringWindow) ui.SetModalLoop(std::move(duringWindow));
    RunUpdaterProgram(services);
  }

  // One tick of the 1 ms timer with `received` bytes reported, as the user
  // would see it afterwards.
  Tick TickWith(std::uint32_t received) {
    net.SetReceived(received);
    ui.Advance(1);
    Tick t;
    t.loaded = ui.HasWindow(kUpdaterWindow);
    if (t.loaded) {
      const auto bar = ui.Control(kUpdaterWindow, kProgressBar);
      t.max = bar.progressMax;
      t.pos = bar.progressPos;
    }
    t.boxes = ui.MessageBoxes().size();
    return t;
  }

  std::vector<std::string> DownloadCalls() const {
    auto state = net.DownloadState(0);
    if (!state) return {};
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->calls;
  }

  TempDir dir;
  SimHost ui;
  host::sim::FakeNetwork net;
  common::Services services;
};

TEST_F(UpdaterProgramTest, RefusesWithoutTheModuleBeforeAnyWindowOrFetch) {
  PlaceEarlierPackage();
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.1|10");
  ui.ScriptAnswer(host::kMsgOk);
  Run();

  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  const auto box = ui.MessageBoxes()[0];
  EXPECT_EQ(box.text, "up.dll更新补丁已被破环，请到官方论坛手动下载宝盒");
  EXPECT_EQ(box.title, "更新");
  EXPECT_EQ(box.buttons, host::MsgButtons::Ok);
  EXPECT_EQ(box.icon, host::MsgIcon::None);
  EXPECT_EQ(ui.LogIndexOf("LoadWindow"), -1);
  EXPECT_FALSE(ui.HasWindow(kUpdaterWindow));
  EXPECT_TRUE(net.Fetched().empty());
  EXPECT_TRUE(host::FileExists(EarlierPackage()));
  // The state was created before the refusal and cleaned up after it.
  EXPECT_EQ(DownloadCalls(), std::vector<std::string>{"CloseDownload"});
}

TEST_F(UpdaterProgramTest, CurrentVersionIsReportedAndEndsAfterDeletingTheEarlierPackage) {
  PlaceModule();
  PlaceEarlierPackage();
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.0|10\r\n");
  ui.ScriptAnswer(host::kMsgOk);
  bool loopRan = false;
  Run([&](SimHost&, const std::string&) { loopRan = true; });

  EXPECT_EQ(net.Fetched(), std::vector<std::string>{kVersionUrl});
  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(ui.MessageBoxes()[0].text, "目前已是最新版本，无需更新，请随时关注论坛");
  EXPECT_EQ(ui.MessageBoxes()[0].title, "更新");
  // Destroyed inside "created": the modal load has nothing left to wait for.
  EXPECT_FALSE(ui.HasWindow(kUpdaterWindow));
  EXPECT_FALSE(loopRan);
  EXPECT_FALSE(host::FileExists(EarlierPackage()));
  EXPECT_EQ(DownloadCalls(), std::vector<std::string>{"CloseDownload"});
  EXPECT_TRUE(ui.StartedPrograms().empty());
}

struct AnotherVersionCase {
  const char* name;
  std::string field2;
};
void PrintTo(const AnotherVersionCase& c, std::ostream* os) { *os << c.name; }

class AnotherVersionTest : public UpdaterProgramTest,
                           public ::testing::WithParamInterface<AnotherVersionCase> {};

TEST_P(AnotherVersionTest, StartsTheDownloadWithItsProgressDisplay) {
  PlaceModule();
  PlaceEarlierPackage();
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|" + GetParam().field2 + "|10");
  host::sim::SimWindow window;
  std::vector<std::string> callsWhileShown;
  Run([&](SimHost& h, const std::string& name) {
    window = h.Window(name);
    callsWhileShown = DownloadCalls();
    h.CloseByUser(name);
  });

  EXPECT_EQ(callsWhileShown,
            std::vector<std::string>{"AddTask " + std::string(kPackageUrl) + " " + PackageFile()});
  EXPECT_EQ(window.bounds, (host::Rect{50, 50, 205, 100}));
  EXPECT_EQ(window.controls.at(kStatusLabel).text, "自动更新宝盒程序...");
  EXPECT_TRUE(window.controls.at(kProgressLabel).visible);
  EXPECT_TRUE(window.controls.at(kProgressBar).visible);
  EXPECT_EQ(window.controls.at(kTimer).timerPeriod, 1);
  EXPECT_TRUE(ui.MessageBoxes().empty());
  EXPECT_FALSE(host::FileExists(EarlierPackage()));
  // Closing the window mid-download ends the program; the clean-up stops
  // the transfer.
  EXPECT_EQ(DownloadCalls().back(), "CloseDownload");
}

INSTANTIATE_TEST_SUITE_P(Versions, AnotherVersionTest,
                         ::testing::Values(AnotherVersionCase{"Newer", "V2.1"},
                                           AnotherVersionCase{"Older", "V1.9"},
                                           AnotherVersionCase{"LowerCase", "v2.0"},
                                           AnotherVersionCase{"LeadingBlank", " V2.0"},
                                           AnotherVersionCase{"TrailingBlank", "V2.0 "},
                                           AnotherVersionCase{"FurtherDigit", "V2.01"},
                                           AnotherVersionCase{"LineEnd", "V2.0\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SizeCase {
  const char* name;
  std::string field3;
  int sizeKb;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class SizeFieldTest : public UpdaterProgramTest, public ::testing::WithParamInterface<SizeCase> {};

// The bar's maximum is the size in KB from the first tick on; whole KB only;
// reaching the size completes the update and ends the program.
TEST_P(SizeFieldTest, ProgressFollowsWholeKilobytesUpToTheSize) {
  const int size = GetParam().sizeKb;
  PlaceModule();
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.1|" + GetParam().field3);
  ui.ScriptAnswer(host::kMsgOk);
  std::vector<Tick> ticks;
  Run([&](SimHost&, const std::string&) {
    ticks.push_back(TickWith(1023));
    ticks.push_back(TickWith(1024u * size - 1));
    ticks.push_back(TickWith(1024u * size));
    ticks.push_back(TickWith(1024u * size + 5000));  // no tick after the end
  });

  ASSERT_EQ(ticks.size(), 4u);
  EXPECT_EQ(ticks[0].max, size);
  EXPECT_EQ(ticks[0].pos, 0);
  EXPECT_EQ(ticks[1].max, size);
  EXPECT_EQ(ticks[1].pos, size - 1);
  EXPECT_TRUE(ticks[1].loaded);
  EXPECT_EQ(ticks[1].boxes, 0u);
  EXPECT_FALSE(ticks[2].loaded);
  EXPECT_EQ(ticks[2].boxes, 1u);
  EXPECT_EQ(ticks[3].boxes, 1u);

  const auto box = ui.MessageBoxes()[0];
  EXPECT_EQ(box.text, "Kovrin宝盒已经更新完毕");
  EXPECT_EQ(box.title, "信息：");
  EXPECT_EQ(box.buttons, host::MsgButtons::Ok);
  EXPECT_EQ(box.icon, host::MsgIcon::None);
  EXPECT_TRUE(ui.StartedPrograms().empty());
  EXPECT_TRUE(ui.ShellOpened().empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, SizeFieldTest,
                         ::testing::Values(SizeCase{"Two", "2", 2},
                                           SizeCase{"FractionCut", "2048.9", 2048},
                                           SizeCase{"TrailingLetters", "12abc", 12},
                                           SizeCase{"LineEnd", "7\r\n", 7}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadAnswerCase {
  const char* name;
  host::sim::FetchScript answer;
};
void PrintTo(const BadAnswerCase& c, std::ostream* os) { *os << c.name; }

class BadAnswerTest : public UpdaterProgramTest,
                      public ::testing::WithParamInterface<BadAnswerCase> {};

// Without a usable version record nothing is deleted or downloaded, the user
// is told and the program ends.
TEST_P(BadAnswerTest, ToldAndNothingDeletedOrDownloaded) {
  PlaceModule();
  PlaceEarlierPackage();
  net.Respond(kVersionUrl, GetParam().answer);
  ui.ScriptAnswer(host::kMsgOk);
  Run();

  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(ui.MessageBoxes()[0].text, kNoVersionInfoMessage);
  EXPECT_EQ(ui.MessageBoxes()[0].title, "更新");
  EXPECT_FALSE(ui.HasWindow(kUpdaterWindow));
  EXPECT_TRUE(host::FileExists(EarlierPackage()));
  EXPECT_EQ(DownloadCalls(), std::vector<std::string>{"CloseDownload"});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BadAnswerTest,
    ::testing::Values(BadAnswerCase{"Unreachable", {"", 0, true}},
                      BadAnswerCase{"Empty", {"", 0, false}},
                      BadAnswerCase{"NoSeparator", {"V2.1", 0, false}},
                      BadAnswerCase{"TwoFields", {"u|V2.1", 0, false}},
                      BadAnswerCase{"TwoFieldsAndSeparator", {"u|V2.1|", 0, false}},
                      BadAnswerCase{"CurrentButShort", {"u|V2.0", 0, false}},
                      BadAnswerCase{"ZeroByteCutsIt", {std::string("u|V2.1\0|9", 9), 0, false}}),
    [](const auto& info) { return std::string(info.param.name); });

struct UnknownSizeCase {
  const char* name;
  std::string field3;
  host::TaskOutcome outcome;
  const char* message;  // what ends the download
};
void PrintTo(const UnknownSizeCase& c, std::ostream* os) { *os << c.name; }

class UnknownSizeTest : public UpdaterProgramTest,
                        public ::testing::WithParamInterface<UnknownSizeCase> {};

// A size that says nothing (0, empty ("u|V2.1||"), not a number, negative) cannot mark
// completion: only the transfer's own end does.
TEST_P(UnknownSizeTest, OnlyTheTransfersEndDecides) {
  PlaceModule();
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.1|" + GetParam().field3);
  ui.ScriptAnswer(host::kMsgOk);
  std::vector<Tick> ticks;
  std::vector<std::string> callsBeforeEnd;
  Run([&](SimHost& h, const std::string&) {
    ticks.push_back(TickWith(0));
    ticks.push_back(TickWith(5000));
    h.Advance(500);
    ticks.push_back(TickWith(9000));
    callsBeforeEnd = DownloadCalls();
    net.FinishTask(GetParam().outcome);
    ticks.push_back(TickWith(9000));
  });

  ASSERT_EQ(ticks.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(ticks[i].loaded) << i;
    EXPECT_EQ(ticks[i].boxes, 0u) << i;
  }
  EXPECT_EQ(callsBeforeEnd.size(), 1u);  // AddTask only: nothing stopped it
  EXPECT_FALSE(ticks[3].loaded);
  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(ui.MessageBoxes()[0].text, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, UnknownSizeTest,
    ::testing::Values(
        UnknownSizeCase{"ZeroComplete", "0", host::TaskOutcome::Complete, kCompleteMessage},
        UnknownSizeCase{"EmptyComplete", "|", host::TaskOutcome::Complete, kCompleteMessage},
        UnknownSizeCase{"LettersComplete", "abc", host::TaskOutcome::Complete, kCompleteMessage},
        UnknownSizeCase{"NegativeComplete", "-3", host::TaskOutcome::Complete, kCompleteMessage},
        UnknownSizeCase{"ZeroFailed", "0", host::TaskOutcome::Failed, kDownloadFailedMessage}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdaterProgramTest, TransferEndingShortOfTheSizeIsReportedAsFailed) {
  PlaceModule();
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.1|10");
  ui.ScriptAnswer(host::kMsgOk);
  Tick beforeFailure;
  Run([&](SimHost&, const std::string&) {
    beforeFailure = TickWith(4096);
    net.FinishTask(host::TaskOutcome::Failed);
    TickWith(4096);
  });

  EXPECT_EQ(beforeFailure.pos, 4);
  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(ui.MessageBoxes()[0].text, kDownloadFailedMessage);
  EXPECT_EQ(ui.MessageBoxes()[0].title, "更新");
  EXPECT_FALSE(ui.HasWindow(kUpdaterWindow));
}

// A transfer that stalls (or delivers less than announced) keeps the window
// waiting without a message until the user closes it.
TEST_F(UpdaterProgramTest, StalledDownloadWaitsForTheUser) {
  PlaceModule();
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.1|10");
  std::size_t boxesAfterWait = 99;
  bool loadedAfterWait = false;
  int timerAfterWait = 0;
  int posAfterWait = 0;
  std::vector<std::string> callsAfterWait;
  Run([&](SimHost& h, const std::string& name) {
    TickWith(3 * 1024);
    net.FinishTask(host::TaskOutcome::Complete);  // short of the 10 KB announced
    h.Advance(30000);
    boxesAfterWait = h.MessageBoxes().size();
    loadedAfterWait = h.HasWindow(name);
    timerAfterWait = h.TimerPeriod(name, kTimer);
    posAfterWait = h.Control(name, kProgressBar).progressPos;
    callsAfterWait = DownloadCalls();
    h.CloseByUser(name);
  });

  EXPECT_EQ(boxesAfterWait, 0u);
  EXPECT_TRUE(loadedAfterWait);
  EXPECT_EQ(timerAfterWait, 1);
  EXPECT_EQ(callsAfterWait.size(), 1u);
  EXPECT_EQ(posAfterWait, 3);
  EXPECT_EQ(DownloadCalls().back(), "CloseDownload");
}

}  // namespace
}  // namespace updater
