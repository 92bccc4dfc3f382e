// The updater program `update`: reads no command line and sets no exit code
// of its own.
#include "common/config.h"
#include "common/services.h"
#include "host/curl/curl_network.h"
#include "host/qt/qt_host.h"
#include "updater/updater.h"

int main() {
  host::qt::QtHost ui;
  host::curl::CurlNetwork net;
  common::Services services{ui, net, common::DefaultConfig()};
  updater::RunUpdaterProgram(services);
  return 0;
}
