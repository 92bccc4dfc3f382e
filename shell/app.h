// The main program: program entry, MainWindow with every subsystem's
// handlers bound, the start-up sequence and ExitProgram.
#pragma once

#include <memory>

#include "catalog/catalog.h"
#include "common/services.h"
#include "downloads/download_manager.h"
#include "host/layout.h"
#include "videos/videos.h"

namespace shell {

class TrayAndExit;
class Toolbar;

class App {
 public:
  App(host::WindowServices& ui, host::Network& net, common::Config config);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Program entry after the window services exist: the download manager's
  // start-up routine, the clean-up registration, LoadWindow(MainWindow) and
  // the message loop. Returns the exit code 0.
  int Run();
  // Loads MainWindow without running the message loop (tests drive events).
  void Start();
  // Runs the clean-up routine and ends the process with exit code 0.
  void ExitProgram();

  // MainWindow's layout with every handler bound.
  host::WindowDef MainWindowDef();

  common::Services& Services() { return services_; }
  downloads::DownloadManager& Downloads() { return *downloads_; }
  catalog::Catalog& Catalog() { return *catalog_; }
  videos::Videos& Videos() { return *videos_; }

 private:
  void StartUpSequence();

  common::Services services_;
  std::unique_ptr<downloads::DownloadManager> downloads_;
  std::unique_ptr<catalog::Catalog> catalog_;
  std::unique_ptr<videos::Videos> videos_;
  std::unique_ptr<TrayAndExit> trayAndExit_;
  std::unique_ptr<Toolbar> toolbar_;
  bool cleanedUp_ = false;
};

}  // namespace shell
