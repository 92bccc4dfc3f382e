#include "videos/videos.h"

namespace videos {

struct Videos::Impl {
  common::Services& services;
};

Videos::Videos(common::Services& services) : impl_(new Impl{services}) {}
Videos::~Videos() { delete impl_; }
host::WindowDef Videos::CatalogWindowDef() {
  host::WindowDef def;
  def.name = kCatalogWindow;
  return def;
}
host::WindowDef Videos::PlayerWindowDef() {
  host::WindowDef def;
  def.name = kPlayerWindow;
  return def;
}
void Videos::LoadCatalogWindow() { impl_->services.ui.LoadWindow(CatalogWindowDef(), false); }

}  // namespace videos
