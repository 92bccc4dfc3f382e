// MainWindow as data: every control with its kind, rectangle, parent page,
// initial state and text; list columns; tree items; toolbar buttons; menus.
#pragma once

#include "common/config.h"
#include "host/layout.h"

namespace shell {

host::WindowDef MainWindowLayout(const common::Config& config);

}  // namespace shell
