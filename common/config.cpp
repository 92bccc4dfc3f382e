#include "common/config.h"

#include "common/paths.h"

namespace common {
namespace {

// The authority part of a URL: after "scheme://" up to the path, query or
// fragment. Returns the scheme (without "://") through `scheme`.
std::string Authority(const std::string& url, std::string* scheme) {
  std::size_t start = 0;
  std::size_t sep = url.find("://");
  if (sep != std::string::npos) {
    *scheme = url.substr(0, sep);
    start = sep + 3;
  } else {
    scheme->clear();
  }
  std::size_t end = url.find_first_of("/?#", start);
  return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

Config DefaultConfig() {
  Config config;
  config.contentBaseUrl = RB_CONTENT_BASE_URL;
  config.communityBaseUrl = RB_COMMUNITY_BASE_URL;
  config.forumBaseUrl = RB_FORUM_BASE_URL;
  config.taskPageBaseUrl = RB_TASK_PAGE_BASE_URL;
  config.runDirectory = RunDirectory();
  config.iniPath = DownloadListIniPath();
  config.customerServiceUin = RB_CUSTOMER_SERVICE_UIN;
  return config;
}

std::string SiteAddress(const std::string& baseUrl) {
  std::string scheme;
  std::string authority = Authority(baseUrl, &scheme);
  return scheme.empty() ? authority : scheme + "://" + authority;
}

std::string HostName(const std::string& baseUrl) {
  std::string scheme;
  std::string authority = Authority(baseUrl, &scheme);
  std::size_t at = authority.rfind('@');  // drop "user:password@"
  return at == std::string::npos ? authority : authority.substr(at + 1);
}

}  // namespace common
