// The shared library `up`: loading it runs the update check in its window
// before the load returns; its single export, named by the GBK bytes of
// "更新", runs the check again.
#include <cstdlib>
#include <memory>
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

// Exit clean-up: a transfer still under way stops, then the window services
// go. Runs once, at unload or at the end of the host process, whichever
// comes first.
void ReleaseModule() {
  LoadedModule* loaded = std::exchange(g_loaded, nullptr);
  if (loaded == nullptr) return;
  loaded->module.Exit();
  delete loaded;
}

__attribute__((constructor)) void LoadModule() {
  common::Config config = common::DefaultConfig();
  // Packages go beside the module file, wherever the host loaded it from.
  config.runDirectory = common::ModuleDirectory(reinterpret_cast<const void*>(&Anchor));
  g_loaded = new LoadedModule(std::move(config));
  // Registered from inside the module, so it also runs when the module is
  // unloaded while the host goes on.
  std::atexit(ReleaseModule);
  g_loaded->module.Initialise();
}

__attribute__((destructor)) void UnloadModule() { ReleaseModule(); }

}  // namespace

// The export: no parameters, no result. It shows UpdateModuleWindow modally
// again, as the load did, and returns when the user has closed it. Call it on
// the thread that loaded the module (the window's thread).
extern "C" RB_MODULE_EXPORT void RunUpdateCheckAgain() __asm__("\xB8\xFC\xD0\xC2");

extern "C" void RunUpdateCheckAgain() {
  if (g_loaded != nullptr) g_loaded->module.CheckAgain();
}
