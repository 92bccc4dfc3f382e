// Download throughput and CPU cost of the download tasks against the curl
// command-line tool, over loopback, in alternating rounds.
//
// bench_download <url> <work dir> <rounds> [curl program]
//
// Each round downloads the URL once with a download task (polled as the
// program polls it) and once with `curl -s -o`, in alternating order. The
// task's CPU time is this process's (all its threads); curl's is the child's
// as wait4 reports it.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "host/curl/curl_network.h"

extern char** environ;

namespace {

struct Sample {
  double seconds = 0;
  double cpuSeconds = 0;
  long long bytes = 0;
  bool ok = false;
};

double CpuOf(const rusage& usage) {
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec / 1e6;
}

long long SizeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

Sample WithTask(const std::string& url, const std::string& path) {
  ::unlink(path.c_str());
  host::curl::CurlNetwork net;
  auto download = net.CreateDownload();
  host::TaskParam param;  // the values every deliverable uses
  param.url = url;
  param.path = path;
  rusage before{}, after{};
  ::getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  download->AddTask(param);
  while (download->LastOutcome() == host::TaskOutcome::Running) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    download->DownloadedLength();
  }
  const auto end = std::chrono::steady_clock::now();
  ::getrusage(RUSAGE_SELF, &after);
  Sample s;
  s.seconds = std::chrono::duration<double>(end - start).count();
  s.cpuSeconds = CpuOf(after) - CpuOf(before);
  s.bytes = SizeOf(path);
  s.ok = download->LastOutcome() == host::TaskOutcome::Complete;
  return s;
}

Sample WithCurl(const std::string& curl, const std::string& url, const std::string& path) {
  ::unlink(path.c_str());
  std::vector<std::string> args = {curl, "-s", "-o", path, url};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  Sample s;
  if (::posix_spawnp(&pid, curl.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return s;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  const auto end = std::chrono::steady_clock::now();
  s.seconds = std::chrono::duration<double>(end - start).count();
  s.cpuSeconds = CpuOf(usage);
  s.bytes = SizeOf(path);
  s.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return s;
}

// Byte-for-byte comparison of two files.
bool SameBytes(const std::string& a, const std::string& b) {
  std::FILE* fa = std::fopen(a.c_str(), "rb");
  std::FILE* fb = std::fopen(b.c_str(), "rb");
  bool same = fa && fb;
  std::vector<char> ba(1 << 20), bb(1 << 20);
  while (same) {
    const size_t na = std::fread(ba.data(), 1, ba.size(), fa);
    const size_t nb = std::fread(bb.data(), 1, bb.size(), fb);
    same = na == nb && std::equal(ba.begin(), ba.begin() + na, bb.begin());
    if (na == 0) break;
  }
  if (fa) std::fclose(fa);
  if (fb) std::fclose(fb);
  return same;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s <url> <work dir> <rounds> [curl]\n", argv[0]);
    return 2;
  }
  const std::string url = argv[1];
  const std::string dir = argv[2];
  const int rounds = std::max(1, std::atoi(argv[3]));
  const std::string curl = argc > 4 ? argv[4] : "curl";
  const std::string taskFile = dir + "/by-task.bin";
  const std::string curlFile = dir + "/by-curl.bin";
  constexpr double kGiB = 1024.0 * 1024 * 1024;
  constexpr double kMiB = 1024.0 * 1024;

  std::vector<double> taskRate, curlRate, taskCpu, curlCpu;
  long long expected = -1;
  bool allOk = true;
  for (int round = 1; round <= rounds; ++round) {
    Sample task, byCurl;
    // Alternate who goes first, so neither always meets a warm or cold cache.
    if (round % 2) {
      task = WithTask(url, taskFile);
      byCurl = WithCurl(curl, url, curlFile);
    } else {
      byCurl = WithCurl(curl, url, curlFile);
      task = WithTask(url, taskFile);
    }
    if (expected < 0) expected = byCurl.bytes;
    bool ok = task.ok && byCurl.ok && task.bytes == expected && byCurl.bytes == expected;
    // The first round also checks that both copies hold the same bytes.
    if (round == 1) ok = ok && SameBytes(taskFile, curlFile);
    allOk = allOk && ok;
    const double gib = expected / kGiB;
    taskRate.push_back(task.bytes / kMiB / task.seconds);
    curlRate.push_back(byCurl.bytes / kMiB / byCurl.seconds);
    taskCpu.push_back(task.cpuSeconds / gib);
    curlCpu.push_back(byCurl.cpuSeconds / gib);
    std::printf("round %d: task %7.1f MiB/s %5.2f CPU s/GiB | curl %7.1f MiB/s %5.2f CPU s/GiB%s\n",
                round, taskRate.back(), taskCpu.back(), curlRate.back(), curlCpu.back(),
                ok ? "" : "  (INCOMPLETE)");
    std::fflush(stdout);
    ::unlink(taskFile.c_str());
    ::unlink(curlFile.c_str());
  }
  const double taskMedian = Median(taskRate);
  const double curlMedian = Median(curlRate);
  std::printf("file: %lld bytes, %d rounds, medians:\n", expected, rounds);
  std::printf("  download task: %8.1f MiB/s  %5.2f CPU s/GiB\n", taskMedian, Median(taskCpu));
  std::printf("  curl tool:     %8.1f MiB/s  %5.2f CPU s/GiB\n", curlMedian, Median(curlCpu));
  std::printf("  throughput ratio task/curl: %.3f (goal >= 0.95)\n", taskMedian / curlMedian);
  std::printf("  CPU per GiB ratio task/curl: %.3f (goal <= 1.00)\n",
              Median(taskCpu) / Median(curlCpu));
  return allOk ? 0 : 1;
}
