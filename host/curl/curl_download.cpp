#include "host/curl/curl_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "common/text.h"
#include "host/curl/curl_global.h"
#include "host/curl/transfer_rules.h"

namespace host::curl {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Received bytes are gathered and written in large pieces; a slow transfer
// still reaches the file (and the count) at least this often.
constexpr std::size_t kWriteBufferBytes = 512 * 1024;
constexpr auto kFlushInterval = milliseconds(100);
constexpr int kMaxRedirects = 10;
constexpr int kMaxNumberedName = 99;

// What the transfer was given; fixed for the task's life.
struct Settings {
  std::string referer;  // empty: derived from the URL being fetched
  std::string proxy;
  long connectTimeoutMs = 0;
  long stallMs = 0;  // no byte for this long counts as a broken connection
  curl_off_t rateLimit = 0;
  long bufferSize = CURL_MAX_WRITE_SIZE;
  int stopWaitMs = 1000;
  int retryWaitMs = 5000;
  int maxRetries = 999;
};

Settings SettingsFrom(const TaskParam& param, const CurlNetwork::Options& options) {
  Settings s;
  s.referer = param.referer;
  s.proxy = detail::ProxyAddress(param.httpProxy);
  s.connectTimeoutMs = std::max(0, param.connectTimeoutMs);
  s.stallMs = std::max(0, param.receiveTimeoutMs);
  s.rateLimit = std::max(0, param.rateLimit);
  s.bufferSize = std::clamp<long>(param.bytesPerRead, 1024, CURL_MAX_READ_SIZE);
  if (s.stallMs > 0 && s.rateLimit > 0) {
    // A rate-limited transfer reads a buffer and then waits on purpose.
    s.stallMs += static_cast<long>(s.bufferSize * 1000 / s.rateLimit);
  }
  s.stopWaitMs = std::max(0, param.stopWaitMs);
  s.retryWaitMs = std::max(0, options.retryWaitMs);
  s.maxRetries = std::max(0, options.maxRetries);
  return s;
}

enum class AttemptResult { kComplete, kBroken, kFatal, kStopped, kRestart };

// Errors after which trying again cannot help.
bool IsFatal(CURLcode code) {
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_NOT_BUILT_IN:
    case CURLE_OUT_OF_MEMORY:
    case CURLE_TOO_MANY_REDIRECTS:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_FILESIZE_EXCEEDED:
      return true;
    default:
      return false;
  }
}

// Opens a new file under the path or the first free numbered name; never an
// existing file. -1 when all names are taken or the file cannot be made.
int CreateNewFile(const std::string& path, std::string& chosen) {
  if (path.empty()) return -1;
  for (int n = 0; n <= kMaxNumberedName; ++n) {
    const std::string candidate = detail::NumberedPath(path, n);
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      chosen = candidate;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

}  // namespace

struct CurlDownload::Task {
  Settings settings;
  int fd = -1;
  bool createdFile = false;  // made by this task, so it may be removed again

  std::atomic<std::int64_t> received{0};  // bytes in the file, all written
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> exited{false};  // the thread has nothing left to do
  std::thread thread;

  std::mutex mutex;  // guards the members below
  std::condition_variable changed;
  CURLM* multi = nullptr;  // set while the transfer may be woken
  bool ended = false;      // the transfer loop is over and the file closed
  bool detached = false;   // StopTask or CloseDownload took the task away
  TaskOutcome outcome = TaskOutcome::Running;
  std::string url;  // after redirects; already encoded
  std::string path;
  std::string validator;

  // Held while the file and the count change together. Once frozen, neither
  // changes again, so a stopped task's state matches its file.
  std::mutex fileMutex;
  bool frozen = false;

  ~Task() {
    if (fd >= 0) ::close(fd);
  }

  void RequestStop() {
    std::lock_guard lock(mutex);
    stopRequested = true;
    if (multi) curl_multi_wakeup(multi);
    changed.notify_all();
  }

  void Freeze() {
    std::lock_guard lock(fileMutex);
    frozen = true;
  }
};

namespace {

using Task = CurlDownload::Task;

// One task's transfer loop, run on the task's thread.
class Transfer {
 public:
  explicit Transfer(Task& task) : task_(task), buffer_(new char[kWriteBufferBytes]) {
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    std::lock_guard lock(task_.mutex);
    url_ = task_.url;
    validator_ = task_.validator;
    task_.multi = multi_;
  }

  ~Transfer() {
    {
      std::lock_guard lock(task_.mutex);
      task_.multi = nullptr;
    }
    if (multi_) curl_multi_cleanup(multi_);
    if (easy_) curl_easy_cleanup(easy_);
    curl_slist_free_all(headers_);
  }

  TaskOutcome Run() {
    if (!easy_ || !multi_) return TaskOutcome::Failed;
    Configure();
    int retries = 0;
    for (;;) {
      if (task_.stopRequested) return TaskOutcome::Stopped;
      switch (Attempt()) {
        case AttemptResult::kComplete:
          return TaskOutcome::Complete;
        case AttemptResult::kFatal:
          return TaskOutcome::Failed;
        case AttemptResult::kStopped:
          return TaskOutcome::Stopped;
        case AttemptResult::kRestart:
          // The server cannot continue where the file ends: fetch it whole.
          if (!StartOver()) return task_.stopRequested ? TaskOutcome::Stopped : TaskOutcome::Failed;
          break;
        case AttemptResult::kBroken:
          if (++retries > task_.settings.maxRetries) return TaskOutcome::Failed;
          if (!WaitBeforeRetry()) return TaskOutcome::Stopped;
          break;
      }
    }
  }

 private:
  enum class BodyMode { kUndecided, kDiscard, kWrite };

  void Configure() {
    const Settings& s = task_.settings;
    CURL* h = easy_;
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    // Redirects are followed here, so that only 301 and 302 are taken and
    // the URL of every request is known.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_PROXY, s.proxy.c_str());
    // A proxy's answer to CONNECT is not the server's response.
    curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (s.connectTimeoutMs > 0) curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, s.connectTimeoutMs);
    if (s.rateLimit > 0) curl_easy_setopt(h, CURLOPT_MAX_RECV_SPEED_LARGE, s.rateLimit);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, s.bufferSize);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
  }

  // One try: requests follow 301 and 302 until a body is written, the
  // connection breaks or the answer ends the task.
  AttemptResult Attempt() {
    for (int hop = 0;; ++hop) {
      offset_ = task_.received;
      Request();
      const CURLcode code = Perform();
      Flush();
      // A transfer that got its last byte before it saw the stop request
      // is complete; one that saw it was cut short.
      if (stopped_) return AttemptResult::kStopped;
      if (writeFailed_) return AttemptResult::kFatal;
      if (abort_) return *abort_;
      if (stalled_) return AttemptResult::kBroken;
      if (redirect_) {
        if (task_.stopRequested) return AttemptResult::kStopped;
        if (hop >= kMaxRedirects) return AttemptResult::kFatal;
        if (!Resolve(location_)) return AttemptResult::kFatal;
        continue;
      }
      if (alreadyComplete_) return AttemptResult::kComplete;
      if (code != CURLE_OK) return IsFatal(code) ? AttemptResult::kFatal : AttemptResult::kBroken;
      if (mode_ != BodyMode::kWrite) return AttemptResult::kBroken;  // no answer at all
      if (expectedEnd_ >= 0 && task_.received != expectedEnd_) return AttemptResult::kBroken;
      return AttemptResult::kComplete;
    }
  }

  void Request() {
    status_ = 0;
    ResetResponse();
    mode_ = BodyMode::kUndecided;
    abort_.reset();
    stalled_ = stopped_ = alreadyComplete_ = redirect_ = false;
    expectedEnd_ = -1;
    gotBytes_ = false;

    curl_easy_setopt(easy_, CURLOPT_URL, url_.c_str());
    referer_ = task_.settings.referer.empty() ? detail::RefererFor(url_) : task_.settings.referer;
    curl_easy_setopt(easy_, CURLOPT_REFERER, referer_.c_str());
    curl_slist_free_all(headers_);
    headers_ = nullptr;
    if (offset_ > 0) {
      range_ = std::to_string(offset_) + "-";
      curl_easy_setopt(easy_, CURLOPT_RANGE, range_.c_str());
      // The server sends the whole, current file when it changed meanwhile.
      if (!validator_.empty()) {
        headers_ = curl_slist_append(headers_, ("If-Range: " + validator_).c_str());
      }
    } else {
      curl_easy_setopt(easy_, CURLOPT_RANGE, nullptr);
    }
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
  }

  void ResetResponse() {
    location_.clear();
    contentRange_.clear();
    etag_.clear();
    lastModified_.clear();
  }

  CURLcode Perform() {
    CURLcode result = CURLE_OK;
    curl_multi_add_handle(multi_, easy_);
    const Clock::time_point start = Clock::now();
    bool armed = false;  // stall detection starts once the request is out
    lastActivity_ = start;
    lastFlush_ = start;
    for (;;) {
      int running = 0;
      curl_multi_perform(multi_, &running);
      bool done = false;
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
        if (msg->msg == CURLMSG_DONE) {
          result = msg->data.result;
          done = true;
        }
      }
      if (done || running == 0) break;
      if (task_.stopRequested) {
        stopped_ = true;
        break;
      }
      const Clock::time_point now = Clock::now();
      if (buffered_ > 0 && now - lastFlush_ >= kFlushInterval && !Flush()) break;
      int waitMs = 1000;
      const Settings& s = task_.settings;
      if (s.stallMs > 0) {
        if (!armed) {
          curl_off_t pretransfer = 0;
          curl_easy_getinfo(easy_, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
          const bool connectOver =
              s.connectTimeoutMs > 0 && now - start > milliseconds(s.connectTimeoutMs);
          if (pretransfer > 0 || gotBytes_ || connectOver) {
            armed = true;
            if (!gotBytes_) lastActivity_ = now;
          }
        }
        if (armed) {
          const auto idle = std::chrono::duration_cast<milliseconds>(now - lastActivity_);
          if (idle.count() >= s.stallMs) {
            stalled_ = true;
            break;
          }
          waitMs = std::min<long>(waitMs, s.stallMs - idle.count());
        }
      }
      if (buffered_ > 0) waitMs = std::min<int>(waitMs, kFlushInterval.count());
      curl_multi_poll(multi_, nullptr, 0, std::max(waitMs, 1), nullptr);
    }
    curl_multi_remove_handle(multi_, easy_);
    return result;
  }

  static size_t OnHeader(char* data, size_t size, size_t count, void* self) {
    return static_cast<Transfer*>(self)->Header(std::string_view(data, size * count));
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* self) {
    return static_cast<Transfer*>(self)->Body(data, size * count);
  }

  size_t Header(std::string_view line) {
    gotBytes_ = true;
    lastActivity_ = Clock::now();
    if (line.starts_with("HTTP/")) {
      // A new response (an interim one may come first).
      ResetResponse();
      const std::size_t space = line.find(' ');
      status_ = space == std::string_view::npos
                    ? 0
                    : std::atol(std::string(line.substr(space + 1, 3)).c_str());
      return line.size();
    }
    if (line == "\r\n" || line == "\n") {
      if (status_ >= 200 && !Decide()) return 0;
      return line.size();
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return line.size();
    std::string name(line.substr(0, colon));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
      value.remove_prefix(1);
    while (!value.empty() &&
           (value.back() == '\r' || value.back() == '\n' || value.back() == ' ')) {
      value.remove_suffix(1);
    }
    if (name == "location")
      location_ = value;
    else if (name == "content-range")
      contentRange_ = value;
    else if (name == "etag")
      etag_ = value;
    else if (name == "last-modified")
      lastModified_ = value;
    return line.size();
  }

  // The validator of this response to keep for a later resume: a strong
  // entity tag, else the modification date.
  std::string ResponseValidator() const {
    if (!etag_.empty() && !etag_.starts_with("W/")) return etag_;
    return lastModified_;
  }

  bool ValidatorChanged() const {
    if (validator_.empty()) return false;
    const std::string& now = detail::IsEntityTag(validator_) ? etag_ : lastModified_;
    return !now.empty() && now != validator_;
  }

  // Decides, once the headers of a final response are in, what its body is
  // for. False ends the request at once.
  bool Decide() {
    const detail::ContentRange range = detail::ParseContentRange(contentRange_);
    switch (status_) {
      case 301:
      case 302:
        if (location_.empty()) return Abort(AttemptResult::kFatal);
        mode_ = BodyMode::kDiscard;
        redirect_ = true;
        return true;
      case 200:
        // The whole file, also when a range was asked for: start it over
        // rather than put the beginning after the part already there.
        if (offset_ > 0 && !StartOver()) return Abort(AttemptResult::kFatal);
        return Accept();
      case 206:
        if (range.valid && range.first == offset_ && !(offset_ > 0 && ValidatorChanged())) {
          expectedEnd_ = range.last + 1;
          return Accept();
        }
        if (range.valid && range.first == 0) {
          // Not the part asked for, but from the start: usable as a whole.
          if (offset_ > 0 && !StartOver()) return Abort(AttemptResult::kFatal);
          expectedEnd_ = range.last + 1;
          return Accept();
        }
        return Abort(offset_ > 0 ? AttemptResult::kRestart : AttemptResult::kFatal);
      case 416:
        // Nothing left after the offset: the file was already whole.
        if (offset_ > 0 && range.valid && range.total == offset_ && !ValidatorChanged()) {
          alreadyComplete_ = true;
          mode_ = BodyMode::kDiscard;
          return true;
        }
        return Abort(offset_ > 0 ? AttemptResult::kRestart : AttemptResult::kFatal);
      default:
        return Abort(AttemptResult::kFatal);
    }
  }

  bool Accept() {
    mode_ = BodyMode::kWrite;
    validator_ = ResponseValidator();
    std::lock_guard lock(task_.mutex);
    task_.validator = validator_;
    return true;
  }

  bool Abort(AttemptResult result) {
    abort_ = result;
    return false;
  }

  size_t Body(const char* data, size_t size) {
    gotBytes_ = true;
    lastActivity_ = Clock::now();
    if (task_.stopRequested) {
      stopped_ = true;
      return 0;
    }
    if (mode_ == BodyMode::kDiscard) return size;
    if (mode_ != BodyMode::kWrite) return 0;
    if (buffered_ + size > kWriteBufferBytes && !Flush()) return 0;
    if (size >= kWriteBufferBytes) {
      if (!WriteOut(data, size)) return 0;
    } else {
      std::memcpy(buffer_.get() + buffered_, data, size);
      buffered_ += size;
      if (lastActivity_ - lastFlush_ >= kFlushInterval && !Flush()) return 0;
    }
    return size;
  }

  bool Flush() {
    lastFlush_ = Clock::now();
    if (buffered_ == 0) return true;
    const bool ok = WriteOut(buffer_.get(), buffered_);
    buffered_ = 0;
    return ok;
  }

  // Appends to the file at the counted end, then counts what was written.
  bool WriteOut(const char* data, size_t size) {
    std::lock_guard lock(task_.fileMutex);
    if (task_.frozen) {
      stopped_ = true;
      return false;
    }
    while (size > 0) {
      const ssize_t n = ::pwrite(task_.fd, data, size, task_.received.load());
      if (n < 0) {
        if (errno == EINTR) continue;
        writeFailed_ = true;
        return false;
      }
      task_.received.fetch_add(n);
      data += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }

  // Empties the file and the count so the next body is written from byte 0.
  bool StartOver() {
    buffered_ = 0;
    validator_.clear();
    {
      std::lock_guard lock(task_.mutex);
      task_.validator.clear();
    }
    std::lock_guard lock(task_.fileMutex);
    if (task_.frozen) {
      stopped_ = true;
      return false;
    }
    if (::ftruncate(task_.fd, 0) != 0) {
      writeFailed_ = true;
      return false;
    }
    task_.received = 0;
    offset_ = 0;
    return true;
  }

  bool Resolve(const std::string& location) {
    CURLU* u = curl_url();
    bool ok = u && curl_url_set(u, CURLUPART_URL, url_.c_str(), 0) == CURLUE_OK &&
              curl_url_set(u, CURLUPART_URL, location.c_str(),
                           CURLU_URLENCODE | CURLU_ALLOW_SPACE) == CURLUE_OK;
    char* next = nullptr;
    ok = ok && curl_url_get(u, CURLUPART_URL, &next, 0) == CURLUE_OK;
    if (ok) {
      url_ = next;
      std::lock_guard lock(task_.mutex);
      task_.url = url_;
    }
    curl_free(next);
    curl_url_cleanup(u);
    return ok;
  }

  // False when the task was stopped during the wait.
  bool WaitBeforeRetry() {
    std::unique_lock lock(task_.mutex);
    return !task_.changed.wait_for(lock, milliseconds(task_.settings.retryWaitMs),
                                   [this] { return task_.stopRequested.load(); });
  }

  Task& task_;
  CURL* easy_ = nullptr;
  CURLM* multi_ = nullptr;
  curl_slist* headers_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  size_t buffered_ = 0;
  Clock::time_point lastFlush_;
  Clock::time_point lastActivity_;

  std::string url_;
  std::string validator_;
  std::string referer_;
  std::string range_;
  std::int64_t offset_ = 0;  // where the requested body starts

  // The response being received.
  long status_ = 0;
  std::string location_;
  std::string contentRange_;
  std::string etag_;
  std::string lastModified_;
  BodyMode mode_ = BodyMode::kUndecided;
  std::optional<AttemptResult> abort_;
  std::int64_t expectedEnd_ = -1;
  bool gotBytes_ = false;
  bool stalled_ = false;
  bool stopped_ = false;
  bool writeFailed_ = false;
  bool redirect_ = false;
  bool alreadyComplete_ = false;
};

void RunTask(const std::shared_ptr<Task>& task) {
  TaskOutcome outcome;
  {
    Transfer transfer(*task);
    outcome = transfer.Run();
  }
  std::lock_guard lock(task->mutex);
  if (!task->detached) {
    task->outcome = outcome;
    // A file this task made and never wrote to is no download; remove it
    // so the next try gets the plain name.
    if (outcome == TaskOutcome::Failed && task->createdFile && task->received == 0) {
      ::unlink(task->path.c_str());
    }
  }
  if (task->fd >= 0) {
    ::close(task->fd);
    task->fd = -1;
  }
  task->ended = true;
  task->changed.notify_all();
}

}  // namespace

CurlDownload::CurlDownload(CurlNetwork::Options options) : options_(options) {
  EnsureCurlGlobalInit();
}

CurlDownload::~CurlDownload() { CloseDownload(); }

bool CurlDownload::Held() {
  if (!task_) return false;
  std::lock_guard lock(task_->mutex);
  return !task_->ended && !task_->detached;
}

void CurlDownload::JoinFinished() {
  std::erase_if(alive_, [](const std::shared_ptr<Task>& task) {
    if (!task->exited) return false;
    task->thread.join();
    return true;
  });
}

void CurlDownload::Start(std::shared_ptr<Task> task) {
  JoinFinished();
  const bool failed = task->fd < 0;  // no file to write: over before it began
  if (failed) {
    task->outcome = TaskOutcome::Failed;
    task->ended = true;
  }
  {
    std::lock_guard lock(stateMutex_);
    task_ = task;
  }
  if (failed) return;
  task->thread = std::thread([task] {
    RunTask(task);
    task->exited = true;
  });
  alive_.push_back(std::move(task));
}

bool CurlDownload::AddTask(const TaskParam& param) {
  std::lock_guard command(commandMutex_);
  if (closed_ || Held()) return false;
  auto task = std::make_shared<Task>();
  task->settings = SettingsFrom(param, options_);
  task->url = common::EncodeUrl(param.url);
  task->fd = CreateNewFile(param.path, task->path);
  task->createdFile = task->fd >= 0;
  if (task->path.empty()) task->path = param.path;
  Start(std::move(task));
  return true;
}

bool CurlDownload::ResumeTask(const TaskParam& param, const ResumeState& state) {
  std::lock_guard command(commandMutex_);
  if (closed_ || Held() || state.empty()) return false;
  auto task = std::make_shared<Task>();
  task->settings = SettingsFrom(param, options_);
  // The saved transfer goes on into the file it was writing, which may be a
  // numbered name rather than the record's path.
  task->url = state.url;
  task->path = state.path;
  task->validator = state.validator;
  task->fd = ::open(state.path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (task->fd >= 0) {
    struct stat info {};
    std::int64_t size = ::fstat(task->fd, &info) == 0 ? info.st_size : 0;
    // Only bytes that were counted are trusted; a shorter file continues
    // from its own end.
    const std::int64_t keep = std::clamp<std::int64_t>(state.received, 0, size);
    if (keep != size && ::ftruncate(task->fd, keep) != 0) {
      ::close(task->fd);
      task->fd = -1;
    }
    task->received = keep;
    if (keep == 0) task->validator.clear();
  }
  Start(std::move(task));
  return true;
}

void CurlDownload::StopAndDetach(Task& task, int waitMs) {
  task.RequestStop();
  {
    std::unique_lock lock(task.mutex);
    task.changed.wait_for(lock, milliseconds(std::max(0, waitMs)), [&] { return task.ended; });
  }
  // A transfer still busy (a slow disk, a resolver) may not touch the file
  // or the count from now on.
  task.Freeze();
  std::lock_guard lock(task.mutex);
  task.detached = true;
  if (task.outcome == TaskOutcome::Running) task.outcome = TaskOutcome::Stopped;
}

bool CurlDownload::StopTask(ResumeState& state, int /*mode*/) {
  std::lock_guard command(commandMutex_);
  if (closed_ || !Held()) return false;
  Task& task = *task_;
  StopAndDetach(task, task.settings.stopWaitMs);
  std::lock_guard lock(task.mutex);
  state.url = task.url;
  state.path = task.path;
  state.received = task.received;
  state.validator = task.validator;
  return true;
}

std::uint32_t CurlDownload::DownloadedLength() {
  std::lock_guard lock(stateMutex_);
  if (!task_) return 0;
  const std::int64_t count = task_->received;
  return static_cast<std::uint32_t>(
      std::min<std::int64_t>(count, std::numeric_limits<std::uint32_t>::max()));
}

void CurlDownload::CloseDownload() {
  std::lock_guard command(commandMutex_);
  if (closed_) return;
  closed_ = true;
  if (Held()) StopAndDetach(*task_, task_->settings.stopWaitMs);
  for (auto& task : alive_) {
    task->RequestStop();
    task->thread.join();
  }
  alive_.clear();
}

TaskOutcome CurlDownload::LastOutcome() {
  std::lock_guard lock(stateMutex_);
  if (!task_) return TaskOutcome::None;
  std::lock_guard taskLock(task_->mutex);
  return task_->outcome;
}

}  // namespace host::curl
