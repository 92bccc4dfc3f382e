// MainWindow's toolbar and the TrayMenu links: the three views, the
// community pages, the recommendation text, the video tutorials,
// TrainingWindow and AboutWindow.
#pragma once

#include "catalog/catalog.h"
#include "common/services.h"
#include "host/layout.h"
#include "videos/videos.h"

namespace shell {

class Toolbar {
 public:
  Toolbar(common::Services& services, catalog::Catalog& catalog, videos::Videos& videos);
  void Bind(host::WindowDef& mainWindow);

 private:
  common::Services& services_;
  catalog::Catalog& catalog_;
  videos::Videos& videos_;
};

}  // namespace shell
