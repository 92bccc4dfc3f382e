// MainWindow on the simulated window system with only the catalog's
// handlers bound, and a scripted content server.
#pragma once

#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "common/main_window.h"
#include "common/services.h"
#include "common/text.h"
#include "host/sim/fake_network.h"
#include "host/sim/sim_host.h"
#include "shell/main_window_layout.h"

namespace catalog_test {

using Rows = std::vector<std::vector<std::string>>;

inline constexpr char kContentBase[] = "http://content.test/";
inline constexpr char kCommunityBase[] = "http://community.test/";

inline common::Config TestConfig(const std::string& contentBase = kContentBase) {
  common::Config config;
  config.contentBaseUrl = contentBase;
  config.communityBaseUrl = kCommunityBase;
  config.forumBaseUrl = "http://forum.test/";
  config.taskPageBaseUrl = "http://tasks.test/";
  return config;
}

inline std::string CatalogUrl(const std::string& folder,
                              const std::string& contentBase = kContentBase) {
  return contentBase + folder + "/123.txt";
}

// A catalog body in GBK from UTF-8 lines, each ended by CR LF.
inline std::string Body(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return common::Utf8ToGbk(text);
}

// The rows a catalog body shows in 超级列表框1.
inline Rows Shown(const std::string& body) {
  Rows rows;
  for (const auto& row : catalog::ParseCatalog(body)) rows.emplace_back(row.begin(), row.end());
  return rows;
}

template <typename Host = host::sim::SimHost, typename Net = host::sim::FakeNetwork>
struct MainWindowHarness {
  explicit MainWindowHarness(const std::string& contentBase = kContentBase)
      : services{sim, net, TestConfig(contentBase)}, catalog(services) {
    host::WindowDef def = shell::MainWindowLayout(services.config);
    catalog.Bind(def);
    sim.LoadWindow(def, false);
  }
  ~MainWindowHarness() { sim.WaitForThreads(); }

  Rows CatalogRows() const { return sim.Rows(mw::kWindow, mw::kCatalogList); }
  Rows DownloadRows() const { return sim.Rows(mw::kWindow, mw::kDownloadList); }
  host::Rect Bounds(const char* control) const { return sim.Control(mw::kWindow, control).bounds; }

  // Double-clicks a tree item and waits for the load it may start.
  void OpenTreeItem(int index) {
    sim.DoubleClickTreeItem(mw::kWindow, mw::kTree, index);
    sim.WaitForThreads();
  }
  void Search(const std::string& keyword) {
    sim.TypeText(mw::kWindow, mw::kSearchBox, keyword);
    sim.ClickButton(mw::kWindow, mw::kSearchButton);
  }

  Host sim;
  Net net;
  common::Services services;
  catalog::Catalog catalog;
};

}  // namespace catalog_test
