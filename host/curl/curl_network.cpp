#include "host/curl/curl_network.h"

#include <curl/curl.h>

#include <mutex>

#include "common/text.h"
#include "host/curl/curl_download.h"
#include "host/curl/curl_global.h"

namespace host::curl {

void EnsureCurlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

size_t AppendBody(char* data, size_t size, size_t count, void* userdata) {
  static_cast<std::string*>(userdata)->append(data, size * count);
  return size * count;
}

struct EasyHandle {
  CURL* handle = curl_easy_init();
  curl_slist* headers = nullptr;
  ~EasyHandle() {
    if (handle) curl_easy_cleanup(handle);
    curl_slist_free_all(headers);
  }
};

}  // namespace

CurlNetwork::CurlNetwork() : CurlNetwork(Options{}) {}

CurlNetwork::CurlNetwork(Options options) : options_(options) { EnsureCurlGlobalInit(); }

std::string CurlNetwork::HttpFetch(const std::string& url) {
  std::string body;
  EasyHandle easy;
  if (!easy.handle) return body;
  const std::string encoded = common::EncodeUrl(url);
  for (const char* header : {"Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"}) {
    easy.headers = curl_slist_append(easy.headers, header);
  }
  CURL* h = easy.handle;
  curl_easy_setopt(h, CURLOPT_URL, encoded.c_str());
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, easy.headers);
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  // Always direct, whatever proxy the environment names.
  curl_easy_setopt(h, CURLOPT_PROXY, "");
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  // Signals are not thread-safe; several fetches may run at once.
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  // Whatever arrived is the answer: nothing when the URL is bad or the
  // connection fails, the part that came when a read breaks off.
  curl_easy_perform(h);
  return body;
}

std::unique_ptr<Download> CurlNetwork::CreateDownload() {
  return std::make_unique<CurlDownload>(options_);
}

void CurlNetwork::DisconnectFtp() {}

}  // namespace host::curl
