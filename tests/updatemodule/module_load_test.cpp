// The real module `up` loaded by a plain host program in a virtual display,
// against a loopback content server: the load shows the window and returns
// only when it is closed, and the export shows it again for a second check.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "common/deliverables.h"
#include "common/text.h"
#include "tests/support/temp_dir.h"
#include "tests/updatemodule/desktop_harness.h"

namespace {

using desktop_harness::ChildProcess;
using desktop_harness::ContentServer;
using desktop_harness::VirtualDisplay;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

constexpr const char* kWindowTitle = "^Kovrin宝盒更新检测$";
constexpr int kWaitMs = 30000;

class ModuleLoadTest : public desktop_harness::DesktopTest {
 protected:
  void SetUp() override { SetUpDesktop(RB_TEST_UPDATE_MODULE, common::kModuleFile); }

  std::string Module() const { return runDir.File(common::kModuleFile); }
  std::string Output() const { return desktop_harness::ReadFile(session.File("host.log")); }
  void ServeVersion(const std::string& body) {
    server->Serve("/" + common::Utf8ToGbk("检查更新.txt"), body);
  }
  std::unique_ptr<ChildProcess> StartHost(const std::string& mode, int exportCalls = 1) {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{RB_TEST_MODULE_HOST, Module(), std::to_string(exportCalls), mode},
        display->Environment(), session.File("host.log"));
  }

  // One showing of the module's window: the box whose title matches
  // `boxTitle` is answered (a box raised by the check inside the window's
  // creation comes before the window itself), the window must stay, then the
  // user closes it.
  struct Showing {
    int clientHeight = -1;
    std::string hostOutputBeforeClose;
  };
  Showing AnswerBoxThenClose(const char* boxTitle) {
    Showing showing;
    const std::string box = display->WaitForWindow(boxTitle, kWaitMs);
    EXPECT_FALSE(box.empty()) << Output();
    if (box.empty()) return showing;
    display->PressEnter(box);
    EXPECT_TRUE(display->WaitUntilGone(boxTitle, kWaitMs, box));
    const std::string window = display->WaitForWindow(kWindowTitle, kWaitMs);
    EXPECT_FALSE(window.empty()) << Output();
    if (window.empty()) return showing;
    desktop_harness::SleepMs(300);
    const auto still = display->FindWindows(kWindowTitle);
    EXPECT_NE(std::find(still.begin(), still.end(), window), still.end())
        << "the window must stay after the box";
    showing.clientHeight = display->ClientHeight(window);
    showing.hostOutputBeforeClose = Output();
    display->Close(RB_TEST_CLOSE_WINDOW, window);
    EXPECT_TRUE(display->WaitUntilGone(kWindowTitle, kWaitMs, window));
    return showing;
  }
};

TEST_F(ModuleLoadTest, CurrentVersionAtLoadAndThroughTheExport) {
  ServeVersion("u|V2.0|1");
  auto host = StartHost("exit");

  const Showing atLoad = AnswerBoxThenClose("^更新$");
  const Showing inExport = AnswerBoxThenClose("^更新$");  // the same window again
  // The load returns only once the window is closed, the export likewise.
  EXPECT_EQ(atLoad.hostOutputBeforeClose, "");
  EXPECT_EQ(inExport.hostOutputBeforeClose, "loaded\nexport found\n");
  // 60 pixels high with its caption: only the first line shows.
  EXPECT_GT(atLoad.clientHeight, 0);
  EXPECT_LT(atLoad.clientHeight, 60);
  EXPECT_EQ(host->Wait(kWaitMs), 0) << Output();
  EXPECT_NE(Output().find("loaded\nexport found\nexport returned\n"), std::string::npos)
      << Output();
  // Nothing deleted, nothing written.
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(runDir.path()))
    files.push_back(entry.path().filename().string());
  EXPECT_EQ(files, std::vector<std::string>{common::kModuleFile});
  EXPECT_EQ(server->Requests().size(), 2u);
}

TEST_F(ModuleLoadTest, AnotherVersionIsSavedBesideTheModuleThenUnloads) {
  const std::string package = desktop_harness::PackageBytes(200 * 1024, 61);
  server->Serve("/pkg/m.zip", package);
  ServeVersion(server->Url("/pkg/m.zip") + "|V2.1|200");
  auto host = StartHost("unload");

  const Showing atLoad = AnswerBoxThenClose("^信息：$");
  const Showing inExport = AnswerBoxThenClose("^信息：$");
  // Made 100 pixels high for the download: the progress line shows.
  EXPECT_GT(atLoad.clientHeight, 60);
  EXPECT_GT(inExport.clientHeight, 60);
  EXPECT_EQ(host->Wait(kWaitMs), 0) << Output();
  // The module stays resident after the unload request and ends cleanly with
  // the process.
  EXPECT_NE(Output().find("export returned\nunloaded\nstill mapped\n"), std::string::npos)
      << Output();
  EXPECT_EQ(ReadFileBytes(runDir.File("Kovrin宝盒.zip")), package);
  // The module never deletes the earlier package: the second one is numbered.
  EXPECT_EQ(ReadFileBytes(runDir.File("Kovrin宝盒(1).zip")), package);
  EXPECT_FALSE(std::filesystem::exists(runDir.File("Kovrin宝盒V2.0.zip")));
}

// Closing the window mid-download lets the load return while the transfer
// goes on; the end of the host process stops it cleanly.
TEST_F(ModuleLoadTest, ClosingMidDownloadReturnsWhileTheTransferGoesOn) {
  const std::string package = desktop_harness::PackageBytes(400 * 1024, 9);
  const std::string saved = runDir.File("Kovrin宝盒.zip");
  server->ServeSlowly("/pkg/slow.zip", package, 4096, 50);  // about 5 s
  ServeVersion(server->Url("/pkg/slow.zip") + "|V2.1|400");
  auto host = StartHost("linger", 0);

  const std::string window = display->WaitForWindow(kWindowTitle, kWaitMs);
  ASSERT_FALSE(window.empty()) << Output();
  const auto end = desktop_harness::Clock::now() + std::chrono::seconds(10);
  while (ReadFileBytes(saved).size() < 8192 && desktop_harness::Clock::now() < end)
    desktop_harness::SleepMs(50);
  display->Close(RB_TEST_CLOSE_WINDOW, window);
  while (Output().find("loaded\n") == std::string::npos &&
         desktop_harness::Clock::now() < end + std::chrono::seconds(10))
    desktop_harness::SleepMs(50);
  const size_t atReturn = ReadFileBytes(saved).size();
  desktop_harness::SleepMs(1000);
  EXPECT_GT(ReadFileBytes(saved).size(), atReturn) << "the transfer goes on";

  EXPECT_EQ(host->Wait(10000), 0) << Output();
  EXPECT_NE(Output().find("loaded\nexport found\nending\n"), std::string::npos) << Output();
  const std::string partial = ReadFileBytes(saved);
  EXPECT_LT(partial.size(), package.size());
  EXPECT_EQ(partial, package.substr(0, partial.size()));
}

}  // namespace
