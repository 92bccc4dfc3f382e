#include "shell/toolbar.h"

namespace shell {

Toolbar::Toolbar(common::Services& services, catalog::Catalog& catalog, videos::Videos& videos)
    : services_(services), catalog_(catalog), videos_(videos) {}

void Toolbar::Bind(host::WindowDef&) {}

}  // namespace shell
