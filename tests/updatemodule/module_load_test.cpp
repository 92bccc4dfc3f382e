// The real module `up` loaded by a plain host program in a virtual display,
// against a loopback content server: the load shows the window and returns
// only when it is closed, and the export shows it again for a second check.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

class ModuleLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(session.path().c_str(), 0700);
    display = std::make_unique<VirtualDisplay>(session.path());
    if (!display->Ready()) GTEST_SKIP() << "Xvfb did not start";
    server = std::make_unique<ContentServer>(RB_TEST_CONTENT_BASE_URL);
    if (!server->Problem().empty()) GTEST_SKIP() << server->Problem();
    std::filesystem::copy_file(RB_TEST_UPDATE_MODULE, Module());
  }

  std::string Module() const { return runDir.File(common::kModuleFile); }
  std::string Output() const { return desktop_harness::ReadFile(session.File("host.log")); }
  void ServeVersion(const std::string& body) {
    server->Serve("/" + common::Utf8ToGbk("检查更新.txt"), body);
  }
  std::unique_ptr<ChildProcess> StartHost(const std::string& mode) {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{RB_TEST_MODULE_HOST, Module(), "1", mode}, display->Environment(),
        session.File("host.log"));
  }

  // One showing of the module's window: the box whose title matches
  // `boxTitle` is answered, the window must stay, then the user closes it.
  void AnswerBoxThenClose(const char* boxTitle) {
    const std::string window = display->WaitForWindow(kWindowTitle, kWaitMs);
    ASSERT_FALSE(window.empty()) << Output();
    const std::string box = display->WaitForWindow(boxTitle, kWaitMs);
    ASSERT_FALSE(box.empty()) << Output();
    display->PressEnter(box);
    ASSERT_TRUE(display->WaitUntilGone(boxTitle, kWaitMs));
    desktop_harness::SleepMs(300);
    EXPECT_FALSE(display->FindWindows(kWindowTitle).empty()) << "the window must stay";
    display->Close(RB_TEST_CLOSE_WINDOW, window);
    ASSERT_TRUE(display->WaitUntilGone(kWindowTitle, kWaitMs));
  }

  TempDir session;
  TempDir runDir;  // where the module lies
  std::unique_ptr<VirtualDisplay> display;
  std::unique_ptr<ContentServer> server;
};

TEST_F(ModuleLoadTest, CurrentVersionAtLoadAndThroughTheExport) {
  ServeVersion("u|V2.0|1");
  auto host = StartHost("exit");

  AnswerBoxThenClose("^更新$");
  if (HasFatalFailure()) return;
  EXPECT_EQ(Output().find("export returned"), std::string::npos);
  AnswerBoxThenClose("^更新$");  // the export's check, in its window again
  if (HasFatalFailure()) return;
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

  AnswerBoxThenClose("^信息：$");
  if (HasFatalFailure()) return;
  AnswerBoxThenClose("^信息：$");
  if (HasFatalFailure()) return;
  EXPECT_EQ(host->Wait(kWaitMs), 0) << Output();
  EXPECT_NE(Output().find("export returned\nunloaded\n"), std::string::npos) << Output();
  EXPECT_EQ(ReadFileBytes(runDir.File("Kovrin宝盒.zip")), package);
  // The module never deletes the earlier package: the second one is numbered.
  EXPECT_EQ(ReadFileBytes(runDir.File("Kovrin宝盒(1).zip")), package);
  EXPECT_FALSE(std::filesystem::exists(runDir.File("Kovrin宝盒V2.0.zip")));
}

}  // namespace
