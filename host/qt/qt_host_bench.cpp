// What a fast timer costs on the Qt window services: a window like the main
// window's lower part (label, progress bar, optionally a browser box) with a
// timer asked for a 1 ms period, whose handler writes its texts and bar each
// tick. Reports ticks per second and the CPU time of the process and of its
// child processes (the browser's renderers) over the measuring interval.
//
//   rb_qt_bench [same|change] [browser URL] [seconds]
//     same    each tick writes the values the controls already show (default)
//     change  each tick writes a new bar position and label text
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/qt/qt_host.h"

namespace {

// utime + stime in clock ticks of one process, from /proc/<pid>/stat.
struct ProcTimes {
  long long ticks = 0;
  int ppid = 0;
};

bool ReadStat(int pid, ProcTimes* out) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return false;
  const auto close = line.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream rest(line.substr(close + 2));
  std::vector<std::string> f;
  std::string field;
  while (rest >> field) f.push_back(field);
  if (f.size() < 13) return false;
  // Fields after the name: state ppid ... utime(12th) stime(13th), 1-based
  // from "state".
  out->ppid = std::atoi(f[1].c_str());
  out->ticks = std::atoll(f[11].c_str()) + std::atoll(f[12].c_str());
  return true;
}

// CPU ticks of this process and of all its descendants.
void CpuTicks(long long* self, long long* children) {
  const int me = getpid();
  std::vector<std::pair<int, ProcTimes>> all;
  if (DIR* dir = opendir("/proc")) {
    while (dirent* e = readdir(dir)) {
      const int pid = std::atoi(e->d_name);
      ProcTimes t;
      if (pid > 0 && ReadStat(pid, &t)) all.push_back({pid, t});
    }
    closedir(dir);
  }
  *self = 0;
  *children = 0;
  for (const auto& [pid, t] : all) {
    if (pid == me) {
      *self = t.ticks;
      continue;
    }
    // Descendant: walk the parent chain up to this process.
    int p = t.ppid;
    for (int depth = 0; depth < 16 && p > 1; ++depth) {
      if (p == me) {
        *children += t.ticks;
        break;
      }
      int next = 0;
      for (const auto& [qpid, q] : all)
        if (qpid == p) next = q.ppid;
      p = next;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool change = argc > 1 && std::string(argv[1]) == "change";
  std::string url;
  int seconds = 10;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "browser" && i + 1 < argc)
      url = argv[++i];
    else if (std::atoi(argv[i]) > 0)
      seconds = std::atoi(argv[i]);
  }

  host::qt::QtHost ui;
  host::WindowDef w;
  w.name = "BenchWindow";
  w.title = "bench";
  w.rect = {50, 50, 860, 540};
  w.background = host::Art::MainBackground;
  auto add = [&w](const char* name, host::ControlKind kind, host::Rect r) {
    host::ControlDef c;
    c.name = name;
    c.kind = kind;
    c.rect = r;
    w.controls.push_back(c);
  };
  add("label", host::ControlKind::Label, {384, 517, 200, 22});
  add("bar", host::ControlKind::ProgressBar, {442, 521, 179, 16});
  add("list", host::ControlKind::ReportList, {176, 140, 666, 300});
  w.controls.back().columns = {{"a", 230}, {"b", 100}, {"c", 200}};
  if (!url.empty()) {
    add("browser", host::ControlKind::Browser, {2, 140, 170, 300});
    w.controls.back().address = url;
  }
  add("timer", host::ControlKind::Timer, {});

  long long ticks = 0;
  long long ticksAtStart = 0;
  w.events.push_back(
      {"timer", host::Event::TimerElapsed, "", [&](const host::EventArgs&) {
         ++ticks;
         const int v = change ? static_cast<int>(ticks % 100) : 42;
         ui.SetProgressPos({"BenchWindow", "bar"}, v);
         ui.SetText({"BenchWindow", "label"}, "236KB/" + std::to_string(v) + "KB");
         ui.ListSetCell({"BenchWindow", "list"}, 0, 2, "236KB/" + std::to_string(v) + "KB");
       }});
  w.events.push_back({"", host::Event::Created, "", [&](const host::EventArgs&) {
                        ui.ListAppendRow({"BenchWindow", "list"});
                        ui.ListSetCell({"BenchWindow", "list"}, 0, 0, "row");
                        ui.SetTimerPeriod({"BenchWindow", "timer"}, 1);
                      }});
  ui.LoadWindow(w, false);

  ui.WaitHandlingEvents(3000);  // the browser settles
  long long self0 = 0, child0 = 0;
  CpuTicks(&self0, &child0);
  ticksAtStart = ticks;
  const auto t0 = std::chrono::steady_clock::now();
  ui.WaitHandlingEvents(seconds * 1000);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  long long self1 = 0, child1 = 0;
  CpuTicks(&self1, &child1);
  const double hz = static_cast<double>(sysconf(_SC_CLK_TCK));
  std::printf("mode=%s browser=%s seconds=%.1f ticks/s=%.0f cpu_self=%.1f%% cpu_children=%.1f%%\n",
              change ? "change" : "same", url.empty() ? "no" : "yes", secs,
              (ticks - ticksAtStart) / secs, 100.0 * (self1 - self0) / hz / secs,
              100.0 * (child1 - child0) / hz / secs);
  std::fflush(stdout);
  ui.ExitProcess(0);
}
