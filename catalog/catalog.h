// The resource catalog: the category tree, catalog loading on worker
// threads, the search and adding a resource to the download list.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/services.h"
#include "host/layout.h"

namespace catalog {

struct CategoryItem {
  const char* text;
  int level;
  bool bold;
  host::Art icon;
  const char* folder;  // CatalogFolder, nullptr for items that load nothing
};

// The fixed items of 树型框1, in pre-order.
const std::vector<CategoryItem>& CategoryTree();
// The CatalogFolder of a tree index, "" when the item names none.
std::string FolderOfTreeIndex(int index);

// The four cells of one 超级列表框1 row: name, size text ("...KB"), update
// time, remark.
using CatalogRow = std::array<std::string, 4>;
// A fetched catalog body (GBK, up to its first zero byte) as rows, in file
// order. A line with fewer than four fields keeps its missing cells empty;
// an empty line gives no row; fields after the fourth are ignored.
std::vector<CatalogRow> ParseCatalog(std::string_view body);

// TrainingWindow, which tree item "赞助会员培训班" opens.
inline constexpr const char* kTrainingWindow = "TrainingWindow";
inline constexpr const char* kTrainingBrowser = "超文本浏览框1";
host::WindowDef TrainingWindowDef(const common::Config& config);

class Catalog {
 public:
  explicit Catalog(common::Services& services);
  // Threads started by StartLoadCatalog use this object: it must outlive them.
  ~Catalog();
  Catalog(const Catalog&) = delete;
  Catalog& operator=(const Catalog&) = delete;

  // Binds the tree, the catalog list, the search button and box of MainWindow.
  void Bind(host::WindowDef& mainWindow);

  // Tree activation: acts on the tree's selected item.
  void ActivateTreeItem();
  void ShowDownloadPage();
  void ShowCatalogPage();
  // Starts LoadCatalog(folder) on a worker thread of its own.
  void StartLoadCatalog(const std::string& folder);
  // Worker thread: fetch the folder's catalog and fill 超级列表框1. A newer
  // load supersedes one still running.
  void LoadCatalog(const std::string& folder);
  void SearchCatalog();
  void AddToDownloadList();

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace catalog
