// VideoCatalogWindow and VideoPlayerWindow as data, with their handlers.
#include "common/config.h"
#include "common/main_window.h"
#include "videos/videos.h"

namespace videos {
namespace {

using host::Art;
using host::ControlDef;
using host::ControlKind;
using host::Event;

ControlDef Control(const char* name, ControlKind kind, host::Rect rect, std::string text = "") {
  return host::MakeControl(name, kind, rect, std::move(text));
}

}  // namespace

host::WindowDef Videos::CatalogWindowDef() {
  host::WindowDef w;
  w.name = kCatalogWindow;
  w.title = "";
  w.rect = {50, 50, 711, 535};
  w.style = host::WindowStyle::Frameless;
  w.background = Art::VideoBackground;
  w.backgroundColor = 0x3C82C8;

  ControlDef caption = Control("透明标签1", ControlKind::TransparentLabel, {12, 10, 368, 24},
                               "(Tamsk)Kovrin宝盒视频教学系统 - V2.0");
  caption.font = host::WhiteFont(19, true, "楷体");

  ControlDef toolbar = Control(kToolbar, ControlKind::Toolbar, {24, 48, 376, 88});
  toolbar.buttons = {
      {"主窗口", "转到Kovrin宝盒主页面", Art::VideoToolbarMain, false},
      {"讲师招聘", "应聘论坛讲师", Art::VideoToolbarRecruit, false},
      {"每日签到", "论坛签到领取金币", Art::VideoToolbarSignIn, false},
      {"Tamsk正版赞助", "支持正版Tamsk，赞助正版产品", Art::VideoToolbarSponsor, false},
      {"官方论坛", "Kovrin编程论坛", Art::VideoToolbarForum, false},
  };
  toolbar.buttonIconSize = 48;
  toolbar.pointer = Art::ListPointer;

  ControlDef tree = Control(kCourseTree, ControlKind::Tree, {3, 148, 175, 347});
  tree.treeItems = {
      {"Kovrin编程视频", 1, true, Art::TreeFolder}, {"Kovrin基础培训", 2, false, Art::TreeVideo},
      {"Kovrin强化培训", 2, false, Art::TreeVideo}, {"JAVA编程视频", 1, true, Art::TreeFolder},
      {"JAVA基础培训", 2, false, Art::TreeVideo},   {"JAVA进阶培训", 2, false, Art::TreeVideo},
      {"JAVA强化培训", 2, false, Art::TreeVideo},
  };
  tree.treeExpanded = true;

  ControlDef list = Control(kVideoList, ControlKind::ReportList, {178, 148, 530, 347});
  list.columns = {{"视频教学名称", 230}, {"视频内容", 300}, {"加密数据", 0}};
  list.pointer = Art::ListPointer;

  ControlDef version =
      Control("标签2", ControlKind::Label, {48, 503, 136, 22}, "主程序版本：2.0 正式版");
  version.font = host::WhiteFont();
  ControlDef site = Control("标签1", ControlKind::Label, {496, 504, 181, 22},
                            "官方网站：" + common::SiteAddress(services_.config.communityBaseUrl));
  site.font = host::WhiteFont();

  w.controls = {
      caption,
      host::MakePictureButton(kMinimiseButton, {620, 3, 29, 18}, Art::MinimiseButton, true),
      host::MakePictureButton(kMaximiseButton, {649, 3, 29, 18}, Art::MaximiseButton, false),
      host::MakePictureButton(kCloseButton, {678, 3, 29, 18}, Art::CloseButton, true),
      toolbar,
      tree,
      list,
      version,
      site,
      Control(kListHint, ControlKind::BalloonTip, {}),
  };

  auto& ui = services_.ui;
  w.events = {
      {"", Event::Created, "",
       [&ui](const host::EventArgs&) {
         ui.AttachBalloonTip({kCatalogWindow, kListHint}, {kCatalogWindow, kVideoList},
                             "双击教程，进入视频教学播放器");
       }},
      {kCourseTree, Event::TreeDoubleClicked, "",
       [this](const host::EventArgs&) { OnCourseActivated(); }},
      {kVideoList, Event::RowActivated, "", [this](const host::EventArgs&) { PlayVideo(); }},
      {kToolbar, Event::ToolbarClicked, "",
       [this](const host::EventArgs& args) { OnToolbar(args.index); }},
      {kMinimiseButton, Event::Clicked, "",
       [&ui](const host::EventArgs&) {
         ui.SetWindowState(kCatalogWindow, host::kWindowMinimised);
       }},
      {kCloseButton, Event::Clicked, "",
       [&ui](const host::EventArgs&) {
         ui.SetVisible({mw::kWindow, ""}, true);
         ui.DestroyWindow(kCatalogWindow);
       }},
  };
  return w;
}

host::WindowDef Videos::PlayerWindowDef() {
  host::WindowDef w;
  w.name = kPlayerWindow;
  w.title = "(Tamsk)Kovrin宝盒在线视频教学系统 - V2.0";
  w.rect = {50, 50, 822, 546};
  w.style = host::WindowStyle::ResizableFrame;
  w.controls = {Control(kPlayerBrowser, ControlKind::Browser, {1, 1, 136, 112})};
  w.events = {
      {"", Event::Created, "", [this](const host::EventArgs&) { FitPlayerBrowser(true); }},
      {"", Event::SizeChanged, "", [this](const host::EventArgs&) { FitPlayerBrowser(false); }},
  };
  return w;
}

}  // namespace videos
