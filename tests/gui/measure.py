#!/usr/bin/env python3
"""Figures of the real program under Xvfb (a bench, not a test):

  - start-up: process start until the main window is on screen (several runs);
  - memory: resident size after 10 s idle, of the program and of the browser's
    helper processes;
  - CPU: while a download runs, watched by the program's 1 ms monitor timer
    (the demo server sends the package slowly), and while idle.

  measure.py --build-dir BUILD [--runs N]
"""

import argparse
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import smoke  # noqa: E402

CLK_TCK = os.sysconf("SC_CLK_TCK")


def family(pid):
    """pid and all its descendants."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    stat = f.read()
                parents[int(entry)] = int(stat[stat.rfind(")") + 2:].split()[1])
            except OSError:
                pass
    found = {pid}
    grew = True
    while grew:
        grew = False
        for child, parent in parents.items():
            if parent in found and child not in found:
                found.add(child)
                grew = True
    return sorted(found)


def cpu_ticks(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            stat = f.read()
    except OSError:
        return 0
    fields = stat[stat.rfind(")") + 2:].split()
    return int(fields[11]) + int(fields[12])


def rss_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def pss_kb(pid):
    """Proportional set size: shared pages counted once across the processes."""
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def cpu_over(pids_of, seconds):
    """CPU use in % of one core of the program and of its helpers over `seconds`."""
    main, *helpers = pids_of()
    t0 = time.monotonic()
    a_main, a_help = cpu_ticks(main), sum(cpu_ticks(p) for p in helpers)
    time.sleep(seconds)
    main2, *helpers2 = pids_of()
    b_main, b_help = cpu_ticks(main2), sum(cpu_ticks(p) for p in helpers2)
    dt = time.monotonic() - t0
    return (100.0 * (b_main - a_main) / CLK_TCK / dt,
            100.0 * max(0, b_help - a_help) / CLK_TCK / dt)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    # Start-up, several runs.
    shown = []
    for _ in range(args.runs):
        s = smoke.Session(args.build_dir, None)
        try:
            s.start()
            shown.append(s.shown_after)
            s.quit_through_tray()
        finally:
            s.stop()
    print("start-up to window shown: median %.2f s, min %.2f s, max %.2f s (%d runs)" % (
        statistics.median(shown), min(shown), max(shown), len(shown)))

    # Memory and CPU in one long run, with packages sent at 40 KB/s.
    s = smoke.Session(args.build_dir, None)
    s.serve_args = ["--rate", "40"]
    try:
        s.start()
        time.sleep(10)
        pids = family(s.prog.pid)
        main_rss = rss_kb(pids[0])
        helpers_rss = sum(rss_kb(p) for p in pids[1:])
        print("RSS after 10 s idle: program %.0f MB, browser helpers %.0f MB (%d processes);"
              " PSS of all together %.0f MB" % (main_rss / 1024, helpers_rss / 1024,
                                                 len(pids) - 1,
                                                 sum(pss_kb(p) for p in pids) / 1024))
        idle = cpu_over(lambda: family(s.prog.pid), 5)
        print("CPU idle: program %.1f%%, helpers %.1f%%" % idle)

        d = smoke.open_catalog(s, 2, 3)
        rows = d.control("MainWindow/超级列表框1")["rows"]
        big = max(rows, key=lambda r: int(r["cells"][1].rstrip("KB") or 0))
        s.click_at(big["screen"], repeat=2)
        smoke.answer_box(s, "确定")
        d = s.dump()
        s.click_at(d.control("MainWindow/工具条1")["buttons"][0]["screen"])
        d = s.wait_dump("the row", lambda d: any(r["cells"][0] == big["cells"][0] and r["screen"]
                                                 for r in d.control("MainWindow/超级列表框2")["rows"]))
        row = [r for r in d.control("MainWindow/超级列表框2")["rows"]
               if r["cells"][0] == big["cells"][0]][-1]
        s.click_at(row["screen"], repeat=2)
        d = s.wait_dump("the task menu", lambda d: d.menus["MainWindow/TaskMenu"]["open"])
        s.click_at(d.menus["MainWindow/TaskMenu"]["items"]["开始任务"]["screen"])
        s.wait_dump("the monitor timer", lambda d: d.control("MainWindow/时钟1").get("period") != "0")
        time.sleep(1)
        busy = cpu_over(lambda: family(s.prog.pid), 10)
        d = s.dump()
        print("CPU during a download (%s, 1 ms monitor -> period %s ms): program %.1f%%, "
              "helpers %.1f%%" % (big["cells"][1], d.control("MainWindow/时钟1").get("period"),
                                  busy[0], busy[1]))
        s.wait_dump("completion", lambda d: any(
            r["cells"][3] == "已下载完毕" for r in d.control("MainWindow/超级列表框2")["rows"]),
            timeout=120)
        s.quit_through_tray()
    finally:
        s.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
