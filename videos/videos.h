// The video tutorials: VideoCatalogWindow with its course tree and list, and
// VideoPlayerWindow with its browser box.
#pragma once

#include <string>

#include "common/services.h"
#include "host/layout.h"

namespace videos {

inline constexpr const char* kCatalogWindow = "VideoCatalogWindow";
inline constexpr const char* kPlayerWindow = "VideoPlayerWindow";

class Videos {
 public:
  explicit Videos(common::Services& services);
  ~Videos();
  Videos(const Videos&) = delete;
  Videos& operator=(const Videos&) = delete;

  host::WindowDef CatalogWindowDef();
  host::WindowDef PlayerWindowDef();
  // LoadWindow(VideoCatalogWindow, not modal).
  void LoadCatalogWindow();

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace videos
