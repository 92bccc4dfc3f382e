// Build-time configuration. The program reads no environment or command
// line; tests build their own Config with loopback base URLs and temporary
// paths.
#pragma once

#include <string>

namespace common {

struct Config {
  std::string contentBaseUrl;      // catalogs, videos, packages, version files
  std::string communityBaseUrl;    // the community web site
  std::string forumBaseUrl;        // the forum host
  std::string taskPageBaseUrl;     // host of the task page
  std::string runDirectory;        // RunDirectory() in the product
  std::string iniPath;             // DownloadListIniPath() in the product
  std::string customerServiceUin;  // account number of the chat link
};

// The base URLs from the CMake cache variables, RunDirectory() and the
// platform's INI path.
Config DefaultConfig();

// Scheme and host of a base URL without its final "/"
// ("http://a.b/" -> "http://a.b").
std::string SiteAddress(const std::string& baseUrl);
// Host name alone ("http://a.b:8/x/" -> "a.b:8").
std::string HostName(const std::string& baseUrl);

}  // namespace common
