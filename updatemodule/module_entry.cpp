// The shared library `up`: loading it runs the update check in its window
// before the load returns; its single export, named by the GBK bytes of
// "更新", runs the check again.
#include <cstdlib>
#include <utility>

#include "common/config.h"
#include "common/paths.h"
#include "common/services.h"
#include "host/curl/curl_network.h"
#include "host/qt/qt_host.h"
#include "updatemodule/update_module.h"

#ifdef _WIN32
#define RB_MODULE_EXPORT __declspec(dllexport)
#else
#define RB_MODULE_EXPORT __attribute__((visibility("default")))
#endif

namespace {

// Everything the module holds while it is loaded. The window services take
// the host's application object when it has one and create their own
// otherwise.
struct LoadedModule {
  explicit LoadedModule(common::Config config)
      : services{ui, net, std::move(config)}, module(services) {}

  host::qt::QtHost ui;
  host::curl::CurlNetwork net;
  common::Services services;
  updatemodule::UpdateModule module;
};

LoadedModule* g_loaded = nullptr;

void Anchor() {}

// Exit clean-up at the end of the host process: a transfer still under way
// stops. The module is linked to stay resident after an unload request (its
// application object, X connection and transfer threads cannot leave a
// running process safely), so the end of the process is the one moment it
// ends. Registered with atexit once the window services exist, so it runs
// before the static state that Qt and libcurl set up earlier is torn down.
// The window services are left to the ending process: deleting the
// application object then would reach into Qt state already gone.
void OnProcessEnd() {
  if (g_loaded != nullptr) g_loaded->module.Exit();
}

__attribute__((constructor)) void LoadModule() {
  common::Config config = common::DefaultConfig();
  // Packages go beside the module file, wherever the host loaded it from.
  config.runDirectory = common::ModuleDirectory(reinterpret_cast<const void*>(&Anchor));
  g_loaded = new LoadedModule(std::move(config));
  std::atexit(OnProcessEnd);
  g_loaded->module.Initialise();
}

}  // namespace

// The export: no parameters, no result. It shows UpdateModuleWindow modally
// again, as the load did, and returns when the user has closed it. Call it on
// the thread that loaded the module (the window's thread).
extern "C" RB_MODULE_EXPORT void RunUpdateCheckAgain() __asm__("\xB8\xFC\xD0\xC2");

extern "C" void RunUpdateCheckAgain() {
  if (g_loaded != nullptr) g_loaded->module.CheckAgain();
}
