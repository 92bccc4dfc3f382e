// The main program on Linux: the window services on Qt, the network on
// libcurl. The command line is not read.
#include "common/config.h"
#include "host/curl/curl_network.h"
#include "host/qt/qt_host.h"
#include "shell/app.h"

int main() {
  host::qt::QtHost ui;
  host::curl::CurlNetwork net;
  shell::App app(ui, net, common::DefaultConfig());
  return app.Run();
}
