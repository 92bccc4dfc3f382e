#include "host/sim/fake_network.h"

#include <chrono>
#include <thread>
#include <utility>

namespace host::sim {

FakeDownload::FakeDownload(std::shared_ptr<FakeDownloadState> state) : state_(std::move(state)) {}

bool FakeDownload::AddTask(const TaskParam& param) {
  std::lock_guard lk(state_->mutex);
  if (state_->hasTask || state_->closed) return false;
  state_->calls.push_back("AddTask " + param.url + " " + param.path);
  state_->hasTask = true;
  state_->received = 0;
  state_->lastParam = param;
  state_->taskUrl = param.url;
  state_->taskPath = param.path;
  state_->taskValidator.clear();
  state_->outcome = TaskOutcome::Running;
  return true;
}

bool FakeDownload::ResumeTask(const TaskParam& param, const ResumeState& state) {
  std::lock_guard lk(state_->mutex);
  if (state_->hasTask || state_->closed || state.empty()) return false;
  state_->calls.push_back("ResumeTask " + state.url + " " + state.path + " " +
                          std::to_string(state.received));
  state_->hasTask = true;
  state_->received = static_cast<std::uint32_t>(state.received);
  state_->lastParam = param;
  state_->lastResume = state;
  state_->taskUrl = state.url;
  state_->taskPath = state.path;
  state_->taskValidator = state.validator;
  state_->outcome = TaskOutcome::Running;
  return true;
}

bool FakeDownload::StopTask(ResumeState& state, int /*mode*/) {
  std::lock_guard lk(state_->mutex);
  if (!state_->hasTask) return false;
  state_->calls.push_back("StopTask");
  state = ResumeState{state_->taskUrl, state_->taskPath, state_->received, state_->taskValidator};
  state_->hasTask = false;
  state_->outcome = TaskOutcome::Stopped;
  return true;
}

std::uint32_t FakeDownload::DownloadedLength() {
  std::lock_guard lk(state_->mutex);
  return state_->received;
}

void FakeDownload::CloseDownload() {
  std::lock_guard lk(state_->mutex);
  state_->calls.push_back("CloseDownload");
  if (state_->hasTask) state_->outcome = TaskOutcome::Stopped;
  state_->hasTask = false;
  state_->closed = true;
}

TaskOutcome FakeDownload::LastOutcome() {
  std::lock_guard lk(state_->mutex);
  return state_->outcome;
}

void FakeNetwork::Respond(const std::string& url, FetchScript script) {
  std::lock_guard lk(mutex_);
  scripts_[url] = std::move(script);
}

void FakeNetwork::Respond(const std::string& url, std::string_view body) {
  Respond(url, FetchScript{std::string(body), 0, false});
}

std::string FakeNetwork::HttpFetch(const std::string& url) {
  FetchScript script;
  bool known = false;
  {
    std::lock_guard lk(mutex_);
    fetched_.push_back(url);
    auto it = scripts_.find(url);
    if (it != scripts_.end()) {
      script = it->second;
      known = true;
    }
  }
  if (!known) return {};
  if (script.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(script.delayMs));
  return script.fail ? std::string() : script.body;
}

std::unique_ptr<Download> FakeNetwork::CreateDownload() {
  auto state = std::make_shared<FakeDownloadState>();
  {
    std::lock_guard lk(mutex_);
    downloads_.push_back(state);
  }
  return std::make_unique<FakeDownload>(state);
}

void FakeNetwork::DisconnectFtp() {
  std::lock_guard lk(mutex_);
  disconnects_++;
}

std::vector<std::string> FakeNetwork::Fetched() const {
  std::lock_guard lk(mutex_);
  return fetched_;
}

int FakeNetwork::DisconnectFtpCalls() const {
  std::lock_guard lk(mutex_);
  return disconnects_;
}

std::shared_ptr<FakeDownloadState> FakeNetwork::DownloadState(int n) const {
  std::lock_guard lk(mutex_);
  if (n < 0 || n >= static_cast<int>(downloads_.size())) return nullptr;
  return downloads_[n];
}

void FakeNetwork::SetReceived(std::uint32_t bytes, int n) {
  if (auto state = DownloadState(n)) {
    std::lock_guard lk(state->mutex);
    state->received = bytes;
  }
}

void FakeNetwork::FinishTask(TaskOutcome outcome, int n) {
  if (auto state = DownloadState(n)) {
    std::lock_guard lk(state->mutex);
    state->hasTask = false;
    state->outcome = outcome;
  }
}

}  // namespace host::sim
