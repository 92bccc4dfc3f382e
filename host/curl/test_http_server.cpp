#include "host/curl/test_http_server.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#if defined(__SANITIZE_THREAD__)
// The server's library is built without the race detector, which therefore
// cannot see that library's own synchronisation.
extern "C" const char* __tsan_default_suppressions() { return "race:libcpp-httplib.so\n"; }
#endif

namespace host::curl::testing {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "bytes=N-" (the only form the client sends); -1 when absent or other.
std::int64_t RangeStart(const httplib::Request& request) {
  if (!request.has_header("Range")) return -1;
  const std::string value = request.get_header_value("Range");
  if (value.rfind("bytes=", 0) != 0 || value.back() != '-') return -1;
  return std::atoll(value.substr(6, value.size() - 7).c_str());
}

}  // namespace

std::string RecordedRequest::Header(const std::string& lowerName) const {
  const auto it = headers.find(lowerName);
  return it == headers.end() ? std::string() : it->second;
}

TestHttpServer::TestHttpServer() : server_(std::make_unique<httplib::Server>()) {
  server_->set_keep_alive_timeout(1);
  server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response);
  });
  port_ = server_->bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() does nothing before the accept loop runs.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestHttpServer::~TestHttpServer() {
  stopping_ = true;
  server_->stop();
  thread_.join();
}

std::string TestHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestHttpServer::Put(const std::string& path, Resource resource) {
  std::lock_guard lock(mutex_);
  Entry entry;
  entry.body = std::make_shared<const std::string>(resource.body);
  entry.resource = std::move(resource);
  entries_[path] = std::move(entry);
}

std::vector<RecordedRequest> TestHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<RecordedRequest> TestHttpServer::RequestsFor(const std::string& path) const {
  std::vector<RecordedRequest> result;
  for (const RecordedRequest& r : Requests()) {
    if (r.path == path) result.push_back(r);
  }
  return result;
}

bool TestHttpServer::Pause(int ms) const {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (stopping_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 5)));
  }
  return !stopping_;
}

void TestHttpServer::Handle(const httplib::Request& request, httplib::Response& response) {
  // Ranges are answered here, each resource in its own way.
  const_cast<httplib::Request&>(request).ranges.clear();
  RecordedRequest record{request.method, request.path, request.version, {}};
  for (const auto& [name, value] : request.headers) record.headers[Lower(name)] = value;

  std::unique_lock lock(mutex_);
  requests_.push_back(record);
  const auto found = entries_.find(request.path);
  if (found == entries_.end()) {
    response.status = 404;
    response.set_content("no such resource", "text/plain");
    return;
  }
  Entry& entry = found->second;
  const Resource& r = entry.resource;
  if (r.status != 200) {
    response.status = r.status;
    if (!r.location.empty()) response.set_header("Location", r.location);
    response.set_content(r.body, "text/plain");
    return;
  }

  const std::shared_ptr<const std::string> body = entry.body;
  const auto size = static_cast<std::int64_t>(body->size());
  std::int64_t from = 0;
  const std::int64_t asked = r.ranges ? RangeStart(request) : -1;
  bool partial = asked >= 0;
  if (partial && !r.etag.empty() && r.honourIfRange && request.has_header("If-Range") &&
      request.get_header_value("If-Range") != r.etag) {
    partial = false;
  }
  if (!r.etag.empty()) response.set_header("ETag", r.etag);
  if (r.ranges) response.set_header("Accept-Ranges", "bytes");
  response.status = 200;
  if (partial) {
    switch (r.rangeReply) {
      case RangeReply::kHonest:
        if (asked >= size) {
          response.status = 416;
          response.set_header("Content-Range", "bytes */" + std::to_string(size));
          return;
        }
        from = asked;
        break;
      case RangeReply::kWholeAs200:
        partial = false;
        break;
      case RangeReply::kWrongStart:
        from = asked / 2;
        break;
      case RangeReply::kWholeAs206:
        from = 0;
        break;
    }
  }
  if (partial) {
    response.status = 206;
    response.set_header("Content-Range", "bytes " + std::to_string(from) + "-" +
                                             std::to_string(size - 1) + "/" + std::to_string(size));
  }
  const bool failing = entry.answered < r.failTimes;
  ++entry.answered;
  const std::int64_t dropAfter = failing ? r.dropAfter : -1;
  const std::int64_t stallAfter = failing ? r.stallAfter : -1;
  const std::size_t chunk = std::max<std::size_t>(r.chunk, 1);
  const int delayMs = r.chunkDelayMs;
  lock.unlock();

  if (size == from) {
    response.set_content("", "application/octet-stream");
    return;
  }
  response.set_content_provider(
      static_cast<std::size_t>(size - from), "application/octet-stream",
      [this, body, from, dropAfter, stallAfter, chunk, delayMs](
          std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        const auto sent = static_cast<std::int64_t>(offset);
        if (dropAfter >= 0 && sent >= dropAfter) return false;
        if (stallAfter >= 0 && sent >= stallAfter) {
          Pause(10000);
          return false;
        }
        std::size_t n = std::min(chunk, length);
        if (dropAfter >= 0) n = std::min<std::size_t>(n, dropAfter - sent);
        if (stallAfter >= 0) n = std::min<std::size_t>(n, stallAfter - sent);
        if (delayMs > 0 && !Pause(delayMs)) return false;
        return sink.write(body->data() + from + offset, n);
      });
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

std::int64_t FileSize(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

std::string PatternBytes(std::size_t length, std::uint32_t seed) {
  std::string bytes(length, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x & 0xff);
  }
  return bytes;
}

std::string MakeTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "rb-net-XXXXXX").string();
  const char* made = ::mkdtemp(pattern.data());
  return made ? std::string(made) : std::string();
}

void RemoveTree(const std::string& dir) {
  std::error_code error;
  std::filesystem::remove_all(dir, error);
}

}  // namespace host::curl::testing
