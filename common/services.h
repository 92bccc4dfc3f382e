// What every subsystem works with: the two service interfaces and the
// configuration. Built once by the program entry (or by a test).
#pragma once

#include "common/config.h"
#include "host/network.h"
#include "host/window_services.h"

namespace common {

struct Services {
  host::WindowServices& ui;
  host::Network& net;
  Config config;
};

}  // namespace common
