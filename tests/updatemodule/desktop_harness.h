// Running the real updater program and the real update module in a window:
// a private virtual display (Xvfb), child processes, windows found and
// answered with xdotool, and a loopback content server on the port that the
// build's content base URL names.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

#include "tests/support/temp_dir.h"

namespace desktop_harness {

using Clock = std::chrono::steady_clock;

inline void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A child process started with its own environment; killed (by its id) if it
// is still running when this object goes.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& outputFile) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        close(out);
      }
      execve(args[0], args.data(), envp.data());
      _exit(127);
    }
  }
  ~ChildProcess() {
    if (pid_ > 0 && !exitCode_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  bool Running() {
    Poll();
    return pid_ > 0 && !exitCode_;
  }
  // The exit code once the process has ended within `timeoutMs`; -1 for a
  // death by signal.
  std::optional<int> Wait(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Poll() && Clock::now() < end) SleepMs(20);
    return exitCode_;
  }

 private:
  bool Poll() {
    if (exitCode_ || pid_ <= 0) return exitCode_.has_value();
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_)
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitCode_.has_value();
  }

  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

inline std::string ReadFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  std::string data;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  std::fclose(f);
  return data;
}

// Runs a command line through the shell and returns its standard output.
inline std::string Capture(const std::string& command) {
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// Xvfb on a display number it picks itself, no TCP listener, no window
// manager. Programs get `Environment()`.
class VirtualDisplay {
 public:
  explicit VirtualDisplay(const std::string& runtimeDir) : runtimeDir_(runtimeDir) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int null = open("/dev/null", O_WRONLY);
      if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
      }
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  bool Ready() const { return !display_.empty(); }
  const std::string& Name() const { return display_; }

  std::vector<std::string> Environment() const {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const std::string key = entry.substr(0, entry.find('='));
      if (key == "DISPLAY" || key == "WAYLAND_DISPLAY" || key == "XDG_RUNTIME_DIR" ||
          key == "QT_QPA_PLATFORM")
        continue;
      env.push_back(entry);
    }
    env.push_back("DISPLAY=" + display_);
    env.push_back("XDG_RUNTIME_DIR=" + runtimeDir_);
    env.push_back("QT_QPA_PLATFORM=xcb");
    return env;
  }

  // Visible windows whose title matches the regular expression.
  std::vector<std::string> FindWindows(const std::string& titleRegex) const {
    const std::string out =
        // The titles are Chinese: xdotool matches them only in a UTF-8 locale.
        Capture("DISPLAY=" + display_ + " LC_ALL=C.UTF-8 xdotool search --onlyvisible --name '" +
                titleRegex + "' 2>/dev/null");
    std::vector<std::string> ids;
    size_t start = 0;
    while (start < out.size()) {
      size_t end = out.find('\n', start);
      if (end == std::string::npos) end = out.size();
      if (end > start) ids.push_back(out.substr(start, end - start));
      start = end + 1;
    }
    return ids;
  }
  // The first matching window to appear within `timeoutMs`, "" when none.
  std::string WaitForWindow(const std::string& titleRegex, int timeoutMs) const {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
      auto ids = FindWindows(titleRegex);
      if (!ids.empty()) return ids.front();
      SleepMs(100);
    } while (Clock::now() < end);
    return {};
  }
  // True once no visible window with that title is left (`window` empty) or
  // once that one window is gone.
  bool WaitUntilGone(const std::string& titleRegex, int timeoutMs,
                     const std::string& window = "") const {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const auto ids = FindWindows(titleRegex);
      const bool gone =
          window.empty() ? ids.empty() : std::find(ids.begin(), ids.end(), window) == ids.end();
      if (gone) return true;
      if (Clock::now() >= end) return false;
      SleepMs(100);
    }
  }
  // Height of the window's client area in pixels, -1 when unknown.
  int ClientHeight(const std::string& window) const {
    const std::string out =
        Capture("DISPLAY=" + display_ + " xdotool getwindowgeometry " + window + " 2>/dev/null");
    const size_t at = out.find("Geometry: ");
    if (at == std::string::npos) return -1;
    const size_t x = out.find('x', at);
    return x == std::string::npos ? -1 : std::atoi(out.c_str() + x + 1);
  }
  // Focuses the window and presses Enter, as a user answering a box would.
  void PressEnter(const std::string& window) const {
    Capture("DISPLAY=" + display_ + " xdotool windowfocus " + window + " 2>/dev/null");
    SleepMs(150);
    Capture("DISPLAY=" + display_ + " xdotool key Return 2>/dev/null");
  }
  // The caption's close box, sent by `closeTool` (WM_DELETE_WINDOW).
  void Close(const std::string& closeTool, const std::string& window) const {
    Capture("DISPLAY=" + display_ + " '" + closeTool + "' " + window + " 2>/dev/null");
  }

 private:
  std::string runtimeDir_;
  std::string display_;
  pid_t pid_ = -1;
};

// The content server the programs were built to reach: the base URL's port on
// 127.0.0.1. Every test that serves on that port takes an exclusive lock file
// first, so that runs from several build folders take turns.
class ContentServer {
 public:
  // `baseUrl` like "http://127.0.0.1:18080/".
  explicit ContentServer(const std::string& baseUrl) {
    const std::string prefix = "http://127.0.0.1:";
    if (baseUrl.rfind(prefix, 0) != 0) {
      problem_ = "content base URL is not on 127.0.0.1: " + baseUrl;
      return;
    }
    port_ = std::atoi(baseUrl.c_str() + prefix.size());
    const std::string lockPath = "/tmp/rb-content-port-" + std::to_string(port_) + ".lock";
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT, 0666);
    if (lockFd_ < 0 || flock(lockFd_, LOCK_EX) != 0) {
      problem_ = "cannot lock " + lockPath;
      return;
    }
    server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(req.path);
      if (auto slow = slow_.find(req.path); slow != slow_.end()) {
        const SlowFile file = slow->second;
        res.set_content_provider(
            file.body.size(), "application/octet-stream",
            [this, file](size_t offset, size_t length, httplib::DataSink& sink) {
              if (stopping_) return false;
              SleepMs(file.delayMs);
              sink.write(file.body.data() + offset, std::min(length, file.chunk));
              return true;
            });
        return;
      }
      auto it = files_.find(req.path);
      if (it == files_.end()) {
        res.status = 404;
        return;
      }
      res.set_content(it->second, "application/octet-stream");
    });
    // The fixed port is bound again right after by the next test or by the
    // demo server: SO_REUSEADDR on this side too, so the connections this
    // server leaves in TIME_WAIT do not block those binds for a minute.
    server_.set_socket_options([](socket_t sock) {
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    if (!server_.bind_to_port("127.0.0.1", port_)) {
      problem_ = "port " + std::to_string(port_) + " is in use (the demo server?)";
      return;
    }
    // Bound already: connections wait in the backlog until the loop accepts.
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~ContentServer() {
    stopping_ = true;
    server_.stop();
    if (thread_.joinable()) thread_.join();
    if (lockFd_ >= 0) close(lockFd_);  // releases the lock
  }
  ContentServer(const ContentServer&) = delete;
  ContentServer& operator=(const ContentServer&) = delete;

  // Empty when serving; else why not.
  const std::string& Problem() const { return problem_; }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  // `path` as the server sees it after percent-decoding (GBK bytes for
  // Chinese names).
  void Serve(const std::string& path, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    files_[path] = body;
  }
  // Serves `body` at `path` in pieces of `chunk` bytes, one every `delayMs`.
  void ServeSlowly(const std::string& path, const std::string& body, size_t chunk, int delayMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    slow_[path] = SlowFile{body, chunk, delayMs};
  }
  std::vector<std::string> Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  mutable std::mutex mutex_;
  struct SlowFile {
    std::string body;
    size_t chunk = 1024;
    int delayMs = 0;
  };
  std::map<std::string, std::string> files_;
  std::map<std::string, SlowFile> slow_;
  std::atomic<bool> stopping_{false};
  std::vector<std::string> requests_;
  std::string problem_;
  int port_ = 0;
  int lockFd_ = -1;
};

// Bytes that no two tests share by accident.
inline std::string PackageBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<char>(x >> 24);
  }
  return bytes;
}

// A virtual display, the build's content port served by a ContentServer and
// a run folder holding one copy of a deliverable: what every real-binary
// test of the updater and the module starts from.
class DesktopTest : public ::testing::Test {
 protected:
  // Skips the test when the display or the port is not to be had.
  void SetUpDesktop(const std::string& builtFile, const std::string& nameInRunDir) {
    chmod(session.path().c_str(), 0700);
    display = std::make_unique<VirtualDisplay>(session.path());
    if (!display->Ready()) GTEST_SKIP() << "Xvfb did not start";
    server = std::make_unique<ContentServer>(RB_TEST_CONTENT_BASE_URL);
    if (!server->Problem().empty()) GTEST_SKIP() << server->Problem();
    std::filesystem::copy_file(builtFile, runDir.File(nameInRunDir));
  }

  testing_support::TempDir session;  // the display's runtime folder and the output
  testing_support::TempDir runDir;   // where the deliverable lies
  std::unique_ptr<VirtualDisplay> display;
  std::unique_ptr<ContentServer> server;
};

}  // namespace desktop_harness
