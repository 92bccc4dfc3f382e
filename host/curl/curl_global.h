// libcurl's process-wide set-up, done once before the first handle.
#pragma once

namespace host::curl {

void EnsureCurlGlobalInit();

// The user agent every request of the program sends.
inline constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

}  // namespace host::curl
