// The real program `update` in a virtual display against a loopback content
// server: the refusal without the update module, and a download that lands
// byte for byte under the package name (or a numbered one).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "common/deliverables.h"
#include "tests/support/temp_dir.h"
#include "tests/updatemodule/desktop_harness.h"

namespace {

using desktop_harness::ChildProcess;
using desktop_harness::ContentServer;
using desktop_harness::VirtualDisplay;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

constexpr const char* kWindowTitle = "^Kovrin宝盒更新检测$";
constexpr int kWaitMs = 30000;

class UpdateProgramTest : public desktop_harness::DesktopTest {
 protected:
  void SetUp() override { SetUpDesktop(RB_TEST_UPDATE_PROGRAM, common::kUpdaterFile); }

  std::string Program() const { return runDir.File(common::kUpdaterFile); }
  std::string Log() const { return session.File("update.log"); }
  std::unique_ptr<ChildProcess> Start() {
    return std::make_unique<ChildProcess>(std::vector<std::string>{Program()},
                                          display->Environment(), Log());
  }
};

TEST_F(UpdateProgramTest, WithoutTheModuleOnlyTheRefusalShows) {
  WriteFileBytes(runDir.File("Kovrin宝盒.zip"), "earlier");
  server->Serve("/update.txt", server->Url("/pkg/new.zip") + "|V2.1|1");
  auto program = Start();

  const std::string box = display->WaitForWindow("^更新$", kWaitMs);
  ASSERT_FALSE(box.empty()) << desktop_harness::ReadFile(Log());
  EXPECT_TRUE(display->FindWindows(kWindowTitle).empty());
  display->PressEnter(box);
  EXPECT_EQ(program->Wait(kWaitMs), 0) << desktop_harness::ReadFile(Log());
  EXPECT_TRUE(server->Requests().empty());
  EXPECT_EQ(ReadFileBytes(runDir.File("Kovrin宝盒.zip")), "earlier");
}

struct DownloadCase {
  const char* name;
  bool packageFileExists;  // from an earlier update
  const char* savedAs;
};
void PrintTo(const DownloadCase& c, std::ostream* os) { *os << c.name; }

class UpdateDownloadTest : public UpdateProgramTest,
                           public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(UpdateDownloadTest, AnotherVersionIsDownloadedWhole) {
  const std::string package = desktop_harness::PackageBytes(300 * 1024, 21);
  WriteFileBytes(runDir.File(common::kModuleFile), "module");
  WriteFileBytes(runDir.File("Kovrin宝盒.zip"), "earlier");
  if (GetParam().packageFileExists) WriteFileBytes(runDir.File("Kovrin宝盒V2.0.zip"), "older");
  server->Serve("/pkg/v21.zip", package);
  server->Serve("/update.txt", server->Url("/pkg/v21.zip") + "|V2.1|300\r\n");
  auto program = Start();

  const std::string done = display->WaitForWindow("^信息：$", kWaitMs);
  ASSERT_FALSE(done.empty()) << desktop_harness::ReadFile(Log());
  const auto windows = display->FindWindows(kWindowTitle);
  ASSERT_EQ(windows.size(), 1u);
  // Made 100 pixels high for the download: the progress line shows.
  EXPECT_GT(display->ClientHeight(windows[0]), 60);
  display->PressEnter(done);
  ASSERT_EQ(program->Wait(kWaitMs), 0) << desktop_harness::ReadFile(Log());

  EXPECT_EQ(ReadFileBytes(runDir.File(GetParam().savedAs)), package);
  EXPECT_FALSE(std::filesystem::exists(runDir.File("Kovrin宝盒.zip")));
  if (GetParam().packageFileExists) {
    EXPECT_EQ(ReadFileBytes(runDir.File("Kovrin宝盒V2.0.zip")), "older");
  }
  const auto requests = server->Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front(), "/update.txt");
  EXPECT_EQ(requests.back(), "/pkg/v21.zip");
}

INSTANTIATE_TEST_SUITE_P(Packages, UpdateDownloadTest,
                         ::testing::Values(DownloadCase{"FirstUpdate", false, "Kovrin宝盒V2.0.zip"},
                                           DownloadCase{"PackageFileTaken", true,
                                                        "Kovrin宝盒V2.0(1).zip"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The user closes the window mid-download: the program ends at once, the
// clean-up stops the transfer and what had arrived stays on disk.
TEST_F(UpdateProgramTest, ClosingMidDownloadEndsWithWhatArrived) {
  const std::string package = desktop_harness::PackageBytes(400 * 1024, 5);
  const std::string saved = runDir.File("Kovrin宝盒V2.0.zip");
  WriteFileBytes(runDir.File(common::kModuleFile), "module");
  server->ServeSlowly("/pkg/slow.zip", package, 4096, 50);  // about 5 s
  server->Serve("/update.txt", server->Url("/pkg/slow.zip") + "|V2.1|400");
  auto program = Start();

  const std::string window = display->WaitForWindow(kWindowTitle, kWaitMs);
  ASSERT_FALSE(window.empty()) << desktop_harness::ReadFile(Log());
  const auto end = desktop_harness::Clock::now() + std::chrono::seconds(10);
  while (ReadFileBytes(saved).size() < 8192 && desktop_harness::Clock::now() < end)
    desktop_harness::SleepMs(50);
  display->Close(RB_TEST_CLOSE_WINDOW, window);
  EXPECT_EQ(program->Wait(10000), 0) << desktop_harness::ReadFile(Log());

  const std::string partial = ReadFileBytes(saved);
  EXPECT_GE(partial.size(), 8192u);
  EXPECT_LT(partial.size(), package.size());
  EXPECT_EQ(partial, package.substr(0, partial.size()));
  EXPECT_TRUE(display->FindWindows("^信息：$").empty());
}

}  // namespace
