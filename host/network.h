// The network facilities: a blocking HTTP fetch and download tasks that copy
// one URL into one local file on threads of their own. URLs and paths are
// UTF-8; bindings send URLs as percent-encoded GBK bytes. Bodies are raw
// bytes as the server sent them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace host {

// The task record. Every deliverable fills its single record with these
// start-up values; only `url` and `path` change later.
struct TaskParam {
  std::uint32_t uploadFlags = 1;                                    // 1
  std::string url;                                                  // 2
  std::string path;                                                 // 3
  std::string ftpUser = "anonymous";                                // 4
  std::string ftpPassword = "anonymous@example.com";                // 5
  std::int32_t connections = 1;                                     // 6
  std::int32_t rateLimit = 0;                                       // 7 bytes/s, 0 none
  std::int32_t connectTimeoutMs = 20000;                            // 8
  std::int32_t sendTimeoutMs = 20000;                               // 9
  std::int32_t receiveTimeoutMs = 20000;                            // 10
  std::int32_t stopWaitMs = 1000;                                   // 11
  std::int32_t bytesPerRead = 20480;                                // 12
  std::int32_t bytesPerUploadSend = 1024;                           // 13
  std::function<void(const std::string&)> statusRoutine;            // 14: none
  std::function<void(std::int64_t, bool)> progressRoutine;          // 15: none
  std::string ftpRemoteName;                                        // 16
  std::int32_t ftpTransferType = 1;                                 // 17
  std::string extensionList = ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm";  // 18
  std::string httpProxy;                                            // 19: none, direct
  std::string referer;  // 20: none, so the URL up to its last "/" is sent
};

// What ResumeTask needs to continue a stopped transfer into the same file.
struct ResumeState {
  std::string url;            // the URL the task was fetching (after redirects)
  std::string path;           // the file actually written (numbered name included)
  std::int64_t received = 0;  // bytes in that file, all counted
  std::string validator;      // ETag or Last-Modified seen, may be empty
  bool empty() const { return path.empty(); }
};

enum class TaskOutcome {
  None,      // no task was ever started
  Running,   // the current task is still transferring (or waiting to retry)
  Complete,  // the last task finished with the whole body
  Failed,    // the last task ended for good without the whole body
  Stopped,   // the last task was stopped by StopTask or CloseDownload
};

class Download {
 public:
  virtual ~Download() = default;
  // Starts a task at once if none is held; false otherwise.
  virtual bool AddTask(const TaskParam& param) = 0;
  // Continues the saved transfer into its existing file if no task is held
  // and `state` is not empty; false otherwise.
  virtual bool ResumeTask(const TaskParam& param, const ResumeState& state) = 0;
  // Stops a running task (waiting up to stopWaitMs), replaces `state` with
  // the task's state and returns true; false and `state` untouched when no
  // task runs. The mode has no effect.
  virtual bool StopTask(ResumeState& state, int mode) = 0;
  // Bytes received by the current task, those restored from a ResumeState
  // included. A finished or failed task keeps its final count readable
  // until the next task starts.
  virtual std::uint32_t DownloadedLength() = 0;
  // Stops a running task and drops its state; the object stays usable only
  // for destruction.
  virtual void CloseDownload() = 0;
  virtual TaskOutcome LastOutcome() = 0;
};

class Network {
 public:
  virtual ~Network() = default;
  // One blocking GET; the body whatever the status; empty when the URL
  // cannot be parsed or the connection fails; what arrived when a read
  // breaks off. Safe from several threads at once.
  virtual std::string HttpFetch(const std::string& url) = 0;
  virtual std::unique_ptr<Download> CreateDownload() = 0;
  // Closes an FTP connection the fetch facility may hold; nothing opens one.
  virtual void DisconnectFtp() = 0;
};

}  // namespace host
