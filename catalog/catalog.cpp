#include "catalog/catalog.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>

#include "common/main_window.h"
#include "common/split_text.h"
#include "common/text.h"

namespace catalog {

namespace {

constexpr const char* kSearchTitle = "查询";
constexpr const char* kSearchEmptyList = "您好，请您先选择培训版块";
constexpr const char* kSearchNotFound = "您搜索的教程关键字未查询到，请您重新整理查询...";
constexpr const char* kAddedTitle = "添加资源";
constexpr const char* kAddedText = "欲下载资源添加成功，请进入下载页面下载";

// Top of 超级列表框2 that puts it wholly below the visible part of page 0.
constexpr int kDownloadListAwayTop = 536;

constexpr int kToolbarDownloadPage = 0;
constexpr int kToolbarResources = 2;
constexpr int kTreeDownloadPage = 0;
constexpr int kTreeTraining = 1;

// Appends the rows to 超级列表框1, every cell of a row right after its append.
void AppendRows(host::WindowServices& ui, const std::vector<CatalogRow>& rows) {
  const host::ControlRef list = mw::Ctl(mw::kCatalogList);
  for (const CatalogRow& row : rows) {
    const int n = ui.ListAppendRow(list);
    for (int col = 0; col < static_cast<int>(row.size()); ++col)
      ui.ListSetCell(list, n, col, row[col]);
  }
}

// GBK field to UTF-8; ASCII, the bulk of sizes and dates, is the same in both.
std::string ToUtf8(std::string field) {
  for (char c : field)
    if (static_cast<unsigned char>(c) >= 0x80) return common::GbkToUtf8(field);
  return field;
}

}  // namespace

std::vector<CatalogRow> ParseCatalog(std::string_view body) {
  // Split on the GBK bytes first: a trail byte may look like "|".
  const std::vector<std::string> lines = common::SplitText(common::BodyUpToZero(body), "\r\n");
  std::vector<CatalogRow> rows;
  rows.reserve(lines.size());
  for (const std::string& line : lines) {
    std::vector<std::string> fields = common::SplitText(line, "|");
    if (fields.empty()) continue;  // an empty line
    const std::size_t used = std::min(fields.size(), std::size_t{4});
    for (std::size_t i = 0; i < used; ++i) fields[i] = ToUtf8(std::move(fields[i]));
    CatalogRow row;
    row[0] = std::move(fields[0]);
    // A present but empty size field still reads "KB"; a missing one stays empty.
    if (used > 1) row[1] = std::move(fields[1]) + "KB";
    if (used > 2) row[2] = std::move(fields[2]);
    if (used > 3) row[3] = std::move(fields[3]);
    rows.push_back(std::move(row));
  }
  return rows;
}

host::WindowDef TrainingWindowDef(const common::Config& config) {
  host::WindowDef def;
  def.name = kTrainingWindow;
  def.title = "论坛最新大型培训 （赞助论坛即可有资格参加）";
  def.rect = {120, 80, 955, 436};
  def.style = host::WindowStyle::FixedDialog;
  host::ControlDef browser;
  browser.name = kTrainingBrowser;
  browser.kind = host::ControlKind::Browser;
  browser.rect = {0, 0, 952, 414};
  browser.address = config.communityBaseUrl + "培训项目.html";
  def.controls.push_back(std::move(browser));
  return def;
}

struct Catalog::Impl {
  explicit Impl(common::Services& s) : services(s) {}

  common::Services& services;
  // Raised for every load requested; a load touches the list only while it
  // is still the newest, and only inside a UI unit that checks it.
  std::atomic<std::uint64_t> generation{0};
  // Folder of the catalog that 超级列表框1 holds; written and read only
  // inside UI units.
  std::string loadedFolder;

  void Load(const std::string& folder, std::uint64_t gen);
};

void Catalog::Impl::Load(const std::string& folder, std::uint64_t gen) {
  host::WindowServices& ui = services.ui;
  const host::ControlRef list = mw::Ctl(mw::kCatalogList);

  // The list stays empty while the catalog is on its way.
  ui.RunOnUiThread([&] {
    if (generation.load() == gen) ui.ListClear(list);
  });

  const std::string body =
      services.net.HttpFetch(services.config.contentBaseUrl + folder + "/123.txt");
  if (generation.load() != gen) return;  // superseded: spare the parse
  const std::vector<CatalogRow> rows = ParseCatalog(body);

  // Clear and fill as one unit, so that nothing on the UI thread ever sees a
  // half-filled list or a half-written row, and a newer load always wins.
  ui.RunOnUiThread([&] {
    if (generation.load() != gen) return;
    ui.ListClear(list);
    AppendRows(ui, rows);
    loadedFolder = folder;
  });
}

Catalog::Catalog(common::Services& services) : impl_(new Impl(services)) {}
Catalog::~Catalog() { delete impl_; }

void Catalog::Bind(host::WindowDef& mainWindow) {
  using host::Event;
  using host::EventArgs;
  auto& events = mainWindow.events;
  events.push_back(
      {mw::kTree, Event::TreeDoubleClicked, "", [this](const EventArgs&) { ActivateTreeItem(); }});
  events.push_back({mw::kCatalogList, Event::RowActivated, "",
                    [this](const EventArgs&) { AddToDownloadList(); }});
  events.push_back(
      {mw::kSearchButton, Event::Clicked, "", [this](const EventArgs&) { SearchCatalog(); }});
  events.push_back({mw::kSearchBox, Event::KeyPressed, "", [this](const EventArgs& args) {
                      if (args.key == host::kKeyEnter) SearchCatalog();
                    }});
}

void Catalog::ActivateTreeItem() {
  host::WindowServices& ui = impl_->services.ui;
  const int index = ui.TreeSelectedIndex(mw::Ctl(mw::kTree));
  if (index == kTreeDownloadPage) {
    ui.CheckToolbarButton(mw::Ctl(mw::kToolbar), kToolbarDownloadPage);
    ShowDownloadPage();
    return;
  }
  if (index == kTreeTraining) {
    ui.LoadWindow(TrainingWindowDef(impl_->services.config), false);
    return;
  }
  const std::string folder = FolderOfTreeIndex(index);
  if (folder.empty()) return;  // a group item, or no selection
  ui.CheckToolbarButton(mw::Ctl(mw::kToolbar), kToolbarResources);
  ShowCatalogPage();
  StartLoadCatalog(folder);
}

void Catalog::ShowDownloadPage() {
  host::WindowServices& ui = impl_->services.ui;
  const host::ControlRef from = mw::Ctl(mw::kCatalogList);
  const host::ControlRef to = mw::Ctl(mw::kDownloadList);
  for (host::Bound b :
       {host::Bound::Left, host::Bound::Width, host::Bound::Height, host::Bound::Top})
    ui.SetBounds(to, b, ui.GetBounds(from, b));
}

void Catalog::ShowCatalogPage() {
  impl_->services.ui.SetBounds(mw::Ctl(mw::kDownloadList), host::Bound::Top, kDownloadListAwayTop);
}

void Catalog::StartLoadCatalog(const std::string& folder) {
  // The generation is taken here, in request order, not when the worker
  // happens to start running.
  const std::uint64_t gen = ++impl_->generation;
  Impl* impl = impl_;
  impl_->services.ui.StartThread([impl, folder, gen] { impl->Load(folder, gen); });
}

void Catalog::LoadCatalog(const std::string& folder) { impl_->Load(folder, ++impl_->generation); }

void Catalog::SearchCatalog() {
  host::WindowServices& ui = impl_->services.ui;
  const host::ControlRef list = mw::Ctl(mw::kCatalogList);
  const host::ControlRef buffer = mw::Ctl(mw::kSearchBuffer);
  const char* message = nullptr;

  // One unit: a load's fill never interleaves with the search.
  ui.RunOnUiThread([&] {
    ui.SetText(buffer, "");
    if (ui.ListRowCount(list) == 0) {
      message = kSearchEmptyList;
      return;
    }
    const std::string keyword = ui.GetText(mw::Ctl(mw::kSearchBox));
    int row = ui.ListFindRow(list, keyword, 0);
    if (row < 0) {
      message = kSearchNotFound;
      return;
    }
    // The kept rows are refilled from the cells read, not by splitting the
    // buffer again: a cell may end up empty or hold a "|" (a replaced
    // invalid GBK byte before it), which would not survive the round trip.
    std::vector<CatalogRow> kept;
    std::string text;
    while (row >= 0) {
      CatalogRow cells;
      for (int col = 0; col < static_cast<int>(cells.size()); ++col) {
        cells[col] = ui.ListGetCell(list, row, col);
        text += cells[col];
        text += col + 1 < static_cast<int>(cells.size()) ? "|" : "\r\n";
      }
      kept.push_back(std::move(cells));
      row = ui.ListFindRow(list, keyword, row + 1);
    }
    ui.AppendText(buffer, text);
    ui.ListClear(list);
    AppendRows(ui, kept);
  });

  if (message) ui.MessageBox(message, host::MsgButtons::Ok, host::MsgIcon::None, kSearchTitle);
}

void Catalog::AddToDownloadList() {
  host::WindowServices& ui = impl_->services.ui;
  bool added = false;

  ui.RunOnUiThread([&] {
    const host::ControlRef catalog = mw::Ctl(mw::kCatalogList);
    const host::ControlRef downloads = mw::Ctl(mw::kDownloadList);
    const int count = ui.ListRowCount(catalog);
    if (count == 0) return;
    const int selected = ui.ListSelectedRow(catalog);
    if (selected < 0 || selected >= count) return;  // nothing was activated
    const std::string name = ui.ListGetCell(catalog, selected, 0);
    const std::string size = ui.ListGetCell(catalog, selected, 1);
    const int treeIndex = ui.TreeSelectedIndex(mw::Ctl(mw::kTree));
    // The row must carry the folder its resource came from: the catalog on
    // view, whatever the tree's selection says now.
    const std::string folder =
        impl_->loadedFolder.empty() ? FolderOfTreeIndex(treeIndex) : impl_->loadedFolder;

    const int n = ui.ListAppendRow(downloads);
    ui.ListSetCell(downloads, n, mw::kColName, name);
    ui.ListSetCell(downloads, n, mw::kColSize, size);
    ui.ListSetCell(downloads, n, mw::kColState, mw::kStateNotDone);
    if (!folder.empty()) ui.ListSetCell(downloads, n, mw::kColFolder, folder);
    added = true;
  });

  if (added)
    ui.MessageBox(kAddedText, host::MsgButtons::Ok, host::MsgIcon::Information, kAddedTitle);
}

}  // namespace catalog
