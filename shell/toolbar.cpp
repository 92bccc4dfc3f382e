#include "shell/toolbar.h"

#include "common/main_window.h"

namespace shell {

std::string ShareText(const common::Config& config) {
  return "我目前正在使用Kovrin宝盒，使我开发安卓程序更加方便，大家快来试试吧：" +
         config.communityBaseUrl + "thread-2775-1-1.html";
}

Toolbar::Toolbar(common::Services& services, catalog::Catalog& catalog, videos::Videos& videos)
    : services_(services), catalog_(catalog), videos_(videos) {}

void Toolbar::Bind(host::WindowDef& mainWindow) {
  auto& events = mainWindow.events;
  events.push_back({mw::kToolbar, host::Event::ToolbarClicked, "",
                    [this](const host::EventArgs& args) { OnButton(args.index); }});

  common::Services* services = &services_;
  auto open = [services](std::string address) {
    return [services, address](const host::EventArgs&) { services->ui.OpenUrl(address); };
  };
  const auto& config = services_.config;
  events.push_back(
      {mw::kTrayMenu, host::Event::MenuItemChosen, mw::kAbout, [services](const host::EventArgs&) {
         services->ui.LoadWindow(AboutWindowDef(*services), false);
       }});
  events.push_back({mw::kTrayMenu, host::Event::MenuItemChosen, mw::kRecruit,
                    open(config.communityBaseUrl + "thread-1804-1-1.html")});
  events.push_back({mw::kTrayMenu, host::Event::MenuItemChosen, mw::kSponsor,
                    open(config.communityBaseUrl + "thread-2009-1-1.html")});
  events.push_back({mw::kTrayMenu, host::Event::MenuItemChosen, mw::kFreeTask,
                    open(config.taskPageBaseUrl + "home.php?mod=task")});
  events.push_back({mw::kTrayMenu, host::Event::MenuItemChosen, mw::kContact,
                    open("tencent://Message/?uin=" + config.customerServiceUin)});
}

void Toolbar::OnButton(int index) {
  auto& ui = services_.ui;
  const auto& config = services_.config;
  switch (index) {
    case 0:
      ui.SelectTabPage(mw::Ctl(mw::kTab), 0);
      catalog_.ShowDownloadPage();
      break;
    case 1:
      ui.SelectTabPage(mw::Ctl(mw::kTab), 1);
      break;
    case 2:
      ui.SelectTabPage(mw::Ctl(mw::kTab), 0);
      catalog_.ShowCatalogPage();
      catalog_.StartLoadCatalog("kovrinjichushenru");
      break;
    case 3:
      ui.OpenUrl(config.communityBaseUrl + "thread-2792-1-1.html");
      break;
    case 4:
      ui.OpenUrl(config.communityBaseUrl + "forum-46-1.html");
      break;
    case 5:
      ui.SetClipboardText(ShareText(config));
      ui.MessageBox("已成功复制：" + ShareText(config), host::MsgButtons::Ok, host::MsgIcon::None,
                    "");
      break;
    case 6:
      ui.OpenUrl(config.communityBaseUrl + "thread-2009-1-1.html");
      break;
    case 7:
      OpenVideoTutorials();
      break;
    default:
      break;
  }
}

void Toolbar::OpenVideoTutorials() {
  auto& ui = services_.ui;
  if (ui.IsWindowLoaded(videos::kCatalogWindow)) {
    ui.ActivateWindow(videos::kCatalogWindow);
    return;
  }
  const int answer = ui.MessageBox("您已打开视频教学系统，是否最小化主窗口",
                                   host::MsgButtons::YesNo, host::MsgIcon::None, "是否最小化");
  if (answer == host::kMsgYes) ui.SetWindowState(mw::kWindow, host::kWindowMinimised);
  videos_.LoadCatalogWindow();
}

host::WindowDef AboutWindowDef(common::Services& services) {
  using host::ControlKind;
  const auto& config = services.config;
  host::WindowDef w;
  w.name = kAboutWindow;
  w.title = "关于作者";
  w.rect = {50, 50, 250, 214};
  w.style = host::WindowStyle::FixedDialog;

  auto control = [](const char* name, ControlKind kind, host::Rect rect, std::string text) {
    return host::MakeControl(name, kind, rect, std::move(text));
  };
  auto inGroup = [](host::ControlDef c) {
    c.parent = "分组框1";
    return c;
  };
  host::ControlDef site =
      inGroup(control("超级链接框1", ControlKind::Hyperlink, {25, 24, 152, 24},
                      "Tamsk编程平台：" + common::HostName(config.communityBaseUrl)));
  site.address = common::SiteAddress(config.communityBaseUrl);
  host::ControlDef forum =
      inGroup(control("超级链接框2", ControlKind::Hyperlink, {25, 56, 176, 24},
                      "Tamsk官方论坛：" + common::HostName(config.forumBaseUrl) + "/"));
  forum.address = config.forumBaseUrl;
  w.controls = {
      control("分组框1", ControlKind::GroupBox, {7, 8, 232, 176}, "关于作者"),
      site,
      forum,
      inGroup(control("标签2", ControlKind::Label, {25, 86, 168, 24}, "作者：Tamsk编程平台开发组")),
      inGroup(control("标签3", ControlKind::Label, {15, 120, 208, 48},
                      "Kovrin编程平台，让安卓开发更简单。\n感谢论坛各位会员的支持与厚爱！")),
  };
  return w;
}

}  // namespace shell
