// A scripted network for tests: HttpFetch answers per URL (body, delay,
// failure) and every Download it creates records its calls while the test
// drives the received count.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "host/network.h"

namespace host::sim {

struct FetchScript {
  std::string body;
  int delayMs = 0;    // real time the fetch blocks before answering
  bool fail = false;  // answer an empty body
};

// Shared between a FakeDownload and the test.
struct FakeDownloadState {
  mutable std::mutex mutex;
  // Accepted calls only: "AddTask <url> <path>",
  // "ResumeTask <state.url> <state.path> <state.received>", "StopTask",
  // "CloseDownload".
  std::vector<std::string> calls;
  bool hasTask = false;
  std::uint32_t received = 0;  // what DownloadedLength reports
  TaskParam lastParam;
  ResumeState lastResume;
  TaskOutcome outcome = TaskOutcome::None;
  bool closed = false;
  // What the current (or last) task writes: the param's URL and path for
  // AddTask, the resume state's for ResumeTask.
  std::string taskUrl;
  std::string taskPath;
  std::string taskValidator;
};

class FakeDownload : public Download {
 public:
  explicit FakeDownload(std::shared_ptr<FakeDownloadState> state);
  bool AddTask(const TaskParam& param) override;
  bool ResumeTask(const TaskParam& param, const ResumeState& state) override;
  bool StopTask(ResumeState& state, int mode) override;
  std::uint32_t DownloadedLength() override;
  void CloseDownload() override;
  TaskOutcome LastOutcome() override;

 private:
  std::shared_ptr<FakeDownloadState> state_;
};

class FakeNetwork : public Network {
 public:
  void Respond(const std::string& url, FetchScript script);
  // The body as a view, so that Respond(url, {body, delay, fail}) picks the
  // script overload.
  void Respond(const std::string& url, std::string_view body);
  std::string HttpFetch(const std::string& url) override;
  std::unique_ptr<Download> CreateDownload() override;
  void DisconnectFtp() override;

  std::vector<std::string> Fetched() const;  // URLs, in call order
  int DisconnectFtpCalls() const;
  // State of the n-th download created (0-based), null when none.
  std::shared_ptr<FakeDownloadState> DownloadState(int n = 0) const;

  // Test-side drivers of the most recent download.
  void SetReceived(std::uint32_t bytes, int n = 0);
  void FinishTask(TaskOutcome outcome, int n = 0);  // leaves no task

 private:
  mutable std::mutex mutex_;
  std::map<std::string, FetchScript> scripts_;
  std::vector<std::string> fetched_;
  std::vector<std::shared_ptr<FakeDownloadState>> downloads_;
  int disconnects_ = 0;
};

}  // namespace host::sim
