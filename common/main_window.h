// Names of MainWindow and of the controls and menus that several subsystems
// work on. The layout itself is shell/main_window_layout.cpp.
#pragma once

#include "host/window_services.h"

namespace mw {

inline constexpr const char* kWindow = "MainWindow";

inline host::ControlRef Ctl(const char* control) { return {kWindow, control}; }
inline host::MenuItemRef Item(const char* menu, const char* item) { return {kWindow, menu, item}; }

inline constexpr const char* kCaption = "透明标签1";
inline constexpr const char* kToolbar = "工具条1";
inline constexpr const char* kTab = "选择夹1";
inline constexpr const char* kVersionLabel = "标签2";
inline constexpr const char* kProgressLabel = "标签4";
inline constexpr const char* kProgressBar = "进度条1";
inline constexpr const char* kSiteLabel = "标签1";
inline constexpr const char* kMinimiseButton = "图形按钮3";
inline constexpr const char* kMaximiseButton = "图形按钮4";
inline constexpr const char* kCloseButton = "图形按钮2";
inline constexpr const char* kSearchBuffer = "编辑框2";
inline constexpr const char* kSearchBox = "编辑框1";
inline constexpr const char* kSearchButton = "按钮1";
inline constexpr const char* kTree = "树型框1";
inline constexpr const char* kCatalogList = "超级列表框1";
inline constexpr const char* kDownloadList = "超级列表框2";
inline constexpr const char* kBrowser = "超文本浏览框1";
inline constexpr const char* kCatalogHint = "气球提示框1";
inline constexpr const char* kVersionBalloon = "气球提示框2";
inline constexpr const char* kTimer1 = "时钟1";
inline constexpr const char* kTimer2 = "时钟2";
inline constexpr const char* kTimer3 = "时钟3";

inline constexpr const char* kTaskMenu = "TaskMenu";
inline constexpr const char* kListMenu = "ListMenu";
inline constexpr const char* kTrayMenu = "TrayMenu";

// TaskMenu items.
inline constexpr const char* kStartTask = "开始任务";
inline constexpr const char* kContinueTask = "继续任务";
inline constexpr const char* kPauseTask = "暂停任务";
inline constexpr const char* kDownloadAll = "全部任务下载";
inline constexpr const char* kForceStop = "强行停止任务";
// ListMenu items.
inline constexpr const char* kOpenFile = "打开文件";
inline constexpr const char* kDeleteTask = "删除任务";
inline constexpr const char* kDeleteTaskAndFile = "删除任务及文件";
inline constexpr const char* kOpenFolder = "打开下载目录";
inline constexpr const char* kClearList = "清空下载列表";
// TrayMenu items.
inline constexpr const char* kAbout = "关于作者";
inline constexpr const char* kRecruit = "人才应聘";
inline constexpr const char* kSponsor = "赞助论坛";
inline constexpr const char* kFreeTask = "免费任务";
inline constexpr const char* kCheckUpdate = "检测更新";
inline constexpr const char* kContact = "联系客服";
inline constexpr const char* kQuit = "退出程序";

// DownloadRow columns and state texts.
inline constexpr int kColName = 0;
inline constexpr int kColSize = 1;
inline constexpr int kColProgress = 2;
inline constexpr int kColState = 3;
inline constexpr int kColFolder = 4;
inline constexpr const char* kStateNotDone = "未完成";
inline constexpr const char* kStateDownloading = "正在下载";
inline constexpr const char* kStateDone = "已下载完毕";
inline constexpr const char* kStatePaused = "已暂停下载";
inline constexpr const char* kStateContinued = "已继续下载";

}  // namespace mw
