#include "videos/videos.h"

#include <atomic>

#include "common/main_window.h"
#include "common/split_text.h"

namespace videos {
namespace {

constexpr const char* kCourseFiles[] = {
    nullptr,       "tamskjichupeixun.txt", "tamskqianghuapeixun.txt", nullptr, "jjichu.txt",
    "jjinjie.txt", "jqianghua.txt"};

host::ControlRef Catalog(const char* control) { return {kCatalogWindow, control}; }

}  // namespace

// Lives as long as any worker that may still fill the list.
struct Videos::Shared {
  std::atomic<unsigned> generation{0};
};

std::string CourseCatalogUrl(const common::Config& config, int treeIndex) {
  if (treeIndex < 0 || treeIndex >= static_cast<int>(std::size(kCourseFiles))) return "";
  const char* file = kCourseFiles[treeIndex];
  return file ? config.contentBaseUrl + "zaixianshiping/" + file : "";
}

Videos::Videos(common::Services& services)
    : services_(services), shared_(std::make_shared<Shared>()) {}

Videos::~Videos() = default;

void Videos::LoadCatalogWindow() { services_.ui.LoadWindow(CatalogWindowDef(), false); }

void Videos::OnCourseActivated() {
  const std::string address =
      CourseCatalogUrl(services_.config, services_.ui.TreeSelectedIndex(Catalog(kCourseTree)));
  if (!address.empty()) LoadVideoCatalog(address);
}

void Videos::LoadVideoCatalog(const std::string& address) {
  auto& ui = services_.ui;
  const unsigned generation = ++shared_->generation;
  ui.ListClear(Catalog(kVideoList));
  std::shared_ptr<Shared> shared = shared_;
  common::Services* services = &services_;
  ui.StartThread([shared, services, generation, address] {
    const std::string body = services->net.HttpFetch(address);
    const auto lines = common::SplitRecords(body);
    services->ui.RunOnUiThread([&] {
      // A newer course was double-clicked meanwhile: its load owns the list.
      if (shared->generation != generation) return;
      auto& ui = services->ui;
      const auto list = Catalog(kVideoList);
      ui.ListClear(list);
      for (const auto& fields : lines) {
        if (fields.empty()) continue;  // an empty line is no video
        const int row = ui.ListAppendRow(list);
        for (int col = 0; col < 3; ++col)
          ui.ListSetCell(list, row, col, col < static_cast<int>(fields.size()) ? fields[col] : "");
      }
    });
  });
}

void Videos::PlayVideo() {
  auto& ui = services_.ui;
  const auto list = Catalog(kVideoList);
  const std::string address = ui.ListGetCell(list, ui.ListSelectedRow(list), 2);
  const host::ControlRef browser{kPlayerWindow, kPlayerBrowser};
  if (ui.IsWindowLoaded(kPlayerWindow)) {
    ui.Navigate(browser, "");
    ui.Navigate(browser, address);
  } else {
    ui.LoadWindow(PlayerWindowDef(), false);
    ui.Navigate(browser, address);
  }
}

void Videos::OnToolbar(int index) {
  auto& ui = services_.ui;
  const auto& config = services_.config;
  switch (index) {
    case 0:
      ui.SetVisible({mw::kWindow, ""}, true);
      ui.ActivateWindow(mw::kWindow);
      ui.SetWindowState(kCatalogWindow, host::kWindowRestoreCentre);
      break;
    case 1:
      ui.OpenUrl(config.communityBaseUrl + "thread-1804-1-1.html");
      break;
    case 2:
      ui.OpenUrl(config.communityBaseUrl + "plugin.php?id=dsu_paulsign:sign");
      break;
    case 3:
      ui.OpenUrl(config.forumBaseUrl + "misc.php?mod=faq&action=faq&id=4");
      break;
    case 4:
      ui.OpenUrl(common::SiteAddress(config.communityBaseUrl));
      break;
    default:
      break;
  }
}

void Videos::FitPlayerBrowser(bool created) {
  auto& ui = services_.ui;
  const host::ControlRef window{kPlayerWindow, ""};
  const host::ControlRef browser{kPlayerWindow, kPlayerBrowser};
  const int width = ui.GetBounds(window, host::Bound::Width);
  const int height = ui.GetBounds(window, host::Bound::Height);
  ui.SetBounds(browser, host::Bound::Left, 0);
  ui.SetBounds(browser, host::Bound::Top, 0);
  ui.SetBounds(browser, host::Bound::Width, created ? width : width - 15);
  ui.SetBounds(browser, host::Bound::Height, created ? height : height - 35);
}

}  // namespace videos
