// MainWindow on the simulated window system with rows put straight into the
// download list, menu commands chosen as the user would, and the scripted
// download driven in kilobytes.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/main_window.h"
#include "common/paths.h"
#include "shell/test_app_fixture.h"

namespace downloads::testing {

struct Row {
  std::string name;
  std::string size = "10KB";
  std::string state = mw::kStateNotDone;
  std::string folder = "jar";
};

// One started program with its own folder; a table case builds its own.
class Harness {
 public:
  Harness() {
    app = std::make_unique<shell::App>(sim, net, shell::testing::TestConfig(dir));
    app->Start();
  }
  virtual ~Harness() {
    sim.WaitForThreads();
    app.reset();
  }
  Harness(const Harness&) = delete;
  Harness& operator=(const Harness&) = delete;

  void AddRows(const std::vector<Row>& rows) {
    const auto list = mw::Ctl(mw::kDownloadList);
    for (const auto& r : rows) {
      const int n = sim.ListAppendRow(list);
      sim.ListSetCell(list, n, mw::kColName, r.name);
      sim.ListSetCell(list, n, mw::kColSize, r.size);
      sim.ListSetCell(list, n, mw::kColState, r.state);
      if (!r.folder.empty()) sim.ListSetCell(list, n, mw::kColFolder, r.folder);
    }
  }

  // Double-clicks `row` (which selects it) and chooses a TaskMenu item; with
  // row -1 the menu is opened on row 0 and the selection cleared before the
  // choice. False when the item was disabled.
  bool Task(const char* item, int row) {
    if (!sim.DoubleClickRow(mw::kWindow, mw::kDownloadList, row < 0 ? 0 : row)) return false;
    if (row < 0) sim.SelectRow(mw::kWindow, mw::kDownloadList, -1);
    return sim.ChooseMenuItem(mw::kWindow, mw::kTaskMenu, item);
  }
  // Selects `row` (-1: none), right-clicks the list and chooses a ListMenu item.
  bool List(const char* item, int row) {
    sim.SelectRow(mw::kWindow, mw::kDownloadList, row);
    if (!sim.RightClickList(mw::kWindow, mw::kDownloadList)) return false;
    return sim.ChooseMenuItem(mw::kWindow, mw::kListMenu, item);
  }
  void Select(int row) { sim.SelectRow(mw::kWindow, mw::kDownloadList, row); }

  void SetKb(std::uint32_t kb) { net.SetReceived(kb * 1024); }
  std::vector<std::string> Calls() const {
    auto state = net.DownloadState(0);
    std::lock_guard lk(state->mutex);
    return state->calls;
  }

  std::vector<std::vector<std::string>> Rows() const {
    return sim.Rows(mw::kWindow, mw::kDownloadList);
  }
  std::string Cell(int row, int col) const {
    const auto rows = Rows();
    if (row < 0 || row >= static_cast<int>(rows.size())) return "(no row)";
    const auto& cells = rows[row];
    return col < static_cast<int>(cells.size()) ? cells[col] : std::string();
  }
  std::vector<std::string> Column(int col) const {
    std::vector<std::string> out;
    for (int r = 0; r < static_cast<int>(Rows().size()); ++r) out.push_back(Cell(r, col));
    return out;
  }
  std::vector<std::string> States() const { return Column(mw::kColState); }
  int Period(const char* timer) const { return sim.TimerPeriod(mw::kWindow, timer); }
  bool Visible(const char* control) const { return sim.Control(mw::kWindow, control).visible; }
  downloads::DownloadState& Dm() { return app->Downloads().State(); }

  std::string Folder() const { return common::ResourceFolder(dir.path()); }
  std::string Package(const std::string& name) const {
    return common::JoinPath(Folder(), name + ".zip");
  }
  std::string AddCall(const std::string& folder, const std::string& name) const {
    return "AddTask http://content.test/" + folder + "/" + name + ".zip " + Package(name);
  }

  testing_support::TempDir dir;
  host::sim::SimHost sim;
  host::sim::FakeNetwork net;
  std::unique_ptr<shell::App> app;
};

class DownloadTest : public ::testing::Test, public Harness {};

}  // namespace downloads::testing
