// The Qt window services against the rules the core relies on (and that the
// simulated host keeps): list operations, the tray tip's byte limit, timer
// periods, writes that change nothing, calls from worker threads, message
// boxes, modal windows and window states. Runs on Qt's offscreen platform.
#include "host/qt/qt_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"

namespace {

using host::Art;
using host::ControlDef;
using host::ControlKind;
using host::Event;
using host::EventArgs;
using host::WindowDef;

host::qt::QtHost& Host() {
  static host::qt::QtHost* host = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new host::qt::QtHost();
  }();
  return *host;
}

ControlDef Control(const char* name, ControlKind kind, host::Rect rect) {
  ControlDef c;
  c.name = name;
  c.kind = kind;
  c.rect = rect;
  return c;
}

WindowDef TestWindow(const std::string& name) {
  WindowDef w;
  w.name = name;
  w.title = name;
  w.rect = {20, 20, 400, 300};
  ControlDef list = Control("list", ControlKind::ReportList, {0, 0, 300, 200});
  list.columns = {{"name", 100}, {"size", 80}, {"data", 0}};
  ControlDef toolbar = Control("toolbar", ControlKind::Toolbar, {0, 200, 300, 90});
  toolbar.buttons = {
      {"b0", "", Art::None, true}, {"b1", "", Art::None, true}, {"b2", "", Art::None, false}};
  toolbar.checkedButton = 0;
  w.controls = {list, Control("label", ControlKind::Label, {310, 0, 80, 20}),
                Control("bar", ControlKind::ProgressBar, {310, 30, 80, 16}), toolbar,
                Control("timer", ControlKind::Timer, {})};
  return w;
}

// Loads a window for one test and destroys it afterwards.
class Loaded {
 public:
  explicit Loaded(WindowDef def) : name_(def.name) { Host().LoadWindow(def, false); }
  ~Loaded() { Host().DestroyWindow(name_); }
  host::ControlRef Ref(const char* control) const { return {name_, control}; }

 private:
  std::string name_;
};

QWidget* TopLevel(const std::string& title) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == QString::fromStdString(title) && w->isVisible()) return w;
  return nullptr;
}

std::string DumpLine(const std::string& prefix) {
  const std::string dump = Host().DumpState();
  const auto at = dump.find(prefix);
  if (at == std::string::npos) return {};
  return dump.substr(at, dump.find('\n', at) - at);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

TEST(QtHostTest, ListOperationsAndFindRow) {
  Loaded w(TestWindow("ListWindow"));
  const auto list = w.Ref("list");
  for (const char* name : {"Alpha", "alphabet", "Beta", "宝盒JAR", "ALPINE"}) {
    const int row = Host().ListAppendRow(list);
    Host().ListSetCell(list, row, 0, name);
    Host().ListSetCell(list, row, 2, "folder");
  }
  EXPECT_EQ(Host().ListRowCount(list), 5);
  EXPECT_EQ(Host().ListGetCell(list, 1, 0), "alphabet");
  EXPECT_EQ(Host().ListGetCell(list, 1, 2), "folder");  // the hidden column keeps its data
  EXPECT_EQ(Host().ListGetCell(list, 1, 1), "");
  EXPECT_EQ(Host().ListGetCell(list, 9, 0), "");
  EXPECT_EQ(Host().ListGetCell(list, 0, 7), "");
  Host().ListSetCell(list, 9, 0, "nowhere");  // out of range: nothing happens
  EXPECT_EQ(Host().ListRowCount(list), 5);

  struct Case {
    const char* text;
    int start;
    int row;
  } cases[] = {
      {"al", 0, 0},   {"al", 1, 1},    {"al", 2, 4},         {"AL", 0, 0},
      {"alp", 5, -1}, {"pha", 0, -1},  {"宝盒", 0, 3},       {"宝盒j", 0, 3},
      {"", 2, 2},     {"beta", -3, 2}, {"Alphabets", 0, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Host().ListFindRow(list, c.text, c.start), c.row) << c.text << " from " << c.start;

  EXPECT_EQ(Host().ListSelectedRow(list), -1);
  Host().ListDeleteRow(list, 0);
  EXPECT_EQ(Host().ListGetCell(list, 0, 0), "alphabet");  // later rows move up
  Host().ListDeleteRow(list, 10);
  EXPECT_EQ(Host().ListRowCount(list), 4);
  Host().ListClear(list);
  EXPECT_EQ(Host().ListRowCount(list), 0);
  EXPECT_EQ(Host().ListFindRow(list, "", 0), -1);
}

TEST(QtHostTest, TrayTipIsCutTo62GbkBytesAtACharacterBoundary) {
  Loaded w(TestWindow("TrayWindow"));
  std::string wide;
  for (int i = 0; i < 40; ++i) wide += "宝";  // 80 GBK bytes
  struct Case {
    std::string tip;
    std::string shown;
  } cases[] = {
      {"Kovrin宝盒 V2.0", "Kovrin宝盒 V2.0"},
      {wide, wide.substr(0, 31 * 3)},              // 62 bytes: 31 characters
      {"A" + wide, "A" + wide.substr(0, 30 * 3)},  // 61 bytes: the 31st would split
  };
  for (const Case& c : cases) {
    Host().SetTrayIcon("TrayWindow", Art::ProgramIcon, c.tip);
    EXPECT_NE(DumpLine("tray ").find("tip=\"" + c.shown + "\""), std::string::npos)
        << DumpLine("tray ");
  }
  Host().SetTrayIcon("TrayWindow", Art::None, "");
  EXPECT_NE(DumpLine("tray ").find("visible=0"), std::string::npos);
}

TEST(QtHostTest, TimerPeriodsHaveAFloorAndZeroStops) {
  WindowDef def = TestWindow("TimerWindow");
  int ticks = 0;
  def.events.push_back({"timer", Event::TimerElapsed, "", [&](const EventArgs&) {
                          ++ticks;
                          // Setting the running period again keeps it ticking.
                          Host().SetTimerPeriod({"TimerWindow", "timer"}, 1);
                        }});
  Loaded w(def);
  QElapsedTimer clock;
  clock.start();
  Host().SetTimerPeriod(w.Ref("timer"), 1);
  Host().WaitHandlingEvents(300);
  const qint64 elapsed = clock.elapsed();
  EXPECT_GE(ticks, 1);
  // A 1 ms period fires at most every 10 ms, as on Windows.
  EXPECT_LE(ticks, elapsed / 10 + 2) << "in " << elapsed << " ms";
  Host().SetTimerPeriod(w.Ref("timer"), 0);
  const int stoppedAt = ticks;
  Host().WaitHandlingEvents(60);
  EXPECT_EQ(ticks, stoppedAt);
}

TEST(QtHostTest, WritesThatChangeNothingRepaintNothing) {
  Loaded w(TestWindow("PaintWindow"));
  Host().SetText(w.Ref("label"), "236KB/10KB");
  Host().SetProgressMax(w.Ref("bar"), 236);
  Host().SetProgressPos(w.Ref("bar"), 10);
  Host().ListSetCell(w.Ref("list"), Host().ListAppendRow(w.Ref("list")), 1, "236KB");
  Host().WaitHandlingEvents(50);

  QWidget* window = TopLevel("PaintWindow");
  ASSERT_NE(window, nullptr);
  auto* label = window->findChild<QLabel*>();
  auto* bar = window->findChild<QProgressBar*>();
  auto* list = window->findChild<QTreeWidget*>();
  ASSERT_TRUE(label && bar && list);
  PaintCounter labelPaints, barPaints, listPaints;
  label->installEventFilter(&labelPaints);
  bar->installEventFilter(&barPaints);
  list->viewport()->installEventFilter(&listPaints);

  for (int i = 0; i < 100; ++i) {
    Host().SetText(w.Ref("label"), "236KB/10KB");
    Host().SetProgressMax(w.Ref("bar"), 236);
    Host().SetProgressPos(w.Ref("bar"), 10);
    Host().ListSetCell(w.Ref("list"), 0, 1, "236KB");
    Host().SetVisible(w.Ref("bar"), true);
    Host().SetBounds(w.Ref("bar"), host::Bound::Left, 310);
  }
  Host().WaitHandlingEvents(50);
  EXPECT_EQ(labelPaints.count, 0);
  EXPECT_EQ(barPaints.count, 0);
  EXPECT_EQ(listPaints.count, 0);

  Host().SetText(w.Ref("label"), "236KB/11KB");  // a real change does repaint
  Host().WaitHandlingEvents(50);
  EXPECT_GT(labelPaints.count, 0);
  label->removeEventFilter(&labelPaints);
  bar->removeEventFilter(&barPaints);
  list->viewport()->removeEventFilter(&listPaints);
}

TEST(QtHostTest, WorkerUnitsRunWholeOnTheUiThread) {
  Loaded w(TestWindow("WorkerWindow"));
  const auto list = w.Ref("list");
  std::atomic<int> done{0};
  auto worker = [&](const char* tag) {
    for (int i = 0; i < 50; ++i) {
      Host().RunOnUiThread([&] {
        // Two rows per unit: no other unit may come between them.
        const int first = Host().ListAppendRow(list);
        Host().ListSetCell(list, first, 0, tag);
        const int second = Host().ListAppendRow(list);
        Host().ListSetCell(list, second, 0, tag);
      });
      Host().ListSetCell(list, 0, 1, tag);  // single operations in between
    }
    ++done;
  };
  std::thread a(worker, "a");
  std::thread b(worker, "b");
  while (done < 2) Host().WaitHandlingEvents(5);
  a.join();
  b.join();
  ASSERT_EQ(Host().ListRowCount(list), 200);
  for (int row = 0; row < 200; row += 2)
    EXPECT_EQ(Host().ListGetCell(list, row, 0), Host().ListGetCell(list, row + 1, 0)) << row;
}

TEST(QtHostTest, WorkerMessageBoxBlocksOnlyTheWorker) {
  WindowDef def = TestWindow("BoxWindow");
  int ticks = 0;
  def.events.push_back({"timer", Event::TimerElapsed, "", [&](const EventArgs&) { ++ticks; }});
  Loaded w(def);
  Host().SetTimerPeriod(w.Ref("timer"), 10);
  std::atomic<int> answer{-1};
  std::thread worker([&] {
    answer = Host().MessageBox("继续？", host::MsgButtons::YesNo, host::MsgIcon::None, "");
  });
  QMessageBox* box = nullptr;
  for (int i = 0; i < 400 && box == nullptr; ++i) {
    Host().WaitHandlingEvents(5);
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<QMessageBox*>(top); b && b->isVisible()) box = b;
  }
  ASSERT_NE(box, nullptr);
  const int ticksWithBox = ticks;
  Host().WaitHandlingEvents(100);
  EXPECT_GT(ticks, ticksWithBox);  // the UI thread goes on while the worker waits
  EXPECT_EQ(box->windowTitle().toStdString(), "信息：");
  EXPECT_EQ(box->windowModality(), Qt::NonModal);
  EXPECT_EQ(answer, -1);
  box->button(QMessageBox::Yes)->click();
  worker.join();
  EXPECT_EQ(answer, host::kMsgYes);
  Host().SetTimerPeriod(w.Ref("timer"), 0);
}

TEST(QtHostTest, MessageBoxAnswersOnTheUiThread) {
  struct Case {
    host::MsgButtons buttons;
    QMessageBox::StandardButton press;  // NoButton: the box is closed instead
    int answer;
  } cases[] = {
      {host::MsgButtons::Ok, QMessageBox::Ok, host::kMsgOk},
      {host::MsgButtons::YesNo, QMessageBox::Yes, host::kMsgYes},
      {host::MsgButtons::YesNo, QMessageBox::No, host::kMsgNo},
      {host::MsgButtons::YesNo, QMessageBox::NoButton, host::kMsgNo},
  };
  Host();  // the application object exists before the first timer
  for (const Case& c : cases) {
    QTimer::singleShot(50, [&c] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        if (!box || !box->isVisible()) continue;
        EXPECT_EQ(box->windowTitle().toStdString(), "标题");
        if (c.press == QMessageBox::NoButton)
          box->close();
        else
          box->button(c.press)->click();
      }
    });
    EXPECT_EQ(Host().MessageBox("text", c.buttons, host::MsgIcon::Information, "标题"), c.answer);
  }
}

TEST(QtHostTest, WindowsDestroyedByTheirOwnTimer) {
  WindowDef def = TestWindow("ModalWindow");
  def.style = host::WindowStyle::FixedDialog;
  int created = 0;
  int ticks = 0;
  def.events.push_back({"", Event::Created, "", [&](const EventArgs&) {
                          ++created;
                          Host().SetTimerPeriod({"ModalWindow", "timer"}, 10);
                        }});
  def.events.push_back({"timer", Event::TimerElapsed, "", [&](const EventArgs&) {
                          if (++ticks == 3) Host().DestroyWindow("ModalWindow");
                        }});
  Host().LoadWindow(def, true);
  EXPECT_EQ(created, 1);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(Host().IsWindowLoaded("ModalWindow"));
  Host().WaitHandlingEvents(30);  // the deferred deletion runs; no tick follows
  EXPECT_EQ(ticks, 3);

  // Without a modal load holding on to it, the window's last owner is the
  // tick that destroys it.
  def.name = "LooseWindow";
  def.events.clear();
  ticks = 0;
  def.events.push_back({"", Event::Created, "", [&](const EventArgs&) {
                          Host().SetTimerPeriod({"LooseWindow", "timer"}, 10);
                        }});
  def.events.push_back({"timer", Event::TimerElapsed, "", [&](const EventArgs&) {
                          if (++ticks == 2) Host().DestroyWindow("LooseWindow");
                        }});
  Host().LoadWindow(def, false);
  for (int i = 0; i < 100 && Host().IsWindowLoaded("LooseWindow"); ++i)
    Host().WaitHandlingEvents(10);
  EXPECT_FALSE(Host().IsWindowLoaded("LooseWindow"));
  Host().WaitHandlingEvents(30);
  EXPECT_EQ(ticks, 2);
}

TEST(QtHostTest, WindowStatesAndTheWayBackFromHidden) {
  WindowDef def = TestWindow("StateWindow");
  int positionEvents = 0;
  // As the main window does: hidden as soon as it is minimised.
  def.events.push_back({"", Event::PositionChanged, "", [&](const EventArgs&) {
                          ++positionEvents;
                          if (Host().GetWindowState("StateWindow") == host::kWindowMinimised)
                            Host().SetVisible({"StateWindow", ""}, false);
                        }});
  Loaded w(def);
  Host().WaitHandlingEvents(20);
  Host().SetWindowState("StateWindow", host::kWindowMinimised);
  EXPECT_GT(positionEvents, 0);
  EXPECT_EQ(Host().GetWindowState("StateWindow"), host::kWindowMinimised);
  EXPECT_EQ(TopLevel("StateWindow"), nullptr);  // hidden, and stays hidden
  Host().WaitHandlingEvents(20);
  EXPECT_EQ(TopLevel("StateWindow"), nullptr);

  Host().SetWindowState("StateWindow", host::kWindowMaximised);  // ignored while hidden
  EXPECT_EQ(Host().GetWindowState("StateWindow"), host::kWindowMinimised);

  Host().SetVisible({"StateWindow", ""}, true);
  EXPECT_NE(TopLevel("StateWindow"), nullptr);
  EXPECT_EQ(Host().GetWindowState("StateWindow"), host::kWindowNormal);
  Host().SetWindowState("StateWindow", host::kWindowRestoreCentre);
  const int width = Host().GetBounds({"StateWindow", ""}, host::Bound::Width);
  const int left = Host().GetBounds({"StateWindow", ""}, host::Bound::Left);
  EXPECT_EQ(left, (Host().ScreenWidth() - width) / 2);
}

TEST(QtHostTest, ToolbarCheckGroup) {
  WindowDef def = TestWindow("ToolbarWindow");
  std::vector<int> clicked;
  def.events.push_back({"toolbar", Event::ToolbarClicked, "",
                        [&](const EventArgs& args) { clicked.push_back(args.index); }});
  Loaded w(def);
  auto checked = [] {
    const std::string line = DumpLine("control ToolbarWindow/toolbar");
    return line.substr(line.find("checked=") + 8);
  };
  EXPECT_EQ(checked(), "0");
  Host().CheckToolbarButton(w.Ref("toolbar"), 1);
  EXPECT_EQ(checked(), "1");
  Host().CheckToolbarButton(w.Ref("toolbar"), 2);  // not in the group: no change
  Host().CheckToolbarButton(w.Ref("toolbar"), 7);
  EXPECT_EQ(checked(), "1");
  EXPECT_TRUE(clicked.empty());  // the program's own checks raise no event

  QWidget* window = TopLevel("ToolbarWindow");
  ASSERT_NE(window, nullptr);
  for (QToolButton* b : window->findChildren<QToolButton*>()) {
    if (b->text() == "b0") b->click();
    if (b->text() == "b2") b->click();
  }
  EXPECT_EQ(checked(), "0");  // the user's click moves the pressed button
  std::sort(clicked.begin(), clicked.end());
  EXPECT_EQ(clicked, (std::vector<int>{0, 2}));
}

}  // namespace
