// A loopback HTTP server for download tests and the queue benchmark: serves
// packages by path, with ranges (a continued transfer asks for the rest), at
// the pace each package asks for.
#pragma once

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <thread>

namespace downloads::testing {

struct Package {
  std::string body;
  std::size_t chunk = 64 * 1024;  // bytes per write
  int chunkDelayMs = 0;           // pause between writes
};

class PackageServer {
 public:
  PackageServer() {
    server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      auto it = packages_.find(req.path);
      if (it == packages_.end()) {
        res.status = 404;
        return;
      }
      const Package* p = &it->second;
      res.set_content_provider(
          p->body.size(), "application/zip",
          [this, p](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            const std::size_t n = std::min(length, p->chunk);
            if (!sink.write(p->body.data() + offset, n)) return false;
            if (p->chunkDelayMs > 0 && !stopping_)
              std::this_thread::sleep_for(std::chrono::milliseconds(p->chunkDelayMs));
            return !stopping_.load();
          });
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~PackageServer() {
    stopping_ = true;
    server_.stop();
    thread_.join();
  }
  PackageServer(const PackageServer&) = delete;
  PackageServer& operator=(const PackageServer&) = delete;

  // Before the first request only: the handler reads the map unguarded.
  // `path` is the decoded request path (GBK bytes for Chinese names).
  void Put(const std::string& path, Package package) { packages_[path] = std::move(package); }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  httplib::Server server_;
  std::map<std::string, Package> packages_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  int port_ = 0;
};

// Deterministic bytes of a given length, different for every seed.
inline std::string PackageBytes(std::size_t length, std::uint32_t seed) {
  std::string out(length, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& c : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return out;
}

}  // namespace downloads::testing
