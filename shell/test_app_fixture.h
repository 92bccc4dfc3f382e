// A MainWindow on the simulated window system with the scripted network, a
// temporary run directory and a temporary INI file.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "common/config.h"
#include "common/main_window.h"
#include "host/sim/fake_network.h"
#include "host/sim/sim_host.h"
#include "shell/app.h"
#include "tests/support/temp_dir.h"

namespace shell::testing {

inline common::Config TestConfig(const testing_support::TempDir& dir) {
  common::Config c;
  c.contentBaseUrl = "http://content.test/";
  c.communityBaseUrl = "http://community.test/";
  c.forumBaseUrl = "http://forum.test/";
  c.taskPageBaseUrl = "http://task.test/";
  c.runDirectory = dir.path();
  c.iniPath = dir.File("情况.ini");
  c.customerServiceUin = "12345";
  return c;
}

class AppFixture : public ::testing::Test {
 protected:
  void StartApp() {
    app = std::make_unique<App>(sim, net, TestConfig(dir));
    app->Start();
  }
  void TearDown() override { sim.WaitForThreads(); }

  std::vector<std::vector<std::string>> DownloadRows() const {
    return sim.Rows(mw::kWindow, mw::kDownloadList);
  }

  testing_support::TempDir dir;
  host::sim::SimHost sim;
  host::sim::FakeNetwork net;
  std::unique_ptr<App> app;
};

}  // namespace shell::testing
