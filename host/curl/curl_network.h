// The network facilities bound to libcurl: a blocking HTTP fetch and download
// tasks that copy one URL into one local file on threads of their own.
#pragma once

#include <memory>
#include <string>

#include "host/network.h"

namespace host::curl {

class CurlNetwork : public Network {
 public:
  struct Options {
    // Pause before a broken or stalled transfer is tried again.
    int retryWaitMs = 5000;
    // Tries after the first one before a task gives up.
    int maxRetries = 999;
  };

  CurlNetwork();
  explicit CurlNetwork(Options options);

  std::string HttpFetch(const std::string& url) override;
  std::unique_ptr<Download> CreateDownload() override;
  // The fetch opens no FTP connection, so there is nothing to close.
  void DisconnectFtp() override;

 private:
  Options options_;
};

}  // namespace host::curl
