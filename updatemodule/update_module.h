// The update module's life inside the process that loads it: the load-time
// check in UpdateModuleWindow, the check again through the export, and the
// clean-up when the module ends.
#pragma once

#include "common/services.h"
#include "updater/updater.h"

namespace updatemodule {

class UpdateModule {
 public:
  // `services.config.runDirectory` is the folder of the module file.
  explicit UpdateModule(common::Services& services);
  ~UpdateModule();
  UpdateModule(const UpdateModule&) = delete;
  UpdateModule& operator=(const UpdateModule&) = delete;

  // Load time: creates the state, then shows UpdateModuleWindow modally
  // (its creation runs the check). Returns when the user has closed it; a
  // transfer started meanwhile goes on.
  void Initialise();

  // The export: the check again, in UpdateModuleWindow shown modally as at
  // load time, so that the download's progress display and the window steps
  // of the check have their window. Returns when the user has closed it. When
  // the window is open already (a call from another thread while a check
  // shows) it is only brought forward.
  void CheckAgain();

  // Exit clean-up, when the module is unloaded or its host ends: a transfer
  // still under way stops. Safe to run more than once.
  void Exit();

  updater::Updater& Checker() { return updater_; }

 private:
  common::Services& services_;
  updater::Updater updater_;
};

}  // namespace updatemodule
