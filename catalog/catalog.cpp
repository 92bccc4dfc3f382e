#include "catalog/catalog.h"

namespace catalog {

struct Catalog::Impl {};

Catalog::Catalog(common::Services&) : impl_(new Impl) {}
Catalog::~Catalog() { delete impl_; }
void Catalog::Bind(host::WindowDef&) {}
void Catalog::ShowDownloadPage() {}
void Catalog::ShowCatalogPage() {}
void Catalog::StartLoadCatalog(const std::string&) {}
void Catalog::LoadCatalog(const std::string&) {}
void Catalog::SearchCatalog() {}
void Catalog::AddToDownloadList() {}

host::WindowDef TrainingWindowDef(const common::Config&) {
  host::WindowDef def;
  def.name = kTrainingWindow;
  return def;
}

}  // namespace catalog
