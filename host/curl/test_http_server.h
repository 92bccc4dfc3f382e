// A small HTTP server on 127.0.0.1 (ephemeral port) for the network tests:
// serves byte resources with or without ranges, redirects, error statuses,
// slow or broken bodies and misbehaving range answers, and records every
// request it gets.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace host::curl::testing {

// How a resource answers a request for bytes from some offset on.
enum class RangeReply {
  kHonest,      // 206 from the asked offset (416 past the end)
  kWholeAs200,  // ignores the range: 200 with the whole body
  kWrongStart,  // 206 labelled and cut at half the asked offset
  kWholeAs206,  // 206 "bytes 0-..." with the whole body
};

struct Resource {
  std::string body{};
  // 200 serves the body; 301/302 redirect to `location`; anything else is
  // answered with that status and `body` as its text.
  int status = 200;
  std::string location{};
  bool ranges = true;  // false: every GET gets 200 with the whole body
  RangeReply rangeReply = RangeReply::kHonest;
  std::string etag{};         // sent when not empty
  bool honourIfRange = true;  // a range with a stale If-Range gets the whole body
  // The first `failTimes` bodies break off: the connection closes after
  // `dropAfter` bytes, or goes silent after `stallAfter` bytes.
  std::int64_t dropAfter = -1;
  std::int64_t stallAfter = -1;
  int failTimes = 1;
  // Bodies go out in pieces of `chunk` bytes, `chunkDelayMs` apart.
  std::size_t chunk = 64 * 1024;
  int chunkDelayMs = 0;
};

struct RecordedRequest {
  std::string method;
  std::string path;
  std::string version;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string Header(const std::string& lowerName) const;
  bool Has(const std::string& lowerName) const { return headers.count(lowerName) > 0; }
};

class TestHttpServer {
 public:
  TestHttpServer();
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const;
  // Serves (or replaces) the resource at a path; a proxy request's path is
  // the whole URL.
  void Put(const std::string& path, Resource resource);
  std::vector<RecordedRequest> Requests() const;
  std::vector<RecordedRequest> RequestsFor(const std::string& path) const;

 private:
  struct Entry {
    Resource resource;
    std::shared_ptr<const std::string> body;
    int answered = 0;  // bodies sent so far
  };
  void Handle(const httplib::Request& request, httplib::Response& response);
  bool Pause(int ms) const;  // false when the server is shutting down

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
  std::vector<RecordedRequest> requests_;
};

// A file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
std::int64_t FileSize(const std::string& path);
// Deterministic bytes of a given length (not a repeating short pattern, so a
// misplaced piece shows).
std::string PatternBytes(std::size_t length, std::uint32_t seed = 1);
// A fresh empty directory under the system's temporary directory.
std::string MakeTempDir();
void RemoveTree(const std::string& dir);

}  // namespace host::curl::testing
