#include "catalog/catalog.h"

namespace catalog {

const std::vector<CategoryItem>& CategoryTree() {
  using host::Art;
  static const std::vector<CategoryItem> items = {
      {"下载页面（资源信息）", 1, true, Art::TreeFolderArrow, nullptr},
      {"赞助会员培训班", 1, false, Art::TreeChart, nullptr},
      {"Kovrin接口资源", 1, true, Art::TreeFolder, nullptr},
      {"KovrinJAR包", 2, false, Art::TreeMagnifier, "jar"},
      {"Kovrin学习例程", 1, true, Art::TreeFolder, nullptr},
      {"官方例程", 2, false, Art::TreeMagnifier, "guanfanglicheng"},
      {"精品例程", 2, false, Art::TreeMagnifier, "jingpinlicheng"},
      {"常用编程工具", 1, true, Art::TreeFolder, nullptr},
      {"精品编程工具", 2, false, Art::TreeMagnifier, "jingpinbianchenggongju"},
      {"原创编程考题", 1, true, Art::TreeFolder, nullptr},
      {"计算机考题", 2, false, Art::TreeMagnifier, "jisuanjikaoti"},
      {"Kovrin考题", 2, false, Art::TreeMagnifier, "kovkaoti"},
      {"Kovrin编程视频", 1, true, Art::TreeFolder, nullptr},
      {"Kovrin基础-深入", 2, false, Art::TreeMagnifier, "kovrinjichushenru"},
      {"Kovrin编程相关视频", 2, false, Art::TreeMagnifier, "kovrinxiangguanshiping"},
  };
  return items;
}

std::string FolderOfTreeIndex(int index) {
  const auto& items = CategoryTree();
  if (index < 0 || index >= static_cast<int>(items.size())) return "";
  return items[index].folder ? items[index].folder : "";
}

}  // namespace catalog
