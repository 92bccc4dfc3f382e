// The update module on the simulated window system with the scripted
// network: the check at load time, the export, and the clean-up.
#include "updatemodule/update_module.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/config.h"
#include "host/files.h"
#include "host/sim/fake_network.h"
#include "host/sim/sim_host.h"
#include "tests/support/temp_dir.h"

namespace updatemodule {
namespace {

using host::sim::SimHost;
using testing_support::TempDir;
using testing_support::WriteFileBytes;
using updater::kProgressBar;
using updater::kProgressLabel;
using updater::kStatusLabel;
using updater::kTimer;
using updater::kUpdateModuleWindow;

constexpr const char* kVersionUrl = "http://content.test/检查更新.txt";
constexpr const char* kPackageUrl = "http://content.test/pkg/new.zip";

class UpdateModuleTest : public ::testing::Test {
 protected:
  UpdateModuleTest() : services{ui, net, Config()}, module(services) {}

  common::Config Config() const {
    common::Config c;
    c.contentBaseUrl = "http://content.test/";
    c.runDirectory = dir.path();
    return c;
  }
  std::string PackageFile() const { return dir.File("Kovrin宝盒.zip"); }

  std::vector<std::string> DownloadCalls() const {
    auto state = net.DownloadState(0);
    if (!state) return {};
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->calls;
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : ui.MessageBoxes()) texts.push_back(box.text);
    return texts;
  }
  std::string AddTaskCall() const {
    return "AddTask " + std::string(kPackageUrl) + " " + PackageFile();
  }

  TempDir dir;
  SimHost ui;
  host::sim::FakeNetwork net;
  common::Services services;
  UpdateModule module;
};

TEST_F(UpdateModuleTest, LoadWithCurrentVersionKeepsTheWindowForTheUser) {
  WriteFileBytes(PackageFile(), "earlier");
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.0|10");
  ui.ScriptAnswer(host::kMsgOk);
  host::sim::SimWindow shown;
  bool loadedAfterCheck = false;
  ui.SetModalLoop([&](SimHost& h, const std::string& name) {
    loadedAfterCheck = h.HasWindow(name);
    shown = h.Window(name);
    h.Advance(1000);
    h.CloseByUser(name);
  });
  module.Initialise();

  EXPECT_TRUE(loadedAfterCheck);
  EXPECT_EQ(shown.def.title, "Kovrin宝盒更新检测");
  EXPECT_EQ(shown.bounds, (host::Rect{50, 50, 205, 60}));
  EXPECT_EQ(shown.controls.at(kStatusLabel).text, "正在连接更新服务器...");
  EXPECT_EQ(shown.controls.at(kStatusLabel).bounds, (host::Rect{16, 8, 176, 24}));
  EXPECT_FALSE(shown.controls.at(kProgressLabel).visible);
  EXPECT_FALSE(shown.controls.at(kProgressBar).visible);
  EXPECT_EQ(shown.controls.at(kTimer).timerPeriod, 0);
  EXPECT_EQ(net.Fetched(), std::vector<std::string>{kVersionUrl});
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{updater::kAlreadyCurrentMessage});
  EXPECT_EQ(ui.MessageBoxes()[0].title, "更新");
  EXPECT_TRUE(host::FileExists(PackageFile()));  // the module deletes nothing
  EXPECT_TRUE(DownloadCalls().empty());
  EXPECT_FALSE(ui.HasWindow(kUpdateModuleWindow));
}

TEST_F(UpdateModuleTest, CompletionLeavesTheWindowAndTheTransferAlone) {
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.1|4");
  ui.ScriptAnswer(host::kMsgOk);
  bool loadedAfterCompletion = false;
  int timerAfterCompletion = -1;
  int posAfterCompletion = -1;
  std::vector<std::string> callsWhileOpen;
  ui.SetModalLoop([&](SimHost& h, const std::string& name) {
    net.SetReceived(2048);
    h.Advance(1);
    net.SetReceived(4096);
    h.Advance(1);
    h.Advance(100);
    loadedAfterCompletion = h.HasWindow(name);
    timerAfterCompletion = h.TimerPeriod(name, kTimer);
    posAfterCompletion = h.Control(name, kProgressBar).progressPos;
    callsWhileOpen = DownloadCalls();
    h.CloseByUser(name);
  });
  module.Initialise();

  EXPECT_EQ(callsWhileOpen, std::vector<std::string>{AddTaskCall()});
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{updater::kCompleteMessage});
  EXPECT_TRUE(loadedAfterCompletion);
  EXPECT_EQ(timerAfterCompletion, 0);
  EXPECT_EQ(posAfterCompletion, 2);  // the previous tick's position
  // Closing the window does not end the module: the clean-up waits for it.
  EXPECT_EQ(DownloadCalls(), std::vector<std::string>{AddTaskCall()});
  module.Exit();
  EXPECT_EQ(DownloadCalls().back(), "CloseDownload");
}

TEST_F(UpdateModuleTest, ClosingMidDownloadReturnsAndTheTransferGoesOn) {
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.1|40");
  ui.SetModalLoop([&](SimHost& h, const std::string& name) {
    net.SetReceived(5000);
    h.Advance(10);
    h.CloseByUser(name);
  });
  module.Initialise();

  EXPECT_FALSE(ui.HasWindow(kUpdateModuleWindow));
  EXPECT_TRUE(ui.MessageBoxes().empty());
  EXPECT_EQ(DownloadCalls(), std::vector<std::string>{AddTaskCall()});
  EXPECT_EQ(net.DownloadState(0)->outcome, host::TaskOutcome::Running);
  module.Exit();
  module.Exit();  // unload after an explicit clean-up: nothing twice
  EXPECT_EQ(DownloadCalls(), (std::vector<std::string>{AddTaskCall(), "CloseDownload"}));
}

// The export shows the window again, so a second check has its progress
// display; with the version current it only adds the already-current box.
TEST_F(UpdateModuleTest, ExportRunsTheCheckAgainInItsWindow) {
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.0|4");
  ui.ScriptAnswer(host::kMsgOk);
  ui.SetModalLoop([](SimHost& h, const std::string& name) { h.CloseByUser(name); });
  module.Initialise();

  net.Respond(kVersionUrl, "u|V2.0|4");
  ui.ScriptAnswer(host::kMsgOk);
  module.CheckAgain();
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{updater::kAlreadyCurrentMessage,
                                                  updater::kAlreadyCurrentMessage}));
  EXPECT_TRUE(DownloadCalls().empty());

  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.1|4");
  host::sim::SimWindow during;
  ui.SetModalLoop([&](SimHost& h, const std::string& name) {
    net.SetReceived(3072);
    h.Advance(1);
    during = h.Window(name);
    h.CloseByUser(name);
  });
  module.CheckAgain();
  EXPECT_EQ(net.Fetched().size(), 3u);
  EXPECT_EQ(DownloadCalls(), std::vector<std::string>{AddTaskCall()});
  EXPECT_EQ(during.bounds.height, 100);
  EXPECT_TRUE(during.controls.at(kProgressBar).visible);
  EXPECT_EQ(during.controls.at(kProgressBar).progressMax, 4);
  EXPECT_EQ(during.controls.at(kProgressBar).progressPos, 3);
  EXPECT_EQ(during.controls.at(kStatusLabel).text, "自动更新宝盒程序...");
}

TEST_F(UpdateModuleTest, UnusableAnswerIsToldAndTheWindowStays) {
  net.Respond(kVersionUrl, host::sim::FetchScript{"", 0, true});
  ui.ScriptAnswer(host::kMsgOk);
  bool loadedAfterCheck = false;
  ui.SetModalLoop([&](SimHost& h, const std::string& name) {
    loadedAfterCheck = h.HasWindow(name);
    h.CloseByUser(name);
  });
  module.Initialise();

  EXPECT_TRUE(loadedAfterCheck);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{updater::kNoVersionInfoMessage});
  EXPECT_EQ(ui.MessageBoxes()[0].title, "更新");
  EXPECT_TRUE(DownloadCalls().empty());
}

TEST_F(UpdateModuleTest, UnknownSizeCompletesOnlyWithTheTransfer) {
  net.Respond(kVersionUrl, std::string(kPackageUrl) + "|V2.1|0");
  ui.ScriptAnswer(host::kMsgOk);
  std::size_t boxesWhileRunning = 99;
  bool loadedAtEnd = false;
  ui.SetModalLoop([&](SimHost& h, const std::string& name) {
    net.SetReceived(7000);
    h.Advance(200);
    boxesWhileRunning = h.MessageBoxes().size();
    net.FinishTask(host::TaskOutcome::Complete);
    h.Advance(1);
    loadedAtEnd = h.HasWindow(name);
    h.CloseByUser(name);
  });
  module.Initialise();

  EXPECT_EQ(boxesWhileRunning, 0u);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{updater::kCompleteMessage});
  EXPECT_TRUE(loadedAtEnd);
  EXPECT_EQ(DownloadCalls(), std::vector<std::string>{AddTaskCall()});
}

}  // namespace
}  // namespace updatemodule
