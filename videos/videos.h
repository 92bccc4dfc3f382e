// The video tutorials: VideoCatalogWindow with its course tree and video
// list, and VideoPlayerWindow whose browser box plays the chosen video.
#pragma once

#include <memory>
#include <string>

#include "common/services.h"
#include "host/layout.h"

namespace videos {

inline constexpr const char* kCatalogWindow = "VideoCatalogWindow";
inline constexpr const char* kPlayerWindow = "VideoPlayerWindow";
inline constexpr const char* kCourseTree = "树型框1";
inline constexpr const char* kVideoList = "超级列表框2";
inline constexpr const char* kToolbar = "工具条1";
inline constexpr const char* kListHint = "气球提示框1";
inline constexpr const char* kMinimiseButton = "图形按钮3";
inline constexpr const char* kMaximiseButton = "图形按钮4";
inline constexpr const char* kCloseButton = "图形按钮2";
inline constexpr const char* kPlayerBrowser = "超文本浏览框1";

// The catalog file of a course-tree index, "" for the group items.
std::string CourseCatalogUrl(const common::Config& config, int treeIndex);

class Videos {
 public:
  explicit Videos(common::Services& services);
  ~Videos();
  Videos(const Videos&) = delete;
  Videos& operator=(const Videos&) = delete;

  host::WindowDef CatalogWindowDef();
  host::WindowDef PlayerWindowDef();
  // LoadWindow(VideoCatalogWindow, not modal).
  void LoadCatalogWindow();

  // Clears the video list and fills it with the catalog at `address`. The
  // fetch runs on a worker thread so a slow server does not freeze the
  // program; the newest request wins.
  void LoadVideoCatalog(const std::string& address);
  void PlayVideo();

 private:
  void OnCourseActivated();
  void OnToolbar(int index);
  void FitPlayerBrowser(bool created);

  struct Shared;
  common::Services& services_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace videos
