#include "shell/app.h"

#include "common/main_window.h"
#include "shell/download_list_store.h"
#include "shell/main_window_layout.h"
#include "shell/toolbar.h"
#include "shell/tray_exit.h"
#include "shell/version_check.h"

namespace shell {

App::App(host::WindowServices& ui, host::Network& net, common::Config config)
    : services_{ui, net, std::move(config)} {
  const std::string iniPath = services_.config.iniPath;
  downloads_ = std::make_unique<downloads::DownloadManager>(
      services_, [iniPath] { DiscardDownloadListStore(iniPath); });
  catalog_ = std::make_unique<catalog::Catalog>(services_);
  videos_ = std::make_unique<videos::Videos>(services_);
  trayAndExit_ = std::make_unique<TrayAndExit>(services_, *downloads_, [this] { ExitProgram(); });
  toolbar_ = std::make_unique<Toolbar>(services_, *catalog_, *videos_);
}

App::~App() = default;

host::WindowDef App::MainWindowDef() {
  host::WindowDef def = MainWindowLayout(services_.config);
  def.events.push_back(
      {"", host::Event::Created, "", [this](const host::EventArgs&) { StartUpSequence(); }});
  downloads_->Bind(def);
  catalog_->Bind(def);
  trayAndExit_->Bind(def);
  toolbar_->Bind(def);
  def.events.push_back({mw::kTrayMenu, host::Event::MenuItemChosen, mw::kCheckUpdate,
                        [this](const host::EventArgs&) { CheckForUpdateCommand(services_); }});
  return def;
}

void App::Start() {
  downloads_->StartUp();
  cleanedUp_ = false;
  services_.ui.LoadWindow(MainWindowDef(), false);
}

int App::Run() {
  Start();
  services_.ui.RunMessageLoop();
  return 0;
}

void App::ExitProgram() {
  if (!cleanedUp_) {
    cleanedUp_ = true;
    downloads_->Exit();
  }
  services_.ui.ExitProcess(0);
}

void App::StartUpSequence() {
  auto& ui = services_.ui;
  common::Services* services = &services_;
  ui.StartThread([services] { VersionCheck(*services); });
  downloads_->ApplyStartUpMenuState();
  ui.Navigate(mw::Ctl(mw::kBrowser), services_.config.communityBaseUrl + "ekovrin/");
  const int savedRows = ReadSavedRowCount(services_.config.iniPath);
  ui.AttachBalloonTip(mw::Ctl(mw::kCatalogHint), mw::Ctl(mw::kCatalogList),
                      "双击添加资源，资源添加成功后进入下载页面");
  RestoreDownloadRows(ui, services_.config.iniPath, savedRows);
  ui.SetTrayIcon(mw::kWindow, host::Art::ProgramIcon, "Kovrin宝盒 V2.0");
}

}  // namespace shell
