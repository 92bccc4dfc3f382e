#include "host/sim/sim_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace host::sim {
namespace {

constexpr char kWin[] = "W";

ControlDef Timer(const std::string& name) {
  ControlDef c;
  c.name = name;
  c.kind = ControlKind::Timer;
  return c;
}

ControlDef List(const std::string& name, int columns = 2) {
  ControlDef c;
  c.name = name;
  c.kind = ControlKind::ReportList;
  for (int i = 0; i < columns; ++i) c.columns.push_back({"c" + std::to_string(i), 100});
  return c;
}

WindowDef Window(std::vector<ControlDef> controls = {}) {
  WindowDef w;
  w.name = kWin;
  w.rect = {10, 20, 860, 535};
  w.controls = std::move(controls);
  return w;
}

void On(WindowDef& w, const std::string& control, Event event, Handler h,
        const std::string& item = {}) {
  w.events.push_back({control, event, item, std::move(h)});
}

// ---- Virtual clock -----------------------------------------------------------

TEST(SimClock, TimersFireInTimeOrderWithTiesInCreationOrder) {
  SimHost sim;
  std::vector<std::string> fired;
  WindowDef w = Window({Timer("A"), Timer("B")});
  for (const char* t : {"A", "B"})
    On(w, t, Event::TimerElapsed,
       [&, t](const EventArgs&) { fired.push_back(t + std::to_string(sim.Now())); });
  sim.LoadWindow(w, false);
  sim.Advance(5);
  sim.SetTimerPeriod({kWin, "B"}, 20);  // first tick a whole period later: 25
  sim.SetTimerPeriod({kWin, "A"}, 30);  // 35
  sim.Advance(60);                      // up to 65
  EXPECT_EQ(fired, (std::vector<std::string>{"B25", "A35", "B45", "A65", "B65"}));
  EXPECT_EQ(sim.Now(), 65);
}

TEST(SimClock, HandlersChangePeriodsFromTheCurrentVirtualTime) {
  SimHost sim;
  std::vector<std::string> fired;
  WindowDef w = Window({Timer("Once"), Timer("Slower"), Timer("Starter"), Timer("Started")});
  On(w, "Once", Event::TimerElapsed, [&](const EventArgs&) {
    fired.push_back("Once" + std::to_string(sim.Now()));
    sim.SetTimerPeriod({kWin, "Once"}, 0);
  });
  On(w, "Slower", Event::TimerElapsed, [&](const EventArgs&) {
    fired.push_back("Slower" + std::to_string(sim.Now()));
    sim.SetTimerPeriod({kWin, "Slower"}, 25);
  });
  On(w, "Starter", Event::TimerElapsed, [&](const EventArgs&) {
    fired.push_back("Starter" + std::to_string(sim.Now()));
    sim.SetTimerPeriod({kWin, "Starter"}, 0);
    sim.SetTimerPeriod({kWin, "Started"}, 4);
  });
  On(w, "Started", Event::TimerElapsed,
     [&](const EventArgs&) { fired.push_back("Started" + std::to_string(sim.Now())); });
  sim.LoadWindow(w, false);
  sim.SetTimerPeriod({kWin, "Once"}, 3);
  sim.SetTimerPeriod({kWin, "Slower"}, 10);
  sim.SetTimerPeriod({kWin, "Starter"}, 7);
  sim.Advance(40);
  EXPECT_EQ(fired, (std::vector<std::string>{"Once3", "Starter7", "Slower10", "Started11",
                                             "Started15", "Started19", "Started23", "Started27",
                                             "Started31", "Slower35", "Started35", "Started39"}));
  EXPECT_EQ(sim.TimerPeriod(kWin, "Once"), 0);
  EXPECT_EQ(sim.TimerPeriod(kWin, "Slower"), 25);
}

TEST(SimClock, WaitHandlingEventsInsideAHandlerFiresOtherTimersNested) {
  SimHost sim;
  std::vector<std::string> fired;
  bool waited = false;
  WindowDef w = Window({Timer("A"), Timer("B")});
  On(w, "A", Event::TimerElapsed, [&](const EventArgs&) {
    fired.push_back("A" + std::to_string(sim.Now()));
    if (waited) return;
    waited = true;
    sim.WaitHandlingEvents(25);  // never re-enters A
    fired.push_back("A-done" + std::to_string(sim.Now()));
  });
  On(w, "B", Event::TimerElapsed,
     [&](const EventArgs&) { fired.push_back("B" + std::to_string(sim.Now())); });
  sim.LoadWindow(w, false);
  sim.SetTimerPeriod({kWin, "A"}, 10);
  sim.SetTimerPeriod({kWin, "B"}, 10);
  sim.Advance(10);
  EXPECT_EQ(fired, (std::vector<std::string>{"A10", "B10", "B20", "B30", "A-done35"}));
  EXPECT_EQ(sim.Now(), 35);
  fired.clear();
  // A's tick that fell inside its own wait comes once, late; then the rhythm resumes.
  sim.Advance(10);
  EXPECT_EQ(fired, (std::vector<std::string>{"A35", "B40", "A45"}));
}

TEST(SimClock, TimersOfDestroyedWindowsAndAfterExitNeverFire) {
  SimHost sim;
  int ticks = 0;
  WindowDef w = Window({Timer("T")});
  On(w, "T", Event::TimerElapsed, [&](const EventArgs&) {
    if (++ticks == 2) sim.DestroyWindow(kWin);
  });
  sim.LoadWindow(w, false);
  sim.SetTimerPeriod({kWin, "T"}, 1);
  sim.Advance(10);
  EXPECT_EQ(ticks, 2);

  sim.LoadWindow(w, false);
  sim.SetTimerPeriod({kWin, "T"}, 1);
  sim.ExitProcess(3);
  sim.Advance(10);
  EXPECT_EQ(ticks, 2);
  EXPECT_TRUE(sim.Exited());
  EXPECT_EQ(sim.ExitCode(), 3);
}

// ---- Windows ---------------------------------------------------------------------

TEST(SimWindows, LoadCreatesStateRaisesCreatedOnceAndReloadRestores) {
  SimHost sim;
  int created = 0;
  bool visibleDuringCreated = true;
  ControlDef edit;
  edit.name = "E";
  edit.kind = ControlKind::EditBox;
  edit.text = "start";
  edit.enabled = false;
  ControlDef bar;
  bar.name = "P";
  bar.kind = ControlKind::ProgressBar;
  bar.progressMax = 50;
  ControlDef toolbar;
  toolbar.name = "Tb";
  toolbar.kind = ControlKind::Toolbar;
  toolbar.buttons.resize(3);
  toolbar.checkedButton = 1;
  WindowDef w = Window({edit, bar, toolbar, List("L")});
  w.menus.push_back({"M", "菜单", {"x", "y"}});
  On(w, "", Event::Created, [&](const EventArgs&) {
    ++created;
    visibleDuringCreated = sim.Window(kWin).visible;
  });
  sim.LoadWindow(w, false);
  EXPECT_EQ(created, 1);
  EXPECT_FALSE(visibleDuringCreated);
  SimWindow win = sim.Window(kWin);
  EXPECT_TRUE(win.visible);
  EXPECT_EQ(win.bounds, w.rect);
  EXPECT_EQ(win.controls["E"].text, "start");
  EXPECT_FALSE(win.controls["E"].enabled);
  EXPECT_EQ(win.controls["P"].progressMax, 50);
  EXPECT_EQ(win.controls["Tb"].checkedButton, 1);
  EXPECT_EQ(win.controls["L"].selectedRow, -1);
  EXPECT_TRUE(sim.MenuItemEnabled(kWin, "M", "y"));

  sim.Minimise(kWin);
  sim.LoadWindow(w, false);
  EXPECT_EQ(created, 1);
  EXPECT_EQ(sim.GetWindowState(kWin), kWindowNormal);
  EXPECT_EQ(sim.Window(kWin).activations, 1);
}

TEST(SimWindows, ModalLoadReturnsWhenTheWindowIsDestroyed) {
  SimHost sim;
  WindowDef w = Window({Timer("T")});
  On(w, "", Event::Created, [&](const EventArgs&) { sim.SetTimerPeriod({kWin, "T"}, 100); });
  On(w, "T", Event::TimerElapsed, [&](const EventArgs&) { sim.DestroyWindow(kWin); });
  sim.LoadWindow(w, true);
  EXPECT_FALSE(sim.IsWindowLoaded(kWin));
  EXPECT_EQ(sim.Now(), 100);

  // A window nobody closes gives up after a minute of virtual time.
  SimHost idle;
  idle.LoadWindow(Window(), true);
  EXPECT_TRUE(idle.IsWindowLoaded(kWin));
  EXPECT_EQ(idle.Now(), 60000);
}

TEST(SimWindows, StatesCentreMaximiseAndRaisePositionChanged) {
  SimHost sim;
  sim.SetScreenSize(1280, 800);
  std::vector<std::string> events;
  WindowDef w = Window();
  On(w, "", Event::PositionChanged, [&](const EventArgs&) { events.push_back("pos"); });
  On(w, "", Event::SizeChanged, [&](const EventArgs&) { events.push_back("size"); });
  sim.LoadWindow(w, false);

  struct Step {
    int state;
    int expectState;
    Rect expectBounds;
    std::vector<std::string> expectEvents;
  };
  const Step steps[] = {
      {kWindowMinimised, kWindowMinimised, {10, 20, 860, 535}, {"pos"}},
      {kWindowMinimised, kWindowMinimised, {10, 20, 860, 535}, {}},
      {kWindowRestoreCentre, kWindowNormal, {210, 132, 860, 535}, {"pos"}},
      {kWindowMaximised, kWindowMaximised, {0, 0, 1280, 800}, {"pos", "size"}},
      {kWindowRestoreCentre, kWindowNormal, {210, 132, 860, 535}, {"pos", "size"}},
      {kWindowNormal, kWindowNormal, {210, 132, 860, 535}, {}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.state);
    events.clear();
    sim.SetWindowState(kWin, step.state);
    EXPECT_EQ(sim.GetWindowState(kWin), step.expectState);
    EXPECT_EQ(sim.Window(kWin).bounds, step.expectBounds);
    EXPECT_EQ(events, step.expectEvents);
  }

  events.clear();
  sim.SetBounds({kWin, ""}, Bound::Left, 5);
  sim.SetBounds({kWin, ""}, Bound::Width, 700);
  sim.SetBounds({kWin, ""}, Bound::Width, 700);
  EXPECT_EQ(events, (std::vector<std::string>{"pos", "size"}));

  // A hidden window ignores state changes.
  sim.SetVisible({kWin, ""}, false);
  events.clear();
  sim.SetWindowState(kWin, kWindowMinimised);
  EXPECT_EQ(sim.GetWindowState(kWin), kWindowNormal);
  EXPECT_TRUE(events.empty());
}

TEST(SimWindows, OperationsOnMissingTargetsChangeNothing) {
  SimHost sim;
  sim.LoadWindow(Window({List("L")}), false);
  const ControlRef missing[] = {{"Nope", "L"}, {kWin, "Nope"}};
  for (const auto& ref : missing) {
    sim.SetText(ref, "x");
    sim.ListSetCell(ref, 0, 0, "x");
    sim.ListDeleteRow(ref, 0);
    sim.SetTimerPeriod(ref, 5);
    EXPECT_EQ(sim.ListAppendRow(ref), -1);
    EXPECT_EQ(sim.ListGetCell(ref, 0, 0), "");
    EXPECT_EQ(sim.ListRowCount(ref), 0);
    EXPECT_EQ(sim.ListSelectedRow(ref), -1);
    EXPECT_EQ(sim.ListFindRow(ref, "", 0), -1);
    EXPECT_EQ(sim.TreeSelectedIndex(ref), -1);
    EXPECT_EQ(sim.GetText(ref), "");
    EXPECT_EQ(sim.GetBounds(ref, Bound::Width), 0);
  }
  sim.SetWindowState("Nope", kWindowMaximised);
  EXPECT_EQ(sim.GetWindowState("Nope"), kWindowNormal);
  sim.SetTrayIcon("Nope", Art::ProgramIcon, "tip");
  EXPECT_EQ(sim.TrayIcon(), Art::None);
  EXPECT_EQ(sim.LogIndexOf("SetText"), -1);
  EXPECT_NE(sim.LogIndexOf("Missing SetText Nope/L x"), -1);

  // Cells of rows or columns that do not exist.
  const ControlRef list{kWin, "L"};
  EXPECT_EQ(sim.ListAppendRow(list), 0);
  sim.ListSetCell(list, 0, 5, "beyond the columns");
  sim.ListSetCell(list, 1, 0, "beyond the rows");
  EXPECT_EQ(sim.Rows(kWin, "L"), (std::vector<std::vector<std::string>>{{"", ""}}));
  EXPECT_EQ(sim.ListGetCell(list, 0, 5), "");
  EXPECT_EQ(sim.ListGetCell(list, -1, 0), "");
}

// ---- Lists ------------------------------------------------------------------------

TEST(SimLists, FindRowMatchesPrefixWithoutLatinCaseAndWholeGbkCharacters) {
  SimHost sim;
  sim.LoadWindow(Window({List("L")}), false);
  const ControlRef list{kWin, "L"};
  // 丄 is GBK 81 41 and 乤 is 81 61: their trail bytes are "A" and "a".
  for (const char* name : {"Apple", "banana", "丄abc", "中文Abc", "apricot", "ΑΒΓ"}) {
    const int row = sim.ListAppendRow(list);
    sim.ListSetCell(list, row, 0, name);
  }
  struct Case {
    const char* text;
    int start;
    int expect;
  } const cases[] = {
      {"ap", 0, 0},      {"AP", 1, 4},    {"B", 0, 1},   {"丄", 0, 2},  {"乤", 0, -1},
      {"丄A", 0, 2},     {"中文a", 0, 3}, {"中", 4, -1}, {"αβ", 0, -1}, {"ΑΒ", 0, 5},
      {"apples", 0, -1}, {"x", 0, -1},    {"a", 6, -1},  {"", 1, 1},    {"a", -3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " from " + std::to_string(c.start));
    EXPECT_EQ(sim.ListFindRow(list, c.text, c.start), c.expect);
  }
}

TEST(SimLists, DeletingRowsKeepsTheSelectionOnItsRow) {
  struct Case {
    int selected;
    int deleted;
    int expect;
  } const cases[] = {{2, 0, 1}, {2, 2, -1}, {2, 3, 2}, {-1, 1, -1}, {1, 9, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.selected) + " del " + std::to_string(c.deleted));
    SimHost sim;
    sim.LoadWindow(Window({List("L", 1)}), false);
    const ControlRef list{kWin, "L"};
    for (int i = 0; i < 4; ++i)
      sim.ListSetCell(list, sim.ListAppendRow(list), 0, std::to_string(i));
    ASSERT_TRUE(sim.SelectRow(kWin, "L", c.selected));
    sim.ListDeleteRow(list, c.deleted);
    EXPECT_EQ(sim.ListSelectedRow(list), c.expect);
    if (c.expect >= 0) {
      EXPECT_EQ(sim.ListGetCell(list, c.expect, 0), std::to_string(c.selected));
    }
  }
}

// ---- Tray, menus, driver ----------------------------------------------------------

TEST(SimTray, TipIsCutTo62GbkBytesWithoutSplittingACharacter) {
  std::string chinese31;
  for (int i = 0; i < 31; ++i) chinese31 += "宝";
  const std::string ascii63(63, 'x');
  struct Case {
    std::string tip;
    std::string shown;
  } const cases[] = {
      {"Kovrin宝盒 V2.0", "Kovrin宝盒 V2.0"},
      {ascii63, ascii63.substr(0, 62)},
      {chinese31, chinese31},                                // 62 bytes exactly
      {"a" + chinese31, "a" + chinese31.substr(0, 30 * 3)},  // 63 bytes: last character dropped
  };
  for (const auto& c : cases) {
    SimHost sim;
    sim.LoadWindow(Window(), false);
    sim.SetTrayIcon(kWin, Art::ProgramIcon, c.tip);
    EXPECT_EQ(sim.TrayTip(), c.shown);
    EXPECT_EQ(sim.TrayIcon(), Art::ProgramIcon);
    EXPECT_NE(sim.LogIndexOf("SetTrayIcon W ProgramIcon " + c.shown), -1);
    sim.SetTrayIcon(kWin, Art::None, "");
    EXPECT_EQ(sim.TrayIcon(), Art::None);
    EXPECT_FALSE(sim.DoubleClickTray(kWin));
  }
}

TEST(SimMenus, AnItemIsChosenOnlyFromTheOpenPopupWhileEnabled) {
  SimHost sim;
  std::vector<std::string> chosen;
  WindowDef w = Window();
  w.menus.push_back({"TaskMenu", "表", {"开始任务", "暂停任务"}});
  w.menus.push_back({"ListMenu", "菜单", {"打开文件"}});
  for (const char* item : {"开始任务", "暂停任务"})
    On(
        w, "TaskMenu", Event::MenuItemChosen,
        [&, item](const EventArgs&) { chosen.push_back(item); }, item);
  sim.LoadWindow(w, false);
  sim.SetEnabled(MenuItemRef{kWin, "TaskMenu", "暂停任务"}, false);

  struct Case {
    const char* popup;  // "" none
    const char* menu;
    const char* item;
    bool expect;
  } const cases[] = {
      {"", "TaskMenu", "开始任务", false},          // nothing popped up
      {"ListMenu", "TaskMenu", "开始任务", false},  // another menu is open
      {"TaskMenu", "TaskMenu", "暂停任务", false},  // disabled
      {"TaskMenu", "TaskMenu", "没有", false},      // no such item
      {"TaskMenu", "TaskMenu", "开始任务", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.popup) + " " + c.item);
    chosen.clear();
    if (*c.popup) sim.PopupMenu(kWin, c.popup);
    EXPECT_EQ(sim.ChooseMenuItem(kWin, c.menu, c.item), c.expect);
    EXPECT_EQ(sim.OpenPopup(kWin), "");
    EXPECT_EQ(chosen, c.expect ? std::vector<std::string>{c.item} : std::vector<std::string>{});
  }
  EXPECT_FALSE(sim.ChooseMenuItem(kWin, "TaskMenu", "开始任务"));  // closed by the last choice
}

TEST(SimDriver, UserActionsRaiseTheirEventsAndRespectControlState) {
  SimHost sim;
  std::vector<std::string> events;
  ControlDef toolbar;
  toolbar.name = "Tb";
  toolbar.kind = ControlKind::Toolbar;
  toolbar.buttons = {
      {"a", "", Art::None, true}, {"b", "", Art::None, true}, {"c", "", Art::None, false}};
  toolbar.checkedButton = 0;
  ControlDef button;
  button.name = "Btn";
  button.kind = ControlKind::Button;
  ControlDef edit;
  edit.name = "E";
  edit.kind = ControlKind::EditBox;
  WindowDef w = Window({toolbar, button, edit, List("L")});
  w.style = WindowStyle::FixedDialog;
  auto record = [&](const std::string& name) {
    return [&, name](const EventArgs& a) {
      events.push_back(name + " " + std::to_string(a.index) + " " + std::to_string(a.key));
    };
  };
  On(w, "Tb", Event::ToolbarClicked, record("toolbar"));
  On(w, "Btn", Event::Clicked, record("click"));
  On(w, "E", Event::KeyPressed, record("key"));
  On(w, "L", Event::RowActivated, record("activated"));
  On(w, "L", Event::RightClicked, record("right"));
  sim.LoadWindow(w, false);
  const ControlRef list{kWin, "L"};
  sim.ListAppendRow(list);
  sim.ListAppendRow(list);

  EXPECT_FALSE(sim.PressEnterInList(kWin, "L"));  // nothing selected
  EXPECT_TRUE(sim.ClickToolbarButton(kWin, "Tb", 1));
  EXPECT_EQ(sim.Control(kWin, "Tb").checkedButton, 1);
  EXPECT_TRUE(sim.ClickToolbarButton(kWin, "Tb", 2));  // outside the check group
  EXPECT_EQ(sim.Control(kWin, "Tb").checkedButton, 1);
  EXPECT_TRUE(sim.TypeText(kWin, "E", "关键字"));
  EXPECT_EQ(sim.GetText({kWin, "E"}), "关键字");
  EXPECT_TRUE(sim.PressKey(kWin, "E", kKeyEnter));
  EXPECT_TRUE(sim.DoubleClickRow(kWin, "L", 1));
  EXPECT_EQ(sim.ListSelectedRow(list), 1);
  EXPECT_TRUE(sim.PressEnterInList(kWin, "L"));
  EXPECT_TRUE(sim.RightClickList(kWin, "L"));
  EXPECT_TRUE(sim.ClickButton(kWin, "Btn"));
  sim.SetEnabled(ControlRef{kWin, "Btn"}, false);
  EXPECT_FALSE(sim.ClickButton(kWin, "Btn"));
  EXPECT_EQ(events,
            (std::vector<std::string>{"toolbar 1 0", "toolbar 2 0", "key -1 13", "activated 1 0",
                                      "activated 1 0", "right -1 0", "click -1 0"}));

  EXPECT_TRUE(sim.CloseByUser(kWin));
  EXPECT_FALSE(sim.IsWindowLoaded(kWin));
  w.style = WindowStyle::Frameless;
  sim.LoadWindow(w, false);
  EXPECT_FALSE(sim.CloseByUser(kWin));  // no caption close box
  sim.ExitProcess(0);
  events.clear();
  EXPECT_FALSE(sim.ClickToolbarButton(kWin, "Tb", 0));
  EXPECT_TRUE(events.empty());
}

// ---- Message boxes and threads ------------------------------------------------------

TEST(SimMessageBox, AnswersFromTheScriptInOrder) {
  SimHost sim;
  sim.ScriptAnswer(kMsgYes);
  sim.ScriptAnswer(kMsgNo);
  // An OK box neither needs nor takes a Yes or No scripted for a question.
  EXPECT_EQ(sim.MessageBox("saved", MsgButtons::Ok, MsgIcon::None, ""), kMsgOk);
  EXPECT_EQ(sim.MessageBox("q1", MsgButtons::YesNo, MsgIcon::Information, "T"), kMsgYes);
  EXPECT_EQ(sim.MessageBox("q2", MsgButtons::YesNo, MsgIcon::None, ""), kMsgNo);
  const auto boxes = sim.MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].title, "信息：");
  EXPECT_EQ(boxes[1].title, "T");
  EXPECT_EQ(boxes[1].icon, MsgIcon::Information);
  EXPECT_EQ(boxes[1].answer, kMsgYes);
  EXPECT_TRUE(boxes[2].fromUiThread);
  EXPECT_EQ(sim.Log()[1], "MessageBox q1 | YesNo Information T -> 5");

  // A question nobody answers ends as No instead of hanging.
  sim.SetMessageBoxTimeout(20);
  EXPECT_EQ(sim.MessageBox("forgotten", MsgButtons::YesNo, MsgIcon::None, ""), kMsgNo);
  EXPECT_TRUE(sim.MessageBoxes().back().timedOut);
}

TEST(SimMessageBox, AWorkersQuestionBlocksOnlyTheWorker) {
  SimHost sim;
  WindowDef w = Window({Timer("T")});
  int ticks = 0;
  On(w, "T", Event::TimerElapsed, [&](const EventArgs&) { ++ticks; });
  sim.LoadWindow(w, false);
  sim.SetTimerPeriod({kWin, "T"}, 10);
  std::atomic<int> answer{-1};
  sim.StartThread([&] {
    answer = sim.MessageBox("继续吗？", MsgButtons::YesNo, MsgIcon::None, "");
    sim.SetText({kWin, ""}, "after");
  });
  ASSERT_TRUE(sim.WaitForMessageBoxes(1));
  // The UI thread goes on while the worker waits.
  sim.Advance(30);
  sim.SetText({kWin, ""}, "meanwhile");
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(sim.MessageBoxes()[0].answered);
  EXPECT_EQ(answer, -1);
  sim.ScriptAnswer(kMsgYes);
  ASSERT_TRUE(sim.WaitForThreads());
  EXPECT_EQ(answer, kMsgYes);
  EXPECT_FALSE(sim.MessageBoxes()[0].fromUiThread);
  EXPECT_EQ(sim.GetText({kWin, ""}), "after");
  EXPECT_LT(sim.LogIndexOf("SetText W meanwhile"), sim.LogIndexOf("SetText W after"));

  // The UI thread's own question waits for an answer from another thread,
  // and one inside a worker's unit counts as the UI thread's.
  std::thread scripter([&] {
    sim.WaitForMessageBoxes(2);
    sim.ScriptAnswer(kMsgNo);
  });
  EXPECT_EQ(sim.MessageBox("q", MsgButtons::YesNo, MsgIcon::None, ""), kMsgNo);
  scripter.join();
  sim.StartThread([&] {
    sim.RunOnUiThread([&] { sim.MessageBox("in unit", MsgButtons::Ok, MsgIcon::None, ""); });
  });
  ASSERT_TRUE(sim.WaitForThreads());
  EXPECT_TRUE(sim.MessageBoxes().back().fromUiThread);
}

TEST(SimThreads, RunOnUiThreadNeverInterleavesWithAHandler) {
  SimHost sim;
  int inside = 0;  // plain on purpose: only the UI lock protects it
  int overlaps = 0;
  auto step = [&] {
    if (++inside != 1) ++overlaps;
    const ControlRef list{kWin, "L"};
    const int row = sim.ListAppendRow(list);
    sim.ListSetCell(list, row, 0, "x");
    if (sim.ListRowCount(list) != row + 1) ++overlaps;
    sim.ListDeleteRow(list, row);
    --inside;
  };
  WindowDef w = Window({Timer("T"), List("L", 1)});
  On(w, "T", Event::TimerElapsed, [&](const EventArgs&) { step(); });
  sim.LoadWindow(w, false);
  sim.SetTimerPeriod({kWin, "T"}, 1);
  for (int worker = 0; worker < 2; ++worker)
    sim.StartThread([&] {
      for (int i = 0; i < 500; ++i) sim.RunOnUiThread(step);
    });
  for (int i = 0; i < 1000; ++i) sim.Advance(1);
  ASSERT_TRUE(sim.WaitForThreads());
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(sim.ListRowCount({kWin, "L"}), 0);
  EXPECT_EQ(sim.ThreadsStarted(), 2);
}

TEST(SimThreads, TheHostOutlivesEveryThreadItStarted) {
  std::atomic<bool> finished{false};
  {
    SimHost sim;
    sim.SetMessageBoxTimeout(60000);
    sim.StartThread([&] {
      // Left waiting by the test; the host's end answers it.
      sim.MessageBox("q", MsgButtons::YesNo, MsgIcon::None, "");
      sim.SetText({kWin, ""}, "late");
      finished = true;
    });
    ASSERT_TRUE(sim.WaitForMessageBoxes(1));
  }
  EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace host::sim
