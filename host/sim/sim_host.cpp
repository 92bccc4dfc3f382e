// The simulated window system.
//
// Log format: one line per operation that changes something or reaches the
// outside, in the order they happened:
//   <Operation> <target> [<arguments>...] [-> <result>]
// where <target> is "Window/control", or "Window" for the window itself and
// for window-level operations. Examples:
//   "LoadWindow MainWindow", "ListAppendRow MainWindow/超级列表框2 -> 0",
//   "ListSetCell MainWindow/超级列表框2 0 3 正在下载",
//   "SetTrayIcon MainWindow ProgramIcon Kovrin宝盒 V2.0",
//   "SetTimerPeriod MainWindow/时钟1 1", "OpenUrl http://...",
//   "MessageBox <text> | YesNo Information 信息： -> 5".
// Raised events are logged as "Event <target> <EventName>" and the driver's
// user actions as "User <Action> <target> ...", so operation prefixes never
// match them. Getters are not logged. An operation on a window or control
// that does not exist changes nothing and is logged as "Missing <line>".
// Nothing is logged or changed after ExitProcess: the process is gone.
#include "host/sim/sim_host.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "common/text.h"

namespace host::sim {

namespace {

// Counts RunOnUiThread units running on this thread: a message box shown
// inside one comes from the UI thread, whichever thread runs it.
thread_local int tUnitDepth = 0;

const char* ArtName(Art art) {
  switch (art) {
    case Art::None:
      return "None";
    case Art::MainBackground:
      return "MainBackground";
    case Art::VideoBackground:
      return "VideoBackground";
    case Art::CloseButton:
      return "CloseButton";
    case Art::MinimiseButton:
      return "MinimiseButton";
    case Art::MaximiseButton:
      return "MaximiseButton";
    case Art::ToolbarDownloadPage:
      return "ToolbarDownloadPage";
    case Art::ToolbarHome:
      return "ToolbarHome";
    case Art::ToolbarResources:
      return "ToolbarResources";
    case Art::ToolbarShare:
      return "ToolbarShare";
    case Art::ToolbarFeedback:
      return "ToolbarFeedback";
    case Art::ToolbarPromote:
      return "ToolbarPromote";
    case Art::ToolbarSponsor:
      return "ToolbarSponsor";
    case Art::ToolbarVideo:
      return "ToolbarVideo";
    case Art::VideoToolbarMain:
      return "VideoToolbarMain";
    case Art::VideoToolbarRecruit:
      return "VideoToolbarRecruit";
    case Art::VideoToolbarSignIn:
      return "VideoToolbarSignIn";
    case Art::VideoToolbarSponsor:
      return "VideoToolbarSponsor";
    case Art::VideoToolbarForum:
      return "VideoToolbarForum";
    case Art::TreeFolderArrow:
      return "TreeFolderArrow";
    case Art::TreeChart:
      return "TreeChart";
    case Art::TreeFolder:
      return "TreeFolder";
    case Art::TreeMagnifier:
      return "TreeMagnifier";
    case Art::TreeVideo:
      return "TreeVideo";
    case Art::ProgramIcon:
      return "ProgramIcon";
    case Art::ListPointer:
      return "ListPointer";
  }
  return "?";
}

const char* EventName(Event event) {
  switch (event) {
    case Event::Created:
      return "Created";
    case Event::PositionChanged:
      return "PositionChanged";
    case Event::SizeChanged:
      return "SizeChanged";
    case Event::Clicked:
      return "Clicked";
    case Event::ToolbarClicked:
      return "ToolbarClicked";
    case Event::TreeDoubleClicked:
      return "TreeDoubleClicked";
    case Event::RowActivated:
      return "RowActivated";
    case Event::RightClicked:
      return "RightClicked";
    case Event::KeyPressed:
      return "KeyPressed";
    case Event::TimerElapsed:
      return "TimerElapsed";
    case Event::MenuItemChosen:
      return "MenuItemChosen";
    case Event::TrayDoubleClicked:
      return "TrayDoubleClicked";
    case Event::TrayRightClicked:
      return "TrayRightClicked";
  }
  return "?";
}

const char* BoundName(Bound b) {
  switch (b) {
    case Bound::Left:
      return "Left";
    case Bound::Top:
      return "Top";
    case Bound::Width:
      return "Width";
    case Bound::Height:
      return "Height";
  }
  return "?";
}

std::string Target(const std::string& window, const std::string& control) {
  return control.empty() ? window : window + "/" + control;
}
std::string Target(const ControlRef& ref) { return Target(ref.window, ref.control); }

bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// Whether GBK `cell` begins with GBK `prefix`: A-Z/a-z without case, every
// other byte exact, a double-byte character compared as one unit so that its
// trail byte is never folded as a letter.
bool GbkStartsWithNoCase(const std::string& cell, const std::string& prefix) {
  if (prefix.size() > cell.size()) return false;
  std::size_t i = 0;
  while (i < prefix.size()) {
    const auto p = static_cast<unsigned char>(prefix[i]);
    const auto c = static_cast<unsigned char>(cell[i]);
    if (IsGbkLead(p)) {
      if (c != p) return false;
      if (i + 1 < prefix.size() && prefix[i + 1] != cell[i + 1]) return false;
      i += 2;
      continue;
    }
    auto fold = [](unsigned char b) -> unsigned char {
      return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
    };
    if (fold(p) != fold(c)) return false;
    ++i;
  }
  return true;
}

}  // namespace

struct SimHost::Impl {
  // ---- The UI lock: recursive, and releasable as a whole while a message
  // box waits or a modal loop runs.
  std::mutex lockMutex;
  std::condition_variable lockCv;
  std::thread::id owner;
  int depth = 0;

  void Lock() {
    std::unique_lock lk(lockMutex);
    const auto me = std::this_thread::get_id();
    if (owner == me) {
      ++depth;
      return;
    }
    lockCv.wait(lk, [&] { return depth == 0; });
    owner = me;
    depth = 1;
  }
  void Unlock() {
    std::unique_lock lk(lockMutex);
    if (--depth == 0) {
      owner = std::thread::id();
      lk.unlock();
      lockCv.notify_one();
    }
  }
  // Releases every level this thread holds; returns how many to take back.
  int ReleaseAll() {
    std::unique_lock lk(lockMutex);
    if (owner != std::this_thread::get_id()) return 0;
    const int held = depth;
    depth = 0;
    owner = std::thread::id();
    lk.unlock();
    lockCv.notify_one();
    return held;
  }
  void Reacquire(int held) {
    if (held == 0) return;
    std::unique_lock lk(lockMutex);
    lockCv.wait(lk, [&] { return depth == 0; });
    owner = std::this_thread::get_id();
    depth = held;
  }

  struct Guard {
    explicit Guard(Impl* impl) : impl_(impl) { impl_->Lock(); }
    ~Guard() { impl_->Unlock(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    Impl* impl_;
  };

  // ---- State, guarded by the UI lock.
  std::thread::id uiThread = std::this_thread::get_id();
  int screenWidth = 1280;
  int screenHeight = 800;
  long long now = 0;
  long long nextSeq = 1;
  std::map<std::string, SimWindow> windows;
  Art trayIcon = Art::None;
  std::string trayTip;
  std::string trayWindow;
  std::vector<BalloonShown> balloons;
  std::vector<PopupShown> popups;
  std::string clipboard;
  std::vector<std::string> openedUrls;
  std::vector<std::string> startedPrograms;
  std::vector<std::string> shellOpened;
  std::vector<MessageBoxShown> boxes;
  bool exited = false;
  int exitCode = 0;
  std::vector<std::string> log;
  long long logGeneration = 0;  // bumped by ClearLog
  std::function<void(SimHost&, const std::string&)> modalLoop;
  // Windows whose visibility a "created" handler set itself.
  std::map<std::string, bool> visibilitySetInCreate;
  std::vector<std::string> creating;

  // ---- Scripted answers, guarded by scriptMutex (not the UI lock, so a test
  // can script while the UI thread waits inside a box).
  mutable std::mutex scriptMutex;
  std::condition_variable scriptCv;
  std::deque<int> answers;
  int boxTimeoutMs = 10000;
  bool shuttingDown = false;
  std::size_t boxesShown = 0;  // mirror of boxes.size() for WaitForMessageBoxes
  mutable std::condition_variable boxShownCv;

  // ---- Threads, guarded by threadMutex.
  mutable std::mutex threadMutex;
  std::condition_variable threadCv;
  std::vector<std::thread> threads;
  int running = 0;
  int started = 0;

  void Log(std::string line) { log.push_back(std::move(line)); }

  SimWindow* FindWindow(const std::string& w) {
    auto it = windows.find(w);
    return it == windows.end() ? nullptr : &it->second;
  }
  SimControl* FindControl(const std::string& w, const std::string& c) {
    SimWindow* win = FindWindow(w);
    if (!win) return nullptr;
    auto it = win->controls.find(c);
    return it == win->controls.end() ? nullptr : &it->second;
  }
  SimControl* FindControl(const ControlRef& ref) { return FindControl(ref.window, ref.control); }

  // Raises every handler bound to the event, in binding order, holding the
  // UI lock. Handlers are copied first: one may destroy the window.
  void Raise(const std::string& window, const std::string& control, Event event,
             const std::string& item = {}, EventArgs args = {}) {
    if (exited) return;
    SimWindow* win = FindWindow(window);
    if (!win) return;
    std::vector<Handler> handlers;
    for (const auto& b : win->def.events) {
      if (b.control == control && b.event == event &&
          (event != Event::MenuItemChosen || b.item == item) && b.handler)
        handlers.push_back(b.handler);
    }
    std::string line = "Event " + Target(window, control) + " " + EventName(event);
    if (!item.empty()) line += " " + item;
    Log(std::move(line));
    for (auto& h : handlers) {
      if (exited || !FindWindow(window)) break;
      h(args);
    }
  }

  // Fires due timers up to now + ms in time order; ties in creation order.
  void AdvanceLocked(int ms) {
    const long long target = now + std::max(ms, 0);
    while (!exited) {
      std::string bestWindow, bestControl;
      long long bestDue = 0, bestSeq = 0;
      bool found = false;
      for (auto& [wn, w] : windows) {
        for (auto& [cn, c] : w.controls) {
          if (c.timerPeriod <= 0 || c.timerFiring || c.timerDueAt > target) continue;
          if (!found || c.timerDueAt < bestDue ||
              (c.timerDueAt == bestDue && c.createdSeq < bestSeq)) {
            found = true;
            bestDue = c.timerDueAt;
            bestSeq = c.createdSeq;
            bestWindow = wn;
            bestControl = cn;
          }
        }
      }
      if (!found) break;
      now = std::max(now, bestDue);
      SimControl* c = FindControl(bestWindow, bestControl);
      c->timerDueAt = now + c->timerPeriod;
      c->timerFiring = true;
      Raise(bestWindow, bestControl, Event::TimerElapsed);
      if (SimControl* after = FindControl(bestWindow, bestControl);
          after && after->createdSeq == bestSeq)
        after->timerFiring = false;
    }
    now = std::max(now, target);
  }

  // Applies a new state/position; raises PositionChanged when the state or
  // position changed and SizeChanged when the size did.
  void ApplyWindowState(const std::string& window, int state) {
    SimWindow* w = FindWindow(window);
    if (!w || !w->visible) return;
    const Rect before = w->bounds;
    const int stateBefore = w->state;
    switch (state) {
      case kWindowNormal:
        if (w->state == kWindowMaximised) w->bounds = w->normalBounds;
        w->state = kWindowNormal;
        break;
      case kWindowRestoreCentre: {
        if (w->state == kWindowMaximised) w->bounds = w->normalBounds;
        w->state = kWindowNormal;
        w->bounds.left = (screenWidth - w->bounds.width) / 2;
        w->bounds.top = (screenHeight - w->bounds.height) / 2;
        break;
      }
      case kWindowMinimised:
        w->state = kWindowMinimised;
        break;
      case kWindowMaximised:
        if (w->state != kWindowMaximised) w->normalBounds = w->bounds;
        w->state = kWindowMaximised;
        w->bounds = Rect{0, 0, screenWidth, screenHeight};
        break;
      default:
        return;
    }
    const Rect after = w->bounds;
    const bool sized = before.width != after.width || before.height != after.height;
    if (stateBefore != w->state || before.left != after.left || before.top != after.top)
      Raise(window, "", Event::PositionChanged);
    if (sized) Raise(window, "", Event::SizeChanged);
  }

  void Destroy(const std::string& window) { windows.erase(window); }

  // A control the user can reach: window loaded, shown and enabled, control
  // shown and enabled; null otherwise and after the process ended.
  SimControl* Reachable(const std::string& window, const std::string& control) {
    if (exited) return nullptr;
    SimWindow* w = FindWindow(window);
    if (!w || !w->visible || !w->enabled) return nullptr;
    SimControl* c = FindControl(window, control);
    if (!c || !c->visible || !c->enabled) return nullptr;
    return c;
  }
};

// ---------------------------------------------------------------------------

SimHost::SimHost() : impl_(std::make_unique<Impl>()) {
  impl_->modalLoop = [](SimHost& host, const std::string& window) {
    for (int i = 0; i < 60000 && host.IsWindowLoaded(window); ++i) host.Advance(1);
  };
}

SimHost::~SimHost() {
  {
    std::lock_guard lk(impl_->scriptMutex);
    impl_->shuttingDown = true;
  }
  impl_->scriptCv.notify_all();
  for (;;) {
    std::vector<std::thread> threads;
    {
      std::lock_guard lk(impl_->threadMutex);
      threads.swap(impl_->threads);
    }
    if (threads.empty()) break;
    for (auto& t : threads)
      if (t.joinable()) t.join();
  }
}

#define UI_LOCK Impl::Guard uiGuard(impl_.get())

// ---- Windows ---------------------------------------------------------------

void SimHost::LoadWindow(const WindowDef& def, bool modal) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  if (SimWindow* w = s.FindWindow(def.name)) {
    s.Log("LoadWindow " + def.name + " (loaded)");
    if (w->state == kWindowMinimised) s.ApplyWindowState(def.name, kWindowNormal);
    if (SimWindow* again = s.FindWindow(def.name)) again->activations++;
    return;
  }
  SimWindow w;
  w.def = def;
  w.bounds = def.rect;
  w.normalBounds = def.rect;
  w.visible = false;  // shown after "created"
  w.modal = modal;
  for (const auto& cd : def.controls) {
    SimControl c;
    c.def = cd;
    c.bounds = cd.rect;
    c.visible = cd.visible;
    c.enabled = cd.enabled;
    c.text = cd.text;
    c.checkedButton = cd.checkedButton;
    c.progressMax = cd.progressMax;
    c.createdSeq = s.nextSeq++;
    w.controls[cd.name] = std::move(c);
  }
  for (const auto& m : def.menus)
    for (const auto& item : m.items) w.menuEnabled[m.name][item] = true;
  s.windows[def.name] = std::move(w);
  s.Log(std::string("LoadWindow ") + def.name + (modal ? " modal" : ""));

  s.creating.push_back(def.name);
  s.visibilitySetInCreate.erase(def.name);
  s.Raise(def.name, "", Event::Created);
  s.creating.erase(std::find(s.creating.begin(), s.creating.end(), def.name));
  SimWindow* created = s.FindWindow(def.name);
  if (!created) return;
  if (!s.visibilitySetInCreate.count(def.name)) created->visible = true;
  s.visibilitySetInCreate.erase(def.name);
  if (!modal || s.exited) return;

  // The modal loop runs like a real one: other threads' operations go on.
  auto loop = s.modalLoop;
  const int held = s.ReleaseAll();
  loop(*this, def.name);
  s.Reacquire(held);
}

bool SimHost::IsWindowLoaded(const std::string& window) {
  UI_LOCK;
  return impl_->FindWindow(window) != nullptr;
}

void SimHost::ActivateWindow(const std::string& window) {
  UI_LOCK;
  if (impl_->exited) return;
  SimWindow* w = impl_->FindWindow(window);
  impl_->Log(std::string(w ? "" : "Missing ") + "ActivateWindow " + window);
  if (w) w->activations++;
}

void SimHost::FocusWindow(const std::string& window) {
  UI_LOCK;
  if (impl_->exited) return;
  SimWindow* w = impl_->FindWindow(window);
  impl_->Log(std::string(w ? "" : "Missing ") + "FocusWindow " + window);
  if (w) w->focusCount++;
}

void SimHost::DestroyWindow(const std::string& window) {
  UI_LOCK;
  if (impl_->exited) return;
  const bool exists = impl_->FindWindow(window) != nullptr;
  impl_->Log(std::string(exists ? "" : "Missing ") + "DestroyWindow " + window);
  impl_->Destroy(window);
}

void SimHost::SetWindowState(const std::string& window, int state) {
  UI_LOCK;
  if (impl_->exited) return;
  SimWindow* w = impl_->FindWindow(window);
  impl_->Log(std::string(w ? "" : "Missing ") + "SetWindowState " + window + " " +
             std::to_string(state));
  impl_->ApplyWindowState(window, state);
}

int SimHost::GetWindowState(const std::string& window) {
  UI_LOCK;
  SimWindow* w = impl_->FindWindow(window);
  if (!w) return kWindowNormal;
  return w->state == kWindowMinimised || w->state == kWindowMaximised ? w->state : kWindowNormal;
}

// ---- Controls ----------------------------------------------------------------

void SimHost::SetVisible(const ControlRef& target, bool visible) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "SetVisible " + Target(target) + (visible ? " 1" : " 0");
  if (target.control.empty()) {
    SimWindow* w = s.FindWindow(target.window);
    if (!w) return s.Log("Missing " + line);
    s.Log(line);
    w->visible = visible;
    if (std::find(s.creating.begin(), s.creating.end(), target.window) != s.creating.end())
      s.visibilitySetInCreate[target.window] = true;
    return;
  }
  SimControl* c = s.FindControl(target);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  c->visible = visible;
}

void SimHost::SetEnabled(const ControlRef& target, bool enabled) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "SetEnabled " + Target(target) + (enabled ? " 1" : " 0");
  if (target.control.empty()) {
    SimWindow* w = s.FindWindow(target.window);
    if (!w) return s.Log("Missing " + line);
    s.Log(line);
    w->enabled = enabled;
    return;
  }
  SimControl* c = s.FindControl(target);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  c->enabled = enabled;
}

void SimHost::SetEnabled(const MenuItemRef& item, bool enabled) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "SetMenuItemEnabled " + item.window + "/" + item.menu + " " + item.item +
                     (enabled ? " 1" : " 0");
  SimWindow* w = s.FindWindow(item.window);
  if (w) {
    auto m = w->menuEnabled.find(item.menu);
    if (m != w->menuEnabled.end()) {
      auto i = m->second.find(item.item);
      if (i != m->second.end()) {
        s.Log(line);
        i->second = enabled;
        return;
      }
    }
  }
  s.Log("Missing " + line);
}

int SimHost::GetBounds(const ControlRef& target, Bound which) {
  UI_LOCK;
  Impl& s = *impl_;
  const Rect* r = nullptr;
  if (target.control.empty()) {
    if (SimWindow* w = s.FindWindow(target.window)) r = &w->bounds;
  } else if (SimControl* c = s.FindControl(target)) {
    r = &c->bounds;
  }
  if (!r) return 0;
  switch (which) {
    case Bound::Left:
      return r->left;
    case Bound::Top:
      return r->top;
    case Bound::Width:
      return r->width;
    case Bound::Height:
      return r->height;
  }
  return 0;
}

void SimHost::SetBounds(const ControlRef& target, Bound which, int value) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line =
      "SetBounds " + Target(target) + " " + BoundName(which) + " " + std::to_string(value);
  Rect* r = nullptr;
  SimWindow* w = nullptr;
  if (target.control.empty()) {
    w = s.FindWindow(target.window);
    if (w) r = &w->bounds;
  } else if (SimControl* c = s.FindControl(target)) {
    r = &c->bounds;
  }
  if (!r) return s.Log("Missing " + line);
  s.Log(line);
  int* field = which == Bound::Left    ? &r->left
               : which == Bound::Top   ? &r->top
               : which == Bound::Width ? &r->width
                                       : &r->height;
  if (*field == value) return;
  *field = value;
  if (!w) return;
  if (w->state != kWindowMaximised) w->normalBounds = w->bounds;
  const bool position = which == Bound::Left || which == Bound::Top;
  s.Raise(target.window, "", position ? Event::PositionChanged : Event::SizeChanged);
}

std::string SimHost::GetText(const ControlRef& target) {
  UI_LOCK;
  Impl& s = *impl_;
  if (target.control.empty()) {
    SimWindow* w = s.FindWindow(target.window);
    return w ? w->def.title : std::string();
  }
  SimControl* c = s.FindControl(target);
  return c ? c->text : std::string();
}

void SimHost::SetText(const ControlRef& target, const std::string& text) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "SetText " + Target(target) + " " + text;
  if (target.control.empty()) {
    SimWindow* w = s.FindWindow(target.window);
    if (!w) return s.Log("Missing " + line);
    s.Log(line);
    w->def.title = text;
    return;
  }
  SimControl* c = s.FindControl(target);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  c->text = text;
}

void SimHost::AppendText(const ControlRef& target, const std::string& text) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "AppendText " + Target(target) + " " + text;
  SimControl* c = s.FindControl(target);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  c->text += text;
}

void SimHost::SelectTabPage(const ControlRef& tab, int page) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "SelectTabPage " + Target(tab) + " " + std::to_string(page);
  SimControl* c = s.FindControl(tab);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  // A tab control without pages in its layout accepts any page.
  if (page < 0 || (!c->def.tabPages.empty() && page >= static_cast<int>(c->def.tabPages.size())))
    return;
  c->tabPage = page;
}

void SimHost::Navigate(const ControlRef& browser, const std::string& address) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "Navigate " + Target(browser) + " " + address;
  SimControl* c = s.FindControl(browser);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  c->addresses.push_back(address);
}

void SimHost::SetTimerPeriod(const ControlRef& timer, int ms) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "SetTimerPeriod " + Target(timer) + " " + std::to_string(ms);
  SimControl* c = s.FindControl(timer);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  c->timerPeriod = std::max(ms, 0);
  // Setting a period restarts the count: the next tick is a whole period away.
  c->timerDueAt = s.now + c->timerPeriod;
}

void SimHost::SetProgressMax(const ControlRef& bar, int max) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "SetProgressMax " + Target(bar) + " " + std::to_string(max);
  SimControl* c = s.FindControl(bar);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  c->progressMax = max;
  c->progressPos = std::clamp(c->progressPos, 0, std::max(max, 0));
}

void SimHost::SetProgressPos(const ControlRef& bar, int pos) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "SetProgressPos " + Target(bar) + " " + std::to_string(pos);
  SimControl* c = s.FindControl(bar);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  // A progress bar shows a position inside its range, as the real control does.
  c->progressPos = std::clamp(pos, 0, std::max(c->progressMax, 0));
}

void SimHost::CheckToolbarButton(const ControlRef& toolbar, int index) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "CheckToolbarButton " + Target(toolbar) + " " + std::to_string(index);
  SimControl* c = s.FindControl(toolbar);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  if (index < 0 || index >= static_cast<int>(c->def.buttons.size())) return;
  c->checkedButton = index;
}

int SimHost::TreeSelectedIndex(const ControlRef& tree) {
  UI_LOCK;
  SimControl* c = impl_->FindControl(tree);
  return c ? c->treeSelected : -1;
}

// ---- Lists -------------------------------------------------------------------

int SimHost::ListAppendRow(const ControlRef& list) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return -1;
  SimControl* c = s.FindControl(list);
  if (!c) {
    s.Log("Missing ListAppendRow " + Target(list) + " -> -1");
    return -1;
  }
  c->rows.emplace_back(c->def.columns.size());
  const int row = static_cast<int>(c->rows.size()) - 1;
  s.Log("ListAppendRow " + Target(list) + " -> " + std::to_string(row));
  return row;
}

void SimHost::ListSetCell(const ControlRef& list, int row, int col, const std::string& text) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "ListSetCell " + Target(list) + " " + std::to_string(row) + " " +
                     std::to_string(col) + " " + text;
  SimControl* c = s.FindControl(list);
  // Rows must exist; columns must exist when the layout declares them.
  const bool ok = c && row >= 0 && row < static_cast<int>(c->rows.size()) && col >= 0 &&
                  (c->def.columns.empty() || col < static_cast<int>(c->def.columns.size()));
  if (!ok) return s.Log("Missing " + line);
  s.Log(line);
  auto& cells = c->rows[row];
  if (col >= static_cast<int>(cells.size())) cells.resize(col + 1);
  cells[col] = text;
}

std::string SimHost::ListGetCell(const ControlRef& list, int row, int col) {
  UI_LOCK;
  SimControl* c = impl_->FindControl(list);
  if (!c || row < 0 || row >= static_cast<int>(c->rows.size()) || col < 0) return {};
  const auto& cells = c->rows[row];
  return col < static_cast<int>(cells.size()) ? cells[col] : std::string();
}

int SimHost::ListRowCount(const ControlRef& list) {
  UI_LOCK;
  SimControl* c = impl_->FindControl(list);
  return c ? static_cast<int>(c->rows.size()) : 0;
}

void SimHost::ListDeleteRow(const ControlRef& list, int row) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "ListDeleteRow " + Target(list) + " " + std::to_string(row);
  SimControl* c = s.FindControl(list);
  if (!c || row < 0 || row >= static_cast<int>(c->rows.size())) return s.Log("Missing " + line);
  s.Log(line);
  c->rows.erase(c->rows.begin() + row);
  // The selection stays on its row: gone with it, or moved up with it.
  if (c->selectedRow == row)
    c->selectedRow = -1;
  else if (c->selectedRow > row)
    c->selectedRow--;
}

void SimHost::ListClear(const ControlRef& list) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "ListClear " + Target(list);
  SimControl* c = s.FindControl(list);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  c->rows.clear();
  c->selectedRow = -1;
}

int SimHost::ListSelectedRow(const ControlRef& list) {
  UI_LOCK;
  SimControl* c = impl_->FindControl(list);
  return c ? c->selectedRow : -1;
}

int SimHost::ListFindRow(const ControlRef& list, const std::string& text, int start) {
  UI_LOCK;
  SimControl* c = impl_->FindControl(list);
  if (!c) return -1;
  const std::string prefix = common::Utf8ToGbk(text);
  for (int r = std::max(start, 0); r < static_cast<int>(c->rows.size()); ++r) {
    const auto& cells = c->rows[r];
    const std::string cell = cells.empty() ? std::string() : common::Utf8ToGbk(cells[0]);
    if (GbkStartsWithNoCase(cell, prefix)) return r;
  }
  return -1;
}

// ---- Hints, boxes, tray, menus -------------------------------------------------

void SimHost::AttachBalloonTip(const ControlRef& tip, const ControlRef& control,
                               const std::string& text) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "AttachBalloonTip " + Target(tip) + " " + Target(control) + " " + text;
  SimControl* c = s.FindControl(tip);
  if (!c) return s.Log("Missing " + line);
  s.Log(line);
  // The control's own name when it is in the tip's window.
  c->balloonAttachedTo = control.window == tip.window ? control.control : Target(control);
  c->balloonText = text;
}

void SimHost::ShowBalloonAt(const ControlRef& tip, int x, int y, const std::string& text) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "ShowBalloonAt " + Target(tip) + " " + std::to_string(x) + " " +
                     std::to_string(y) + " " + text;
  if (!s.FindControl(tip)) return s.Log("Missing " + line);
  s.Log(line);
  s.balloons.push_back({Target(tip), x, y, text});
}

int SimHost::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                        const std::string& title) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return buttons == MsgButtons::YesNo ? kMsgNo : kMsgOk;
  MessageBoxShown box;
  box.text = text;
  box.buttons = buttons;
  box.icon = icon;
  box.title = title.empty() ? kDefaultMessageTitle : title;
  box.fromUiThread = std::this_thread::get_id() == s.uiThread || tUnitDepth > 0;
  box.answered = false;
  s.boxes.push_back(box);
  const std::size_t boxIndex = s.boxes.size() - 1;
  s.Log("MessageBox " + text + " | " + (buttons == MsgButtons::YesNo ? "YesNo" : "Ok") + " " +
        (icon == MsgIcon::Information ? "Information" : "None") + " " + box.title);
  const std::size_t logIndex = s.log.size() - 1;
  const long long generation = s.logGeneration;

  int answer = kMsgOk;
  bool timedOut = false;
  bool wait = false;
  {
    std::lock_guard lk(s.scriptMutex);
    s.boxesShown = s.boxes.size();
    // An OK box takes a scripted answer only when one was scripted for it
    // (kMsgOk): a Yes or No waiting in the queue belongs to a question.
    if (!s.answers.empty() && (buttons == MsgButtons::YesNo || s.answers.front() == kMsgOk)) {
      answer = s.answers.front();
      s.answers.pop_front();
    } else if (buttons == MsgButtons::YesNo) {
      wait = true;
    }
  }
  s.boxShownCv.notify_all();
  if (wait) {
    // Only the box's own thread blocks: the UI lock is let go meanwhile.
    const int held = s.ReleaseAll();
    {
      std::unique_lock lk(s.scriptMutex);
      const auto deadline =
          std::chrono::steady_clock::now() + std::chrono::milliseconds(s.boxTimeoutMs);
      s.scriptCv.wait_until(lk, deadline, [&] { return !s.answers.empty() || s.shuttingDown; });
      if (!s.answers.empty()) {
        answer = s.answers.front();
        s.answers.pop_front();
      } else {
        answer = kMsgNo;
        timedOut = true;
      }
    }
    s.Reacquire(held);
  }
  s.boxes[boxIndex].answer = answer;
  s.boxes[boxIndex].answered = true;
  s.boxes[boxIndex].timedOut = timedOut;
  if (generation == s.logGeneration && logIndex < s.log.size())
    s.log[logIndex] += " -> " + std::to_string(answer) + (timedOut ? " (no answer scripted)" : "");
  return answer;
}

void SimHost::SetTrayIcon(const std::string& window, Art icon, const std::string& tip) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  if (icon == Art::None) {
    s.Log("SetTrayIcon " + window + " None");
    s.trayIcon = Art::None;
    s.trayTip.clear();
    s.trayWindow.clear();
    return;
  }
  // The notification area holds 63 bytes with the terminating zero.
  const std::string gbk = common::Utf8ToGbk(tip);
  const std::string shown = common::GbkToUtf8(common::CutGbk(gbk, 62));
  std::string line = "SetTrayIcon " + window + " " + ArtName(icon) + " " + shown;
  if (!s.FindWindow(window)) return s.Log("Missing " + line);
  s.Log(line);
  s.trayIcon = icon;
  s.trayTip = shown;
  s.trayWindow = window;
}

void SimHost::PopupMenu(const std::string& window, const std::string& menu) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "PopupMenu " + window + " " + menu;
  SimWindow* w = s.FindWindow(window);
  if (!w || !w->menuEnabled.count(menu)) return s.Log("Missing " + line);
  s.Log(line);
  w->openPopup = menu;
  s.popups.push_back({window, menu, false});
}

void SimHost::PopupTrayMenu(const std::string& window, const std::string& menu) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  std::string line = "PopupTrayMenu " + window + " " + menu;
  SimWindow* w = s.FindWindow(window);
  if (!w || !w->menuEnabled.count(menu)) return s.Log("Missing " + line);
  s.Log(line);
  w->activations++;  // brought to the foreground first
  w->openPopup = menu;
  s.popups.push_back({window, menu, true});
}

// ---- Desktop -------------------------------------------------------------------

void SimHost::StartThread(std::function<void()> routine) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  s.Log("StartThread");
  std::lock_guard lk(s.threadMutex);
  s.running++;
  s.started++;
  s.threads.emplace_back([impl = impl_.get(), routine = std::move(routine)] {
    if (routine) routine();
    {
      std::lock_guard done(impl->threadMutex);
      impl->running--;
    }
    impl->threadCv.notify_all();
  });
}

void SimHost::OpenUrl(const std::string& address) {
  UI_LOCK;
  if (impl_->exited) return;
  impl_->Log("OpenUrl " + address);
  impl_->openedUrls.push_back(address);
}

void SimHost::RunProgram(const std::string& path) {
  UI_LOCK;
  if (impl_->exited) return;
  impl_->Log("RunProgram " + path);
  impl_->startedPrograms.push_back(path);
}

void SimHost::ShellOpen(const std::string& path) {
  UI_LOCK;
  if (impl_->exited) return;
  impl_->Log("ShellOpen " + path);
  impl_->shellOpened.push_back(path);
}

void SimHost::SetClipboardText(const std::string& text) {
  UI_LOCK;
  if (impl_->exited) return;
  // Plain ANSI text: what GBK cannot hold arrives as "?".
  const std::string shown = common::GbkToUtf8(common::Utf8ToGbk(text));
  impl_->Log("SetClipboardText " + shown);
  impl_->clipboard = shown;
}

int SimHost::ScreenWidth() {
  UI_LOCK;
  return impl_->screenWidth;
}

void SimHost::RunOnUiThread(std::function<void()> unit) {
  UI_LOCK;
  if (impl_->exited || !unit) return;
  ++tUnitDepth;
  unit();
  --tUnitDepth;
}

void SimHost::WaitHandlingEvents(int ms) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  s.Log("WaitHandlingEvents " + std::to_string(ms));
  // A real wait dispatches other threads' calls too: let them in once.
  const int held = s.ReleaseAll();
  std::this_thread::yield();
  s.Reacquire(held);
  s.AdvanceLocked(ms);
}

int SimHost::RunMessageLoop() {
  UI_LOCK;
  if (!impl_->exited) impl_->Log("RunMessageLoop");
  return 0;
}

void SimHost::ExitProcess(int code) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  s.Log("ExitProcess " + std::to_string(code));
  s.exited = true;
  s.exitCode = code;
  std::lock_guard lk(s.scriptMutex);
  s.shuttingDown = true;  // a worker's waiting box ends with the process
  s.scriptCv.notify_all();
}

// ---- Setup ---------------------------------------------------------------------

void SimHost::SetScreenSize(int width, int height) {
  UI_LOCK;
  impl_->screenWidth = width;
  impl_->screenHeight = height;
}

void SimHost::ScriptAnswer(int answer) {
  {
    std::lock_guard lk(impl_->scriptMutex);
    impl_->answers.push_back(answer);
  }
  impl_->scriptCv.notify_all();
}

void SimHost::SetModalLoop(std::function<void(SimHost&, const std::string& window)> loop) {
  UI_LOCK;
  impl_->modalLoop = std::move(loop);
}

void SimHost::SetMessageBoxTimeout(int ms) {
  std::lock_guard lk(impl_->scriptMutex);
  impl_->boxTimeoutMs = ms;
}

// ---- Driver --------------------------------------------------------------------

bool SimHost::DoubleClickTreeItem(const std::string& window, const std::string& tree, int index) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, tree);
  if (!c || index < 0 || index >= static_cast<int>(c->def.treeItems.size())) return false;
  s.Log("User DoubleClickTreeItem " + Target(window, tree) + " " + std::to_string(index));
  c->treeSelected = index;
  EventArgs args;
  args.index = index;
  s.Raise(window, tree, Event::TreeDoubleClicked, {}, args);
  return true;
}

bool SimHost::DoubleClickTreeEmptySpace(const std::string& window, const std::string& tree) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, tree);
  if (!c) return false;
  s.Log("User DoubleClickTreeEmptySpace " + Target(window, tree));
  // The selection stays where it was.
  s.Raise(window, tree, Event::TreeDoubleClicked);
  return true;
}

bool SimHost::SelectTreeItem(const std::string& window, const std::string& tree, int index) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, tree);
  if (!c || index < -1 || index >= static_cast<int>(c->def.treeItems.size())) return false;
  s.Log("User SelectTreeItem " + Target(window, tree) + " " + std::to_string(index));
  c->treeSelected = index;
  return true;
}

bool SimHost::SelectRow(const std::string& window, const std::string& list, int row) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, list);
  if (!c || row < -1 || row >= static_cast<int>(c->rows.size())) return false;
  s.Log("User SelectRow " + Target(window, list) + " " + std::to_string(row));
  c->selectedRow = row;
  return true;
}

bool SimHost::DoubleClickRow(const std::string& window, const std::string& list, int row) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, list);
  if (!c || row < 0 || row >= static_cast<int>(c->rows.size())) return false;
  s.Log("User DoubleClickRow " + Target(window, list) + " " + std::to_string(row));
  c->selectedRow = row;
  EventArgs args;
  args.index = row;
  s.Raise(window, list, Event::RowActivated, {}, args);
  return true;
}

bool SimHost::PressEnterInList(const std::string& window, const std::string& list) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, list);
  if (!c) return false;
  s.Log("User PressEnterInList " + Target(window, list));
  if (c->selectedRow < 0) return false;
  EventArgs args;
  args.index = c->selectedRow;
  s.Raise(window, list, Event::RowActivated, {}, args);
  return true;
}

bool SimHost::RightClickList(const std::string& window, const std::string& list) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, list);
  if (!c) return false;
  s.Log("User RightClickList " + Target(window, list));
  s.Raise(window, list, Event::RightClicked);
  return true;
}

bool SimHost::RightClickRow(const std::string& window, const std::string& list, int row) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, list);
  if (!c || row < 0 || row >= static_cast<int>(c->rows.size())) return false;
  s.Log("User RightClickRow " + Target(window, list) + " " + std::to_string(row));
  c->selectedRow = row;
  EventArgs args;
  args.index = row;
  s.Raise(window, list, Event::RightClicked, {}, args);
  return true;
}

bool SimHost::ChooseMenuItem(const std::string& window, const std::string& menu,
                             const std::string& item) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return false;
  SimWindow* w = s.FindWindow(window);
  if (!w) return false;
  s.Log("User ChooseMenuItem " + window + "/" + menu + " " + item);
  const bool open = w->openPopup == menu;
  w->openPopup.clear();  // any click closes the popup
  if (!open) return false;
  auto m = w->menuEnabled.find(menu);
  if (m == w->menuEnabled.end()) return false;
  auto i = m->second.find(item);
  if (i == m->second.end() || !i->second) return false;
  s.Raise(window, menu, Event::MenuItemChosen, item);
  return true;
}

void SimHost::DismissPopup(const std::string& window) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return;
  if (SimWindow* w = s.FindWindow(window)) {
    s.Log("User DismissPopup " + window);
    w->openPopup.clear();
  }
}

bool SimHost::ClickToolbarButton(const std::string& window, const std::string& toolbar, int index) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, toolbar);
  if (!c || index < 0 || index >= static_cast<int>(c->def.buttons.size())) return false;
  s.Log("User ClickToolbarButton " + Target(window, toolbar) + " " + std::to_string(index));
  // A check-group button stays pressed and releases the others by itself.
  if (c->def.buttons[index].inCheckGroup) c->checkedButton = index;
  EventArgs args;
  args.index = index;
  s.Raise(window, toolbar, Event::ToolbarClicked, {}, args);
  return true;
}

bool SimHost::ClickButton(const std::string& window, const std::string& button) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, button);
  if (!c) return false;
  s.Log("User ClickButton " + Target(window, button));
  const std::string address =
      c->def.kind == ControlKind::Hyperlink ? c->def.address : std::string();
  s.Raise(window, button, Event::Clicked);
  if (!address.empty() && !s.exited) {
    // A hyperlink opens its target itself.
    s.Log("OpenUrl " + address);
    s.openedUrls.push_back(address);
  }
  return true;
}

bool SimHost::TypeText(const std::string& window, const std::string& edit,
                       const std::string& text) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, edit);
  if (!c) return false;
  s.Log("User TypeText " + Target(window, edit) + " " + text);
  c->text = text;
  return true;
}

bool SimHost::PressKey(const std::string& window, const std::string& edit, int key) {
  UI_LOCK;
  Impl& s = *impl_;
  SimControl* c = s.Reachable(window, edit);
  if (!c) return false;
  s.Log("User PressKey " + Target(window, edit) + " " + std::to_string(key));
  EventArgs args;
  args.key = key;
  s.Raise(window, edit, Event::KeyPressed, {}, args);
  return true;
}

bool SimHost::DoubleClickTray(const std::string& window) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited || s.trayIcon == Art::None || s.trayWindow != window) return false;
  s.Log("User DoubleClickTray " + window);
  s.Raise(window, "", Event::TrayDoubleClicked);
  return true;
}

bool SimHost::SingleClickTray(const std::string& window) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited || s.trayIcon == Art::None || s.trayWindow != window) return false;
  s.Log("User SingleClickTray " + window);
  return true;
}

bool SimHost::RightClickTray(const std::string& window) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited || s.trayIcon == Art::None || s.trayWindow != window) return false;
  s.Log("User RightClickTray " + window);
  s.Raise(window, "", Event::TrayRightClicked);
  return true;
}

bool SimHost::Minimise(const std::string& window) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return false;
  SimWindow* w = s.FindWindow(window);
  if (!w || !w->visible) return false;
  s.Log("User Minimise " + window);
  s.ApplyWindowState(window, kWindowMinimised);
  return true;
}

bool SimHost::ResizeWindow(const std::string& window, int width, int height) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return false;
  SimWindow* w = s.FindWindow(window);
  if (!w || !w->visible) return false;
  s.Log("User ResizeWindow " + window + " " + std::to_string(width) + " " + std::to_string(height));
  w->bounds.width = width;
  w->bounds.height = height;
  if (w->state != kWindowMaximised) w->normalBounds = w->bounds;
  // The user's drag ends with a size event even when the size came out the same.
  s.Raise(window, "", Event::SizeChanged);
  return true;
}

bool SimHost::CloseByUser(const std::string& window) {
  UI_LOCK;
  Impl& s = *impl_;
  if (s.exited) return false;
  SimWindow* w = s.FindWindow(window);
  if (!w || !w->visible || w->def.style == WindowStyle::Frameless) return false;
  s.Log("User CloseByUser " + window);
  s.Log("DestroyWindow " + window);
  s.Destroy(window);
  return true;
}

// ---- Clock and threads -----------------------------------------------------------

void SimHost::Advance(int ms) {
  UI_LOCK;
  if (impl_->exited) return;
  impl_->AdvanceLocked(ms);
}

long long SimHost::Now() const {
  UI_LOCK;
  return impl_->now;
}

bool SimHost::WaitForThreads(int timeoutMs) {
  Impl& s = *impl_;
  // Workers may need the UI lock to finish; never wait holding it.
  const int held = s.ReleaseAll();
  std::vector<std::thread> finished;
  bool done;
  {
    std::unique_lock lk(s.threadMutex);
    done = s.threadCv.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                               [&] { return s.running == 0; });
    if (done) finished.swap(s.threads);
  }
  for (auto& t : finished)
    if (t.joinable()) t.join();
  s.Reacquire(held);
  return done;
}

// ---- Observation -------------------------------------------------------------------

bool SimHost::HasWindow(const std::string& window) const {
  UI_LOCK;
  return impl_->FindWindow(window) != nullptr;
}

SimWindow SimHost::Window(const std::string& window) const {
  UI_LOCK;
  SimWindow* w = impl_->FindWindow(window);
  return w ? *w : SimWindow{};
}

SimControl SimHost::Control(const std::string& window, const std::string& control) const {
  UI_LOCK;
  SimControl* c = impl_->FindControl(window, control);
  return c ? *c : SimControl{};
}

std::vector<std::vector<std::string>> SimHost::Rows(const std::string& window,
                                                    const std::string& list) const {
  UI_LOCK;
  SimControl* c = impl_->FindControl(window, list);
  return c ? c->rows : std::vector<std::vector<std::string>>{};
}

bool SimHost::MenuItemEnabled(const std::string& window, const std::string& menu,
                              const std::string& item) const {
  UI_LOCK;
  SimWindow* w = impl_->FindWindow(window);
  if (!w) return false;
  auto m = w->menuEnabled.find(menu);
  if (m == w->menuEnabled.end()) return false;
  auto i = m->second.find(item);
  return i != m->second.end() && i->second;
}

int SimHost::TimerPeriod(const std::string& window, const std::string& timer) const {
  UI_LOCK;
  SimControl* c = impl_->FindControl(window, timer);
  return c ? c->timerPeriod : 0;
}

std::string SimHost::OpenPopup(const std::string& window) const {
  UI_LOCK;
  SimWindow* w = impl_->FindWindow(window);
  return w ? w->openPopup : std::string();
}

std::vector<PopupShown> SimHost::Popups() const {
  UI_LOCK;
  return impl_->popups;
}

Art SimHost::TrayIcon() const {
  UI_LOCK;
  return impl_->trayIcon;
}

std::string SimHost::TrayTip() const {
  UI_LOCK;
  return impl_->trayTip;
}

std::string SimHost::TrayWindow() const {
  UI_LOCK;
  return impl_->trayWindow;
}

std::vector<BalloonShown> SimHost::Balloons() const {
  UI_LOCK;
  return impl_->balloons;
}

std::string SimHost::Clipboard() const {
  UI_LOCK;
  return impl_->clipboard;
}

std::vector<std::string> SimHost::OpenedUrls() const {
  UI_LOCK;
  return impl_->openedUrls;
}

std::vector<std::string> SimHost::StartedPrograms() const {
  UI_LOCK;
  return impl_->startedPrograms;
}

std::vector<std::string> SimHost::ShellOpened() const {
  UI_LOCK;
  return impl_->shellOpened;
}

std::vector<MessageBoxShown> SimHost::MessageBoxes() const {
  UI_LOCK;
  return impl_->boxes;
}

bool SimHost::WaitForMessageBoxes(std::size_t count, int timeoutMs) const {
  std::unique_lock lk(impl_->scriptMutex);
  return impl_->boxShownCv.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                                    [&] { return impl_->boxesShown >= count; });
}

int SimHost::ThreadsStarted() const {
  std::lock_guard lk(impl_->threadMutex);
  return impl_->started;
}

int SimHost::ThreadsRunning() const {
  std::lock_guard lk(impl_->threadMutex);
  return impl_->running;
}

bool SimHost::Exited() const {
  UI_LOCK;
  return impl_->exited;
}

int SimHost::ExitCode() const {
  UI_LOCK;
  return impl_->exitCode;
}

std::vector<std::string> SimHost::Log() const {
  UI_LOCK;
  return impl_->log;
}

int SimHost::LogIndexOf(const std::string& prefix) const {
  UI_LOCK;
  const auto& log = impl_->log;
  for (std::size_t i = 0; i < log.size(); ++i)
    if (log[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
  return -1;
}

void SimHost::ClearLog() {
  UI_LOCK;
  impl_->log.clear();
  impl_->logGeneration++;
}

}  // namespace host::sim
