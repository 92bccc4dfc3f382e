#include "shell/main_window_layout.h"

#include "catalog/catalog.h"
#include "common/main_window.h"

namespace shell {
namespace {

using host::Art;
using host::ControlDef;
using host::ControlKind;
using host::Hidden;
using host::MakePictureButton;
using host::WhiteFont;

ControlDef Control(const char* name, ControlKind kind, host::Rect rect, std::string text = "") {
  return host::MakeControl(name, kind, rect, std::move(text));
}

ControlDef OnPage(ControlDef c, int page) {
  c.parent = mw::kTab;
  c.page = page;
  return c;
}

ControlDef Toolbar() {
  ControlDef c = Control(mw::kToolbar, ControlKind::Toolbar, {11, 38, 592, 89});
  c.buttons = {
      {"下载页面", "资源下载页面", Art::ToolbarDownloadPage, true},
      {"平台首页", "系统软件 - 首页介绍", Art::ToolbarHome, true},
      {"Tamsk资源", "聚集精品资源", Art::ToolbarResources, true},
      {"资源分享", "享受分享快乐，分享精品资源", Art::ToolbarShare, false},
      {"软件建议", "论坛与软件的问题反馈", Art::ToolbarFeedback, false},
      {"宝盒推广", "将软件推广喜爱编程的朋友", Art::ToolbarPromote, false},
      {"论坛赞助", "支持赞助论坛的发展", Art::ToolbarSponsor, false},
      {"视频教育", "在线视频教学社区", Art::ToolbarVideo, false},
  };
  c.checkedButton = 0;
  c.buttonIconSize = 64;
  c.pointer = Art::ListPointer;
  return c;
}

ControlDef Tree() {
  ControlDef c = OnPage(Control(mw::kTree, ControlKind::Tree, {1, 30, 175, 347}), 0);
  for (const auto& item : catalog::CategoryTree())
    c.treeItems.push_back({item.text, item.level, item.bold, item.icon});
  c.treeExpanded = false;
  return c;
}

ControlDef CatalogList() {
  ControlDef c = OnPage(Control(mw::kCatalogList, ControlKind::ReportList, {176, 4, 666, 373}), 0);
  c.columns = {{"资源内容", 230}, {"资源大小", 100}, {"更新时间", 150}, {"请支持我们", 200}};
  c.pointer = Art::ListPointer;
  return c;
}

ControlDef DownloadList() {
  ControlDef c = OnPage(Control(mw::kDownloadList, ControlKind::ReportList, {176, 4, 666, 373}), 0);
  c.columns = {{"下载内容", 230},
               {"资源大小", 100},
               {"下载进度(资源大小/已下载大小)", 200},
               {"下载状态", 150},
               {"加密数据", 0}};
  c.pointer = Art::ListPointer;
  return c;
}

}  // namespace

host::WindowDef MainWindowLayout(const common::Config& config) {
  host::WindowDef w;
  w.name = mw::kWindow;
  w.title = "Kovrin宝盒 V1.0";
  w.rect = {50, 50, 860, 540};
  w.style = host::WindowStyle::Frameless;
  w.background = Art::MainBackground;
  w.backgroundColor = 0x3C82C8;
  w.icon = Art::ProgramIcon;

  ControlDef caption = Control(mw::kCaption, ControlKind::TransparentLabel, {18, 6, 224, 24},
                               "(Tamsk)Kovrin宝盒 V2.0");
  caption.font = WhiteFont(19, true, "楷体");

  ControlDef tab = Control(mw::kTab, ControlKind::TabControl, {7, 133, 847, 385});
  tab.tabPages = {"一", "二"};

  ControlDef versionLabel =
      Control(mw::kVersionLabel, ControlKind::Label, {48, 517, 136, 22}, "主程序版本：2.0 正式版");
  versionLabel.font = WhiteFont();
  ControlDef progressLabel =
      Hidden(Control(mw::kProgressLabel, ControlKind::Label, {384, 517, 64, 22}, "下载进度："));
  progressLabel.font = WhiteFont();
  ControlDef progressBar =
      Hidden(Control(mw::kProgressBar, ControlKind::ProgressBar, {442, 521, 179, 16}));
  ControlDef siteLabel = Control(mw::kSiteLabel, ControlKind::Label, {643, 517, 181, 22},
                                 "官方网站：" + common::SiteAddress(config.communityBaseUrl));
  siteLabel.font = WhiteFont();

  ControlDef browser = OnPage(Control(mw::kBrowser, ControlKind::Browser, {2, 4, 841, 373}), 1);

  w.controls = {
      caption,
      Toolbar(),
      tab,
      versionLabel,
      progressLabel,
      progressBar,
      siteLabel,
      MakePictureButton(mw::kMinimiseButton, {772, 1, 29, 18}, Art::MinimiseButton, true),
      MakePictureButton(mw::kMaximiseButton, {801, 1, 29, 18}, Art::MaximiseButton, false),
      MakePictureButton(mw::kCloseButton, {830, 1, 29, 18}, Art::CloseButton, true),
      Hidden(Control(mw::kSearchBuffer, ControlKind::EditBox, {448, 8, 133, 25})),
      OnPage(Control(mw::kSearchBox, ControlKind::EditBox, {1, 4, 133, 25}), 0),
      OnPage(Control(mw::kSearchButton, ControlKind::Button, {135, 4, 40, 24}, "查找"), 0),
      Tree(),
      CatalogList(),
      DownloadList(),  // after the catalog list: drawn above it
      browser,
      Control(mw::kCatalogHint, ControlKind::BalloonTip, {}),
      Control(mw::kVersionBalloon, ControlKind::BalloonTip, {}),
      Control(mw::kTimer1, ControlKind::Timer, {}),
      Control(mw::kTimer2, ControlKind::Timer, {}),
      Control(mw::kTimer3, ControlKind::Timer, {}),
  };

  w.menus = {
      {mw::kTaskMenu,
       "表",
       {mw::kStartTask, mw::kContinueTask, mw::kPauseTask, mw::kDownloadAll, mw::kForceStop}},
      {mw::kListMenu,
       "菜单",
       {mw::kOpenFile, mw::kDeleteTask, mw::kDeleteTaskAndFile, mw::kOpenFolder, mw::kClearList}},
      {mw::kTrayMenu,
       "托盘",
       {mw::kAbout, mw::kRecruit, mw::kSponsor, mw::kFreeTask, mw::kCheckUpdate, mw::kContact,
        mw::kQuit}},
  };
  return w;
}

}  // namespace shell
