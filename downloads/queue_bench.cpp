// Times a "全部任务下载" queue of packages over loopback with the libcurl
// facility. The simulated window clock is paced at one virtual millisecond
// per real millisecond, so the program's fixed waits (100 ms before each start,
// 1500 ms after each completion) take real time as in the program.
//
//   queue_bench [packages=3] [MiB per package=4]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "common/main_window.h"
#include "common/paths.h"
#include "common/text.h"
#include "downloads/package_server.h"
#include "host/curl/curl_network.h"
#include "host/sim/sim_host.h"
#include "shell/app.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto sec = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return sec(usage.ru_utime) + sec(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 3;
  const int mib = argc > 2 ? std::atoi(argv[2]) : 4;
  downloads::testing::PackageServer server;
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    names.push_back("资源包" + std::to_string(i + 1));
    server.Put("/jar/" + common::Utf8ToGbk(names.back()) + ".zip",
               {downloads::testing::PackageBytes(static_cast<std::size_t>(mib) << 20, i + 1)});
  }
  testing_support::TempDir dir;
  common::Config config;
  config.contentBaseUrl = server.BaseUrl();
  config.communityBaseUrl = "http://127.0.0.1:9/";
  config.runDirectory = dir.path();
  config.iniPath = dir.File("list.ini");
  host::sim::SimHost sim;
  host::curl::CurlNetwork net;
  shell::App app(sim, net, config);
  app.Start();
  sim.WaitForThreads();
  const auto list = mw::Ctl(mw::kDownloadList);
  for (const auto& name : names) {
    const int n = sim.ListAppendRow(list);
    sim.ListSetCell(list, n, mw::kColName, name);
    sim.ListSetCell(list, n, mw::kColSize, std::to_string(mib * 1024) + "KB");
    sim.ListSetCell(list, n, mw::kColState, mw::kStateNotDone);
    sim.ListSetCell(list, n, mw::kColFolder, "jar");
  }

  const double cpu0 = CpuSeconds();
  const auto t0 = Clock::now();
  sim.DoubleClickRow(mw::kWindow, mw::kDownloadList, 0);
  sim.ChooseMenuItem(mw::kWindow, mw::kTaskMenu, mw::kDownloadAll);
  std::vector<double> startAt(count, -1), doneAt(count, -1);
  auto& state = app.Downloads().State();
  auto since = [&] { return std::chrono::duration<double>(Clock::now() - t0).count(); };
  int done = 0;
  auto next = Clock::now();
  while (done < count && Clock::now() - t0 < std::chrono::minutes(5)) {
    next += std::chrono::milliseconds(1);
    sim.Advance(1);
    // Seen before the pacing sleep: a completion runs its 1500 ms wait
    // inside the Advance that completes it.
    for (int r = 0; r < count; ++r) {
      if (startAt[r] < 0 && state.activeRow == r) startAt[r] = since();
      if (doneAt[r] < 0 && sim.ListGetCell(list, r, mw::kColState) == mw::kStateDone) {
        doneAt[r] = since();
        ++done;
      }
    }
    const auto virtualNow = t0 + std::chrono::milliseconds(sim.Now());
    if (virtualNow > next) next = virtualNow;
    std::this_thread::sleep_until(next);
  }
  const double total = std::chrono::duration<double>(Clock::now() - t0).count();
  const double cpu = CpuSeconds() - cpu0;
  std::printf("packages %d x %d MiB, complete %d\n", count, mib, done);
  for (int r = 0; r < count; ++r)
    std::printf("  row %d: started %.3f s, complete %.3f s (transfer %.3f s)\n", r, startAt[r],
                doneAt[r], doneAt[r] - startAt[r]);
  std::printf("total %.3f s, of which fixed waits %.1f s; process CPU %.3f s\n", total, count * 1.6,
              cpu);
  return done == count ? 0 : 1;
}
