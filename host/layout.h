// Windows described as data: controls, rectangles, texts, menus and the
// handlers bound to their events. A binding creates the real window from a
// WindowDef; the core never sees a widget.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace host {

// Artwork is named by its role; every binding supplies its own pictures.
enum class Art {
  None,
  MainBackground,   // 860x535, blue diamond pattern, logo and name upper right
  VideoBackground,  // 860x535, blue diamond pattern, box logo and 教学系统
  CloseButton,      // picture button: white cross on blue, red when over/pressed
  MinimiseButton,   // picture button: short white bar on blue
  MaximiseButton,   // picture button: white rectangle outline on blue
  ToolbarDownloadPage,
  ToolbarHome,
  ToolbarResources,
  ToolbarShare,
  ToolbarFeedback,
  ToolbarPromote,
  ToolbarSponsor,
  ToolbarVideo,
  VideoToolbarMain,
  VideoToolbarRecruit,
  VideoToolbarSignIn,
  VideoToolbarSponsor,
  VideoToolbarForum,
  TreeFolderArrow,
  TreeChart,
  TreeFolder,
  TreeMagnifier,
  TreeVideo,
  ProgramIcon,  // the tray and window icon
  ListPointer,  // blue arrow, 32x32, hot spot (6, 2)
};

enum class ControlKind {
  Label,
  TransparentLabel,
  EditBox,
  Button,
  PictureButton,
  Toolbar,
  TabControl,
  Tree,
  ReportList,
  ProgressBar,
  Browser,
  BalloonTip,
  Timer,
  GroupBox,
  Hyperlink,
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

struct Font {
  std::string face;     // empty: the binding's default face
  int pixelHeight = 0;  // 0: the binding's default size
  bool bold = false;
  std::uint32_t color = 0;  // 0xRRGGBB; 0 with hasColor false: default
  bool hasColor = false;
};

struct ListColumn {
  std::string title;
  int width = 0;  // 0: never visible
};

struct TreeItem {
  std::string text;
  int level = 1;  // 1: top level, 2: child of the nearest level-1 item above
  bool bold = false;
  Art icon = Art::None;
};

struct ToolbarButton {
  std::string text;
  std::string tooltip;
  Art icon = Art::None;
  bool inCheckGroup = false;
};

struct ControlDef {
  std::string name;
  ControlKind kind = ControlKind::Label;
  Rect rect;
  // Parent: empty for the window itself, else the name of a tab control or
  // group box; `page` is the tab page for children of a tab control.
  std::string parent;
  int page = -1;
  bool visible = true;
  bool enabled = true;
  std::string text;  // caption, label text, edit text, hyperlink caption
  Font font;
  std::vector<ListColumn> columns;     // ReportList
  std::vector<TreeItem> treeItems;     // Tree, in pre-order
  bool treeExpanded = false;           // Tree: groups start expanded
  std::vector<ToolbarButton> buttons;  // Toolbar
  int checkedButton = -1;              // Toolbar: pressed at creation
  int buttonIconSize = 64;             // Toolbar
  std::vector<std::string> tabPages;   // TabControl
  Art picture = Art::None;             // PictureButton
  Art pointer = Art::None;             // own mouse pointer
  std::string address;                 // Browser start page, Hyperlink target
  int progressMax = 100;               // ProgressBar
};

struct MenuDef {
  std::string name;   // TaskMenu, ListMenu, TrayMenu
  std::string title;  // "表", "菜单", "托盘"
  std::vector<std::string> items;
};

enum class WindowStyle {
  Frameless,       // draws its own caption, moved by dragging the background
  FixedDialog,     // ordinary fixed border with a caption bar, not resizable
  ResizableFrame,  // ordinary resizable border with a caption bar
};

enum class Event {
  Created,            // window
  PositionChanged,    // window
  SizeChanged,        // window
  Clicked,            // button, picture button
  ToolbarClicked,     // toolbar, args.index = button
  TreeDoubleClicked,  // tree
  RowActivated,       // report list: double-click, or Enter on a selected row
  RightClicked,       // report list
  KeyPressed,         // edit box, args.key = key code (13 = Enter)
  TimerElapsed,       // timer
  MenuItemChosen,     // control = menu name, item = item text
  TrayDoubleClicked,  // window owning the tray icon
  TrayRightClicked,   // window owning the tray icon (or the context-menu key)
};

struct EventArgs {
  int index = -1;
  int key = 0;
};

using Handler = std::function<void(const EventArgs&)>;

struct EventBinding {
  std::string control;  // empty: the window itself; a menu name for menu items
  Event event = Event::Created;
  std::string item;  // menu item text for MenuItemChosen
  Handler handler;
};

struct WindowDef {
  std::string name;
  std::string title;
  Rect rect;  // design origin on the screen and outer size
  WindowStyle style = WindowStyle::Frameless;
  Art background = Art::None;
  std::uint32_t backgroundColor = 0xF0F0F0;
  Art icon = Art::ProgramIcon;
  std::vector<ControlDef> controls;
  std::vector<MenuDef> menus;
  std::vector<EventBinding> events;

  const ControlDef* Find(const std::string& control) const {
    for (const auto& c : controls)
      if (c.name == control) return &c;
    return nullptr;
  }
};

// Builders that keep layout tables short.
inline ControlDef MakeControl(std::string name, ControlKind kind, Rect rect,
                              std::string text = "") {
  ControlDef c;
  c.name = std::move(name);
  c.kind = kind;
  c.rect = rect;
  c.text = std::move(text);
  return c;
}

inline ControlDef Hidden(ControlDef c) {
  c.visible = false;
  return c;
}

inline ControlDef MakePictureButton(std::string name, Rect rect, Art picture, bool enabled) {
  ControlDef c = MakeControl(std::move(name), ControlKind::PictureButton, rect);
  c.picture = picture;
  c.enabled = enabled;
  return c;
}

// Text drawn in white on the blue windows.
inline Font WhiteFont(int pixelHeight = 0, bool bold = false, std::string face = "") {
  Font f;
  f.face = std::move(face);
  f.pixelHeight = pixelHeight;
  f.bold = bold;
  f.color = 0xFFFFFF;
  f.hasColor = true;
  return f;
}

}  // namespace host
