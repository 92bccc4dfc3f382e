#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/config.h"
#include "common/paths.h"

namespace common {
namespace {

namespace fs = std::filesystem;

TEST(Paths, JoinAndParent) {
#ifdef _WIN32
  EXPECT_STREQ(PathSeparator(), "\\");
  EXPECT_EQ(JoinPath("C:\\app", "update.exe"), "C:\\app\\update.exe");
  EXPECT_EQ(ResourceFolder("C:\\app"), "C:\\app\\Kovrin宝盒资源");
#else
  EXPECT_STREQ(PathSeparator(), "/");
  EXPECT_EQ(JoinPath("/opt/app", "update.exe"), "/opt/app/update.exe");
  EXPECT_EQ(ResourceFolder("/opt/app"), "/opt/app/Kovrin宝盒资源");
  // A program in the root has the directory "", which joins back to "/x".
  EXPECT_EQ(JoinPath(ParentDirectory("/x"), "y"), "/y");
  const std::vector<std::pair<std::string, std::string> > parents = {
      {"/a/b/c.ini", "/a/b"}, {"a/c.ini", "a"}, {"c.ini", ""}, {"/c.ini", ""}, {"", ""}};
  for (const auto& [path, parent] : parents) EXPECT_EQ(ParentDirectory(path), parent) << path;
#endif
}

#ifndef _WIN32
TEST(Paths, RunDirectoryIsTheFolderOfThisProgram) {
  const std::string dir = RunDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), '/');
  EXPECT_NE(dir.back(), '/');
  EXPECT_EQ(fs::path(dir), fs::canonical("/proc/self/exe").parent_path());
  // Code of a shared library lies in that library's folder.
  const std::string libcDir = ModuleDirectory(reinterpret_cast<const void*>(&std::fopen));
  EXPECT_FALSE(libcDir.empty());
  EXPECT_NE(libcDir, dir);
  EXPECT_TRUE(fs::is_directory(libcDir));
}

TEST(Paths, IniFileInThePerUserConfigurationFolder) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"/x/conf", "/home/u", "/x/conf/resourcebox/情况.ini"},
      {nullptr, "/home/u", "/home/u/.config/resourcebox/情况.ini"},
      {"", "/home/u", "/home/u/.config/resourcebox/情况.ini"},
      {"relative", "/home/u", "/home/u/.config/resourcebox/情况.ini"},
  };
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const char* oldHome = std::getenv("HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
  for (const auto& c : cases) {
    if (c.xdg)
      setenv("XDG_CONFIG_HOME", c.xdg, 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", c.home, 1);
    EXPECT_EQ(DownloadListIniPath(), c.expected) << (c.xdg ? c.xdg : "(unset)");
  }
  if (oldXdg)
    setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  if (oldHome)
    setenv("HOME", savedHome.c_str(), 1);
  else
    unsetenv("HOME");
}
#endif

TEST(Config, SiteAddressAndHostName) {
  struct Case {
    const char* url;
    const char* site;
    const char* host;
  };
  const std::vector<Case> cases = {
      {"http://a.b/", "http://a.b", "a.b"},
      {"http://a.b:8/x/", "http://a.b:8", "a.b:8"},
      {"https://127.0.0.1:18081/", "https://127.0.0.1:18081", "127.0.0.1:18081"},
      {"http://a.b", "http://a.b", "a.b"},
      {"http://a.b?q=1", "http://a.b", "a.b"},
      {"http://user:pw@a.b/", "http://user:pw@a.b", "a.b"},
      {"a.b/x", "a.b", "a.b"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(SiteAddress(c.url), c.site);
    EXPECT_EQ(HostName(c.url), c.host);
  }
}

TEST(Config, DefaultsComeFromTheBuild) {
  const Config config = DefaultConfig();
  for (const std::string* url : {&config.contentBaseUrl, &config.communityBaseUrl,
                                 &config.forumBaseUrl, &config.taskPageBaseUrl}) {
    ASSERT_FALSE(url->empty());
    EXPECT_EQ(url->back(), '/') << *url;
    EXPECT_NE(url->find("://"), std::string::npos) << *url;
  }
  EXPECT_EQ(config.runDirectory, RunDirectory());
  EXPECT_EQ(config.iniPath, DownloadListIniPath());
  EXPECT_FALSE(config.customerServiceUin.empty());
}

}  // namespace
}  // namespace common
