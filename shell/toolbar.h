// MainWindow's toolbar and the TrayMenu links: the three views, the
// community pages, the recommendation text, the video tutorials and
// AboutWindow.
#pragma once

#include <string>

#include "catalog/catalog.h"
#include "common/services.h"
#include "host/layout.h"
#include "videos/videos.h"

namespace shell {

inline constexpr const char* kAboutWindow = "AboutWindow";

// The recommendation text that "宝盒推广" puts on the clipboard.
std::string ShareText(const common::Config& config);

host::WindowDef AboutWindowDef(common::Services& services);

class Toolbar {
 public:
  Toolbar(common::Services& services, catalog::Catalog& catalog, videos::Videos& videos);
  void Bind(host::WindowDef& mainWindow);

  void OnButton(int index);

 private:
  void OpenVideoTutorials();

  common::Services& services_;
  catalog::Catalog& catalog_;
  videos::Videos& videos_;
};

}  // namespace shell
