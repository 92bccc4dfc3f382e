// One download object: holds at most one task that copies one URL into one
// local file on a thread of its own. Every operation is safe while the task
// runs, finishes or fails; no thread outlives the object.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "host/curl/curl_network.h"
#include "host/network.h"

namespace host::curl {

class CurlDownload : public Download {
 public:
  explicit CurlDownload(CurlNetwork::Options options);
  ~CurlDownload() override;
  CurlDownload(const CurlDownload&) = delete;
  CurlDownload& operator=(const CurlDownload&) = delete;

  bool AddTask(const TaskParam& param) override;
  bool ResumeTask(const TaskParam& param, const ResumeState& state) override;
  bool StopTask(ResumeState& state, int mode) override;
  std::uint32_t DownloadedLength() override;
  void CloseDownload() override;
  TaskOutcome LastOutcome() override;

  struct Task;  // defined with the transfer code

 private:
  bool Held();  // commandMutex_ held
  void Start(std::shared_ptr<Task> task);
  void StopAndDetach(Task& task, int waitMs);
  void JoinFinished();

  const CurlNetwork::Options options_;
  // Serialises the commands; the task pointer changes only under it, and
  // under stateMutex_ so that the count stays readable during a command.
  std::mutex commandMutex_;
  std::mutex stateMutex_;
  std::shared_ptr<Task> task_;                // the current or last task
  std::vector<std::shared_ptr<Task>> alive_;  // tasks whose thread is not joined
  bool closed_ = false;
};

}  // namespace host::curl
