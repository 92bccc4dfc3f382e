#include "updatemodule/update_module.h"

namespace updatemodule {

UpdateModule::UpdateModule(common::Services& services)
    : services_(services), updater_(services, updater::UpdateModuleSettings(services.config)) {}

UpdateModule::~UpdateModule() { Exit(); }

void UpdateModule::Initialise() {
  updater_.StartUp();
  services_.ui.LoadWindow(updater_.WindowDef(), true);
}

void UpdateModule::CheckAgain() {
  const std::string& window = updater_.Settings().windowName;
  if (services_.ui.IsWindowLoaded(window)) {
    services_.ui.ActivateWindow(window);
    return;
  }
  services_.ui.LoadWindow(updater_.WindowDef(), true);
}

void UpdateModule::Exit() { updater_.Exit(); }

}  // namespace updatemodule
