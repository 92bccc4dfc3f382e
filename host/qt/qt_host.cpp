#include "host/qt/qt_host.h"

#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QStyleFactory>
#include <QSystemTrayIcon>
#include <QThread>
#include <QToolTip>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <memory>
#include <sstream>
#include <system_error>
#include <thread>
#include <type_traits>

#include "common/paths.h"
#include "common/text.h"
#include "host/qt/art.h"
#include "host/qt/widgets.h"

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void InitArtResources() { Q_INIT_RESOURCE(art); }

namespace host::qt {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// Windows' shortest timer interval: a period of 1 ms fires about every 10 ms
// there, and must not cost a whole core here.
constexpr int kMinTimerMs = 10;
constexpr int kTrayTipBytes = 62;

// Frame assumed around an ordinary window's client area until a window
// manager reports the real one, so that outer sizes mean the same with and
// without a window manager.
constexpr int kFrameSide = 3;
constexpr int kFrameTop = 24;
constexpr int kFrameBottom = 3;

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return "Label";
    case ControlKind::TransparentLabel:
      return "TransparentLabel";
    case ControlKind::EditBox:
      return "EditBox";
    case ControlKind::Button:
      return "Button";
    case ControlKind::PictureButton:
      return "PictureButton";
    case ControlKind::Toolbar:
      return "Toolbar";
    case ControlKind::TabControl:
      return "TabControl";
    case ControlKind::Tree:
      return "Tree";
    case ControlKind::ReportList:
      return "ReportList";
    case ControlKind::ProgressBar:
      return "ProgressBar";
    case ControlKind::Browser:
      return "Browser";
    case ControlKind::BalloonTip:
      return "BalloonTip";
    case ControlKind::Timer:
      return "Timer";
    case ControlKind::GroupBox:
      return "GroupBox";
    case ControlKind::Hyperlink:
      return "Hyperlink";
  }
  return "?";
}

// Shows a hover text for one control (and the viewport of a list).
class TipFilter : public QObject {
 public:
  TipFilter(QObject* parent, QString text) : QObject(parent), text_(std::move(text)) {}
  void SetText(QString text) { text_ = std::move(text); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ToolTip) {
      auto* help = static_cast<QHelpEvent*>(event);
      QToolTip::showText(help->globalPos(), PlainTip(text_), qobject_cast<QWidget*>(watched));
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QString text_;
};

}  // namespace

struct ControlRec {
  ControlDef def;
  QPointer<QWidget> widget;
  QPointer<QTimer> timer;
  int timerPeriod = 0;
  bool inTick = false;
  int progressMax = 100;
  int progressPos = 0;
  Rect bounds;  // for controls without a widget
  // Balloon tips.
  std::string attachedTo;
  std::string tipText;
  QPointer<TipFilter> tipFilter;
  QPointer<BalloonPopup> balloon;
};

struct WindowRec {
  WindowDef def;
  QPointer<WindowWidget> widget;
  std::map<std::string, std::unique_ptr<ControlRec>> controls;
  std::map<std::string, QPointer<QMenu>> menus;
  std::map<std::string, std::map<std::string, QPointer<QAction>>> actions;
  bool shown = false;       // shown at least once
  bool wantVisible = true;  // SetVisible before the first show
  bool destroyed = false;
  int busy = 0;  // handlers of this window on the stack
  QEventLoop* modalLoop = nullptr;
};

struct QtHost::Impl {
  QtHost* host = nullptr;
  std::unique_ptr<QApplication> ownApp;
  QObject* dispatcher = nullptr;
  std::map<std::string, std::shared_ptr<WindowRec>> windows;
  QSystemTrayIcon* tray = nullptr;
  std::string trayWindow;
  std::string trayTip;
  Art trayArt = Art::None;
  bool mainLoopRunning = false;
  bool browserProfileSet = false;
  QTimer* dumpTimer = nullptr;

  bool OnUiThread() const { return QThread::currentThread() == dispatcher->thread(); }

  // Carries out `f` on the UI thread as one step and returns its result.
  template <class F>
  auto Ui(F&& f) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    if (OnUiThread()) return f();
    if constexpr (std::is_void_v<R>) {
      QMetaObject::invokeMethod(
          dispatcher, [&f] { f(); }, Qt::BlockingQueuedConnection);
    } else {
      R result{};
      QMetaObject::invokeMethod(
          dispatcher, [&f, &result] { result = f(); }, Qt::BlockingQueuedConnection);
      return result;
    }
  }

  std::shared_ptr<WindowRec> Win(const std::string& name) {
    auto it = windows.find(name);
    return it == windows.end() ? nullptr : it->second;
  }
  ControlRec* Ctl(const ControlRef& ref) {
    auto w = Win(ref.window);
    if (!w) return nullptr;
    auto it = w->controls.find(ref.control);
    return it == w->controls.end() ? nullptr : it->second.get();
  }
  template <class T>
  T* Widget(const ControlRef& ref) {
    ControlRec* c = Ctl(ref);
    return c ? qobject_cast<T*>(c->widget.data()) : nullptr;
  }

  // Runs the handlers bound to an event of a loaded window.
  void Raise(const std::shared_ptr<WindowRec>& w, const std::string& control, Event event,
             EventArgs args = {}, const std::string& item = {}) {
    if (!w || w->destroyed) return;
    std::vector<Handler> handlers;
    for (const auto& b : w->def.events) {
      if (b.event != event || b.control != control) continue;
      if (event == Event::MenuItemChosen && b.item != item) continue;
      if (b.handler) handlers.push_back(b.handler);
    }
    if (handlers.empty()) return;
    ++w->busy;
    for (const auto& h : handlers) {
      h(args);
      if (w->destroyed) break;
    }
    // A window destroyed by its own handler is deleted only once no handler
    // of it is on the stack any more.
    if (--w->busy == 0 && w->destroyed && w->widget) w->widget->deleteLater();
  }

  // ---- windows ----------------------------------------------------------

  QMargins FrameMargins(const WindowRec& w) const {
    if (w.def.style == WindowStyle::Frameless || !w.widget) return {};
    const QRect frame = w.widget->frameGeometry();
    const QRect client = w.widget->geometry();
    if (w.widget->isVisible() && frame != client)
      return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                      frame.right() - client.right(), frame.bottom() - client.bottom());
    return QMargins(kFrameSide, kFrameTop, kFrameSide, kFrameBottom);
  }

  QSize ClientSize(const WindowRec& w, QSize outer) const {
    const QMargins m = FrameMargins(w);
    return QSize(std::max(1, outer.width() - m.left() - m.right()),
                 std::max(1, outer.height() - m.top() - m.bottom()));
  }

  void ResizeOuter(WindowRec& w, QSize outer) {
    const QSize client = ClientSize(w, outer);
    if (w.def.style == WindowStyle::FixedDialog)
      w.widget->setFixedSize(client);
    else
      w.widget->resize(client);
  }

  QWidget* ParentFor(WindowRec& w, const ControlDef& def) {
    if (def.parent.empty()) return w.widget;
    auto it = w.controls.find(def.parent);
    if (it == w.controls.end() || !it->second->widget) return w.widget;
    if (auto* tab = qobject_cast<TabControl*>(it->second->widget.data())) {
      const int page = std::clamp(def.page, 0, tab->count() - 1);
      return tab->page(page);
    }
    return it->second->widget;
  }

  void CreateControl(const std::shared_ptr<WindowRec>& wp, const ControlDef& def);
  void BuildWindow(const std::shared_ptr<WindowRec>& w);
  void LoadWindowUi(const WindowDef& def, bool modal);
  void DestroyWindowUi(const std::string& name);
  void ShowWindowFirstTime(WindowRec& w);

  // ---- controls ---------------------------------------------------------

  void SetTimer(ControlRec& c, int ms);
  void ApplyProgress(ControlRec& c) {
    auto* bar = qobject_cast<QProgressBar*>(c.widget.data());
    if (!bar) return;
    // A range of 0..0 would make the bar animate as "busy"; an empty bar is
    // what a zero maximum means here.
    const int max = std::max(1, c.progressMax);
    if (bar->maximum() != max) bar->setRange(0, max);
    const int pos = std::clamp(c.progressPos, 0, max);
    if (bar->value() != pos) bar->setValue(pos);
  }

  // ---- message boxes ----------------------------------------------------

  QMessageBox* MakeBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                       const std::string& title) {
    auto* box = new QMessageBox();
    box->setWindowTitle(Q(title.empty() ? std::string(kDefaultMessageTitle) : title));
    box->setTextFormat(Qt::PlainText);
    box->setText(Q(text));
    box->setIcon(icon == MsgIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon);
    if (buttons == MsgButtons::YesNo) {
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box->setDefaultButton(QMessageBox::Yes);
      box->setEscapeButton(QMessageBox::No);
      box->button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
      box->button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    } else {
      box->setStandardButtons(QMessageBox::Ok);
      box->setEscapeButton(QMessageBox::Ok);
      box->button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    }
    for (QAbstractButton* b : box->buttons()) b->setIcon(QIcon());
    box->setWindowIcon(ArtIcon(Art::ProgramIcon));
    return box;
  }

  static int BoxResult(QMessageBox* box) {
    if (box->clickedButton() == box->button(QMessageBox::Yes)) return kMsgYes;
    if (box->clickedButton() == box->button(QMessageBox::No)) return kMsgNo;
    return box->standardButtons() & QMessageBox::Yes ? kMsgNo : kMsgOk;
  }

  // ---- tray -------------------------------------------------------------

  void SetTrayUi(const std::string& window, Art icon, const std::string& tip);

  // ---- test hook ----------------------------------------------------------

  std::string Dump();
  void CheckDumpRequest();
};

// ============================================================================

void QtHost::PrepareProcess() {
  if (QCoreApplication::instance() != nullptr) return;
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // The browser's scene graph in software: with Mesa's software GL the
  // renderer otherwise burns a core whenever the window repaints often.
  setenv("QT_QUICK_BACKEND", "software", 0);
  // Chromium refuses to run as root with its sandbox; only then is it off.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
}

QtHost::QtHost() : impl_(std::make_unique<Impl>()) {
  impl_->host = this;
  if (QCoreApplication::instance() == nullptr) {
    PrepareProcess();
    // The command line is not the program's to read: Qt gets a fixed one.
    static int argc = 1;
    static char name[] = "resourcebox";
    static char* argv[] = {name, nullptr};
    impl_->ownApp = std::make_unique<QApplication>(argc, argv);
  }
  InitArtResources();
  QApplication::setQuitOnLastWindowClosed(false);
  if (impl_->ownApp) {
    // The program's looks; an application that loaded the module keeps its own.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(DefaultFont());
    QApplication::setWindowIcon(ArtIcon(Art::ProgramIcon));
  }
  impl_->dispatcher = new QObject();  // lives in the UI thread
#ifdef RB_TEST_HOOKS
  impl_->dumpTimer = new QTimer(impl_->dispatcher);
  QObject::connect(impl_->dumpTimer, &QTimer::timeout, impl_->dispatcher,
                   [impl = impl_.get()] { impl->CheckDumpRequest(); });
  impl_->dumpTimer->start(1000);
#endif
}

QtHost::~QtHost() {
  for (auto& [name, w] : impl_->windows) {
    w->destroyed = true;
    delete w->widget.data();
  }
  impl_->windows.clear();
  delete impl_->tray;
  delete impl_->dispatcher;
}

// ---- windows ------------------------------------------------------------------

void QtHost::Impl::CreateControl(const std::shared_ptr<WindowRec>& wp, const ControlDef& def) {
  WindowRec& w = *wp;
  auto rec = std::make_unique<ControlRec>();
  rec->def = def;
  rec->bounds = def.rect;
  std::weak_ptr<WindowRec> weak = wp;
  auto raise = [this, weak, name = def.name](Event event, EventArgs args = {}) {
    if (auto w = weak.lock()) Raise(w, name, event, args);
  };
  QWidget* parent = ParentFor(w, def);
  QWidget* widget = nullptr;
  const QFont base = QApplication::font();

  switch (def.kind) {
    case ControlKind::Label:
    case ControlKind::TransparentLabel: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      label->setFont(FontFor(def.font, base));
      // Wrap only where the rectangle holds more than one line.
      label->setWordWrap(def.rect.height >= 2 * QFontMetrics(label->font()).lineSpacing());
      if (def.font.hasColor) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgb(def.font.color));
        label->setPalette(palette);
      }
      QString text = Q(def.text);
      text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      label->setText(text);
      widget = label;
      break;
    }
    case ControlKind::EditBox: {
      auto* edit = new EditBox(parent);
      edit->setFont(FontFor(def.font, base));
      edit->setText(Q(def.text));
      edit->onKey = [raise](int key) {
        EventArgs args;
        args.key = key;
        raise(Event::KeyPressed, args);
      };
      widget = edit;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(Q(def.text), parent);
      button->setFont(FontFor(def.font, base));
      QObject::connect(button, &QPushButton::clicked, button, [raise] { raise(Event::Clicked); });
      widget = button;
      break;
    }
    case ControlKind::PictureButton: {
      auto* button = new PictureButton(def.picture, parent);
      QObject::connect(button, &QAbstractButton::clicked, button,
                       [raise] { raise(Event::Clicked); });
      widget = button;
      break;
    }
    case ControlKind::Toolbar: {
      auto* toolbar = new ToolbarWidget(def.buttons, def.buttonIconSize, parent);
      toolbar->Check(def.checkedButton);
      toolbar->onClicked = [raise](int index) {
        EventArgs args;
        args.index = index;
        raise(Event::ToolbarClicked, args);
      };
      widget = toolbar;
      break;
    }
    case ControlKind::TabControl: {
      widget = new TabControl(static_cast<int>(def.tabPages.size()), parent);
      break;
    }
    case ControlKind::Tree: {
      auto* tree = new TreeBox(def.treeItems, def.treeExpanded, parent);
      tree->setFont(FontFor(def.font, base));
      tree->onDoubleClicked = [raise] { raise(Event::TreeDoubleClicked); };
      widget = tree;
      break;
    }
    case ControlKind::ReportList: {
      auto* list = new ReportList(def.columns, parent);
      list->setFont(FontFor(def.font, base));
      list->onActivated = [raise] { raise(Event::RowActivated); };
      list->onRightClicked = [raise] { raise(Event::RightClicked); };
      widget = list;
      break;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      rec->progressMax = def.progressMax;
      widget = bar;
      break;
    }
    case ControlKind::Browser: {
      if (!browserProfileSet) {
        // Pages are asked for in the program's language.
        browserProfileSet = true;
        QWebEngineProfile::defaultProfile()->setHttpAcceptLanguage(
            QStringLiteral("zh-CN,zh;q=0.9"));
      }
      auto* view = new QWebEngineView(parent);
      view->setPage(new BrowserPage(view));
      if (!def.address.empty()) view->setUrl(QUrl(Q(def.address)));
      widget = view;
      break;
    }
    case ControlKind::GroupBox: {
      auto* box = new QGroupBox(Q(def.text), parent);
      box->setFont(FontFor(def.font, base));
      widget = box;
      break;
    }
    case ControlKind::Hyperlink: {
      auto* link = new Hyperlink(parent);
      link->setFont([&] {
        QFont f = FontFor(def.font, base);
        f.setUnderline(true);
        return f;
      }());
      link->setText(Q(def.text));
      const std::string address = def.address;
      link->onClicked = [this, address] {
        if (!address.empty()) host->OpenUrl(address);
      };
      widget = link;
      break;
    }
    case ControlKind::Timer: {
      auto* timer = new QTimer(w.widget);
      QObject::connect(timer, &QTimer::timeout, timer, [this, weak, name = def.name] {
        // The window (and with it this control) stays alive until the
        // handler is done, even when the handler destroys the window.
        std::shared_ptr<WindowRec> w = weak.lock();
        if (!w || w->destroyed) return;
        auto it = w->controls.find(name);
        if (it == w->controls.end()) return;
        ControlRec& c = *it->second;
        // A handler still running (a message box inside it) is not entered
        // again by the next tick.
        if (c.inTick) return;
        c.inTick = true;
        Raise(w, name, Event::TimerElapsed);
        c.inTick = false;
      });
      rec->timer = timer;
      break;
    }
    case ControlKind::BalloonTip:
      break;
  }

  if (widget != nullptr) {
    widget->setGeometry(def.rect.left, def.rect.top, def.rect.width, def.rect.height);
    if (auto* link = qobject_cast<Hyperlink*>(widget)) link->FitToText();
    if (!def.visible) widget->hide();
    if (!def.enabled) widget->setEnabled(false);
    if (def.pointer != Art::None) {
      const QCursor cursor = ArtCursor(def.pointer);
      widget->setCursor(cursor);
      if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
        view->viewport()->setCursor(cursor);
        if (auto* tree = qobject_cast<QTreeView*>(widget)) tree->header()->setCursor(cursor);
      }
    }
    rec->widget = widget;
  }
  if (rec->widget && def.kind == ControlKind::ProgressBar) ApplyProgress(*rec);
  w.controls[def.name] = std::move(rec);
}

void QtHost::Impl::BuildWindow(const std::shared_ptr<WindowRec>& wp) {
  WindowRec& w = *wp;
  const WindowDef& def = w.def;
  auto* widget = new WindowWidget(def.style, def.background, QColor::fromRgb(def.backgroundColor));
  w.widget = widget;
  Qt::WindowFlags flags = Qt::Window;
  switch (def.style) {
    case WindowStyle::Frameless:
      flags |= Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint;
      break;
    case WindowStyle::FixedDialog:
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
               Qt::MSWindowsFixedSizeDialogHint;
      break;
    case WindowStyle::ResizableFrame:
      flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
               Qt::WindowCloseButtonHint;
      break;
  }
  widget->setWindowFlags(flags);
  widget->setWindowTitle(Q(def.title));
  if (def.icon != Art::None) widget->setWindowIcon(ArtIcon(def.icon));
  widget->move(def.rect.left, def.rect.top);
  ResizeOuter(w, QSize(def.rect.width, def.rect.height));

  std::weak_ptr<WindowRec> weak = wp;
  widget->onMoved = [this, weak] {
    if (auto w = weak.lock()) Raise(w, "", Event::PositionChanged);
  };
  widget->onStateChanged = [this, weak] {
    if (auto w = weak.lock()) Raise(w, "", Event::PositionChanged);
  };
  widget->onResized = [this, weak] {
    if (auto w = weak.lock()) Raise(w, "", Event::SizeChanged);
  };
  const std::string name = def.name;
  widget->onCloseRequested = [this, name] { DestroyWindowUi(name); };

  // Containers first, so that their children find them whatever the order.
  for (const auto& c : def.controls)
    if (c.kind == ControlKind::TabControl || c.kind == ControlKind::GroupBox) {
      if (c.parent.empty()) CreateControl(wp, c);
    }
  for (const auto& c : def.controls)
    if (!w.controls.count(c.name)) CreateControl(wp, c);

  for (const auto& m : def.menus) {
    auto* menu = new QMenu(widget);
    menu->setTitle(Q(m.title));
    for (const auto& item : m.items) {
      QAction* action = menu->addAction(Q(item));
      const std::string menuName = m.name;
      QObject::connect(action, &QAction::triggered, action, [this, weak, menuName, item] {
        if (auto w = weak.lock()) Raise(w, menuName, Event::MenuItemChosen, {}, item);
      });
      w.actions[m.name][item] = action;
    }
    w.menus[m.name] = menu;
  }
}

void QtHost::Impl::ShowWindowFirstTime(WindowRec& w) {
  w.shown = true;
  if (!w.wantVisible) return;
  // The outer size as it stands before the first show: the layout's, or what
  // the "created" handler set (the updater's window grows there).
  const QSize outer = w.widget->size().grownBy(FrameMargins(w));
  w.widget->show();
  if (w.def.style != WindowStyle::Frameless) {
    // With a window manager the real frame is known now: keep the outer size.
    ResizeOuter(w, outer);
  }
  w.widget->raise();
  w.widget->activateWindow();
}

void QtHost::Impl::LoadWindowUi(const WindowDef& def, bool modal) {
  if (auto existing = Win(def.name)) {
    if (existing->widget) {
      if (existing->widget->isMinimized()) existing->widget->showNormal();
      existing->widget->raise();
      existing->widget->activateWindow();
    }
    return;
  }
  auto w = std::make_shared<WindowRec>();
  w->def = def;
  windows[def.name] = w;
  BuildWindow(w);
  Raise(w, "", Event::Created);
  if (w->destroyed) return;
  if (modal) w->widget->setWindowModality(Qt::ApplicationModal);
  ShowWindowFirstTime(*w);
  if (!modal || w->destroyed) return;
  QEventLoop loop;
  w->modalLoop = &loop;
  loop.exec();
  w->modalLoop = nullptr;
}

void QtHost::Impl::DestroyWindowUi(const std::string& name) {
  auto it = windows.find(name);
  if (it == windows.end()) return;
  std::shared_ptr<WindowRec> w = it->second;
  windows.erase(it);
  w->destroyed = true;
  for (auto& [cname, c] : w->controls) {
    if (c->timer) c->timer->stop();
    if (c->balloon) c->balloon->deleteLater();
  }
  for (auto& [mname, menu] : w->menus)
    if (menu) menu->close();
  if (trayWindow == name) SetTrayUi(name, Art::None, "");
  if (w->widget) {
    w->widget->hide();
    if (w->busy == 0) w->widget->deleteLater();
  }
  if (w->modalLoop) w->modalLoop->quit();
  if (windows.empty() && mainLoopRunning) QCoreApplication::exit(0);
}

void QtHost::LoadWindow(const WindowDef& window, bool modal) {
  impl_->Ui([&] { impl_->LoadWindowUi(window, modal); });
}

bool QtHost::IsWindowLoaded(const std::string& window) {
  return impl_->Ui([&] { return impl_->windows.count(window) > 0; });
}

void QtHost::ActivateWindow(const std::string& window) {
  impl_->Ui([&] {
    auto w = impl_->Win(window);
    if (!w || !w->widget || !w->widget->isVisible()) return;
    if (w->widget->isMinimized()) w->widget->showNormal();
    w->widget->raise();
    w->widget->activateWindow();
  });
}

void QtHost::FocusWindow(const std::string& window) {
  impl_->Ui([&] {
    auto w = impl_->Win(window);
    if (!w || !w->widget || !w->widget->isVisible()) return;
    w->widget->activateWindow();
    w->widget->setFocus(Qt::OtherFocusReason);
  });
}

void QtHost::DestroyWindow(const std::string& window) {
  impl_->Ui([&] { impl_->DestroyWindowUi(window); });
}

void QtHost::SetWindowState(const std::string& window, int state) {
  impl_->Ui([&] {
    auto w = impl_->Win(window);
    if (!w || !w->widget || !w->widget->isVisible()) return;
    QWidget* widget = w->widget;
    // The state alone: showMinimized() and friends would also show the
    // window again after a handler hid it on the state change.
    const Qt::WindowStates current = widget->windowState();
    const Qt::WindowStates plain = current & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    switch (state) {
      case kWindowNormal:
        if (current != plain) widget->setWindowState(plain);
        break;
      case kWindowRestoreCentre: {
        if (current != plain) widget->setWindowState(plain);
        QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
        if (screen == nullptr) break;
        const QRect area = screen->availableGeometry();
        const QMargins m = impl_->FrameMargins(*w);
        const QSize outer = widget->size().grownBy(m);
        widget->move(area.left() + (area.width() - outer.width()) / 2,
                     area.top() + (area.height() - outer.height()) / 2);
        break;
      }
      case kWindowMinimised:
        if (!(current & Qt::WindowMinimized)) widget->setWindowState(current | Qt::WindowMinimized);
        break;
      case kWindowMaximised:
        if (current != (plain | Qt::WindowMaximized))
          widget->setWindowState(plain | Qt::WindowMaximized);
        break;
      default:
        break;
    }
  });
}

int QtHost::GetWindowState(const std::string& window) {
  return impl_->Ui([&] {
    auto w = impl_->Win(window);
    if (!w || !w->widget) return kWindowNormal;
    const Qt::WindowStates s = w->widget->windowState();
    if (s & Qt::WindowMinimized) return kWindowMinimised;
    if (s & Qt::WindowMaximized) return kWindowMaximised;
    return kWindowNormal;
  });
}

// ---- controls -------------------------------------------------------------------

void QtHost::SetVisible(const ControlRef& target, bool visible) {
  impl_->Ui([&] {
    auto w = impl_->Win(target.window);
    if (!w || !w->widget) return;
    if (target.control.empty()) {
      if (!w->shown) {
        w->wantVisible = visible;
        return;
      }
      if (visible && !w->widget->isVisible()) {
        // Shown means on screen: a window hidden while minimised comes back
        // restored, not as a minimised window.
        const Qt::WindowStates state = w->widget->windowState();
        if (state & Qt::WindowMinimized) w->widget->setWindowState(state & ~Qt::WindowMinimized);
        w->widget->show();
      } else if (!visible && w->widget->isVisible()) {
        w->widget->hide();
      }
      return;
    }
    ControlRec* c = impl_->Ctl(target);
    if (!c) return;
    if (c->def.kind == ControlKind::BalloonTip) {
      if (!visible && c->balloon) c->balloon->hide();
      return;
    }
    if (c->widget && c->widget->isVisibleTo(c->widget->parentWidget()) != visible)
      c->widget->setVisible(visible);
  });
}

void QtHost::SetEnabled(const ControlRef& target, bool enabled) {
  impl_->Ui([&] {
    auto w = impl_->Win(target.window);
    if (!w || !w->widget) return;
    QWidget* widget = w->widget;
    if (!target.control.empty()) {
      ControlRec* c = impl_->Ctl(target);
      widget = c ? c->widget.data() : nullptr;
    }
    if (widget && widget->isEnabled() != enabled) widget->setEnabled(enabled);
  });
}

void QtHost::SetEnabled(const MenuItemRef& item, bool enabled) {
  impl_->Ui([&] {
    auto w = impl_->Win(item.window);
    if (!w) return;
    auto m = w->actions.find(item.menu);
    if (m == w->actions.end()) return;
    auto a = m->second.find(item.item);
    if (a != m->second.end() && a->second) a->second->setEnabled(enabled);
  });
}

int QtHost::GetBounds(const ControlRef& target, Bound which) {
  return impl_->Ui([&]() -> int {
    auto w = impl_->Win(target.window);
    if (!w || !w->widget) return 0;
    QRect r;
    if (target.control.empty()) {
      const QMargins m = impl_->FrameMargins(*w);
      r = QRect(w->widget->pos(), w->widget->size().grownBy(m));
    } else {
      ControlRec* c = impl_->Ctl(target);
      if (!c) return 0;
      if (c->widget)
        r = c->widget->geometry();
      else
        r = QRect(c->bounds.left, c->bounds.top, c->bounds.width, c->bounds.height);
    }
    switch (which) {
      case Bound::Left:
        return r.left();
      case Bound::Top:
        return r.top();
      case Bound::Width:
        return r.width();
      case Bound::Height:
        return r.height();
    }
    return 0;
  });
}

void QtHost::SetBounds(const ControlRef& target, Bound which, int value) {
  impl_->Ui([&] {
    auto w = impl_->Win(target.window);
    if (!w || !w->widget) return;
    if (target.control.empty()) {
      QWidget* widget = w->widget;
      const QMargins m = impl_->FrameMargins(*w);
      QSize outer = widget->size().grownBy(m);
      QPoint pos = widget->pos();
      switch (which) {
        case Bound::Left:
          pos.setX(value);
          break;
        case Bound::Top:
          pos.setY(value);
          break;
        case Bound::Width:
          outer.setWidth(value);
          break;
        case Bound::Height:
          outer.setHeight(value);
          break;
      }
      if (pos != widget->pos()) widget->move(pos);
      if (outer != widget->size().grownBy(m)) impl_->ResizeOuter(*w, outer);
      return;
    }
    ControlRec* c = impl_->Ctl(target);
    if (!c) return;
    QRect r = c->widget ? c->widget->geometry()
                        : QRect(c->bounds.left, c->bounds.top, c->bounds.width, c->bounds.height);
    switch (which) {
      case Bound::Left:
        r.moveLeft(value);
        break;
      case Bound::Top:
        r.moveTop(value);
        break;
      case Bound::Width:
        r.setWidth(std::max(0, value));
        break;
      case Bound::Height:
        r.setHeight(std::max(0, value));
        break;
    }
    c->bounds = {r.left(), r.top(), r.width(), r.height()};
    if (c->widget && c->widget->geometry() != r) c->widget->setGeometry(r);
  });
}

std::string QtHost::GetText(const ControlRef& target) {
  return impl_->Ui([&]() -> std::string {
    auto w = impl_->Win(target.window);
    if (!w || !w->widget) return {};
    if (target.control.empty()) return S(w->widget->windowTitle());
    ControlRec* c = impl_->Ctl(target);
    if (!c || !c->widget) return {};
    QWidget* widget = c->widget;
    if (auto* label = qobject_cast<QLabel*>(widget)) return S(label->text());
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return S(edit->text());
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return S(button->text());
    if (auto* box = qobject_cast<QGroupBox*>(widget)) return S(box->title());
    return {};
  });
}

void QtHost::SetText(const ControlRef& target, const std::string& text) {
  impl_->Ui([&] {
    auto w = impl_->Win(target.window);
    if (!w || !w->widget) return;
    const QString t = Q(text);
    if (target.control.empty()) {
      if (w->widget->windowTitle() != t) w->widget->setWindowTitle(t);
      return;
    }
    ControlRec* c = impl_->Ctl(target);
    if (!c || !c->widget) return;
    QWidget* widget = c->widget;
    // Unchanged texts are left alone: a fast timer that writes the same text
    // again must not repaint anything.
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      QString shown = t;
      shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      if (label->text() != shown) label->setText(shown);
      if (auto* link = qobject_cast<Hyperlink*>(widget)) link->FitToText();
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      if (edit->text() != t) edit->setText(t);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      if (button->text() != t) button->setText(t);
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
      if (box->title() != t) box->setTitle(t);
    }
  });
}

void QtHost::AppendText(const ControlRef& target, const std::string& text) {
  impl_->Ui([&] {
    if (text.empty()) return;
    ControlRec* c = impl_->Ctl(target);
    if (c && c->widget) {
      if (auto* edit = qobject_cast<QLineEdit*>(c->widget.data())) {
        edit->end(false);
        edit->setText(edit->text() + Q(text));
        edit->end(false);
        return;
      }
    }
    SetText(target, GetText(target) + text);
  });
}

void QtHost::SelectTabPage(const ControlRef& tab, int page) {
  impl_->Ui([&] {
    if (auto* t = impl_->Widget<TabControl>(tab)) t->Select(page);
  });
}

void QtHost::Navigate(const ControlRef& browser, const std::string& address) {
  impl_->Ui([&] {
    auto* view = impl_->Widget<QWebEngineView>(browser);
    if (!view) return;
    if (address.empty()) {
      view->setUrl(QUrl(QStringLiteral("about:blank")));
      return;
    }
    QUrl url(Q(address), QUrl::TolerantMode);
    if (url.scheme().isEmpty()) url = QUrl::fromUserInput(Q(address));
    view->setUrl(url);
  });
}

void QtHost::Impl::SetTimer(ControlRec& c, int ms) {
  if (!c.timer) return;
  if (ms <= 0) {
    c.timerPeriod = 0;
    c.timer->stop();
    return;
  }
  const int period = std::max(ms, kMinTimerMs);
  // Setting the period it already runs with keeps its rhythm: a handler
  // that sets it on every tick must not keep it from ever firing.
  if (c.timer->isActive() && c.timerPeriod == period) return;
  c.timerPeriod = period;
  c.timer->start(period);
}

void QtHost::SetTimerPeriod(const ControlRef& timer, int ms) {
  impl_->Ui([&] {
    auto w = impl_->Win(timer.window);
    if (!w || w->destroyed) return;
    if (ControlRec* c = impl_->Ctl(timer)) impl_->SetTimer(*c, ms);
  });
}

void QtHost::SetProgressMax(const ControlRef& bar, int max) {
  impl_->Ui([&] {
    ControlRec* c = impl_->Ctl(bar);
    if (!c || c->def.kind != ControlKind::ProgressBar) return;
    c->progressMax = max;
    impl_->ApplyProgress(*c);
  });
}

void QtHost::SetProgressPos(const ControlRef& bar, int pos) {
  impl_->Ui([&] {
    ControlRec* c = impl_->Ctl(bar);
    if (!c || c->def.kind != ControlKind::ProgressBar) return;
    c->progressPos = pos;
    impl_->ApplyProgress(*c);
  });
}

void QtHost::CheckToolbarButton(const ControlRef& toolbar, int index) {
  impl_->Ui([&] {
    if (auto* t = impl_->Widget<ToolbarWidget>(toolbar)) t->Check(index);
  });
}

int QtHost::TreeSelectedIndex(const ControlRef& tree) {
  return impl_->Ui([&] {
    auto* t = impl_->Widget<TreeBox>(tree);
    return t ? t->SelectedIndex() : -1;
  });
}

// ---- lists -------------------------------------------------------------------------

int QtHost::ListAppendRow(const ControlRef& list) {
  return impl_->Ui([&] {
    auto* l = impl_->Widget<ReportList>(list);
    if (!l) return -1;
    auto* item = new QTreeWidgetItem();
    l->addTopLevelItem(item);
    return l->topLevelItemCount() - 1;
  });
}

void QtHost::ListSetCell(const ControlRef& list, int row, int col, const std::string& text) {
  impl_->Ui([&] {
    auto* l = impl_->Widget<ReportList>(list);
    if (!l || row < 0 || row >= l->topLevelItemCount() || col < 0 || col >= l->columnCount())
      return;
    QTreeWidgetItem* item = l->topLevelItem(row);
    const QString t = Q(text);
    if (item->text(col) != t) item->setText(col, t);
  });
}

std::string QtHost::ListGetCell(const ControlRef& list, int row, int col) {
  return impl_->Ui([&]() -> std::string {
    auto* l = impl_->Widget<ReportList>(list);
    if (!l || row < 0 || row >= l->topLevelItemCount() || col < 0 || col >= l->columnCount())
      return {};
    return S(l->topLevelItem(row)->text(col));
  });
}

int QtHost::ListRowCount(const ControlRef& list) {
  return impl_->Ui([&] {
    auto* l = impl_->Widget<ReportList>(list);
    return l ? l->topLevelItemCount() : 0;
  });
}

void QtHost::ListDeleteRow(const ControlRef& list, int row) {
  impl_->Ui([&] {
    auto* l = impl_->Widget<ReportList>(list);
    if (!l || row < 0 || row >= l->topLevelItemCount()) return;
    delete l->takeTopLevelItem(row);
  });
}

void QtHost::ListClear(const ControlRef& list) {
  impl_->Ui([&] {
    auto* l = impl_->Widget<ReportList>(list);
    if (l && l->topLevelItemCount() > 0) l->clear();
  });
}

int QtHost::ListSelectedRow(const ControlRef& list) {
  return impl_->Ui([&] {
    auto* l = impl_->Widget<ReportList>(list);
    if (!l) return -1;
    int first = -1;
    for (QTreeWidgetItem* item : l->selectedItems()) {
      const int row = l->indexOfTopLevelItem(item);
      if (row >= 0 && (first < 0 || row < first)) first = row;
    }
    return first;
  });
}

int QtHost::ListFindRow(const ControlRef& list, const std::string& text, int start) {
  return impl_->Ui([&] {
    auto* l = impl_->Widget<ReportList>(list);
    if (!l) return -1;
    auto lower = [](char ch) {
      return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
    };
    for (int row = std::max(start, 0); row < l->topLevelItemCount(); ++row) {
      const std::string cell = S(l->topLevelItem(row)->text(0));
      if (cell.size() < text.size()) continue;
      bool match = true;
      for (std::size_t i = 0; i < text.size() && match; ++i)
        match = lower(cell[i]) == lower(text[i]);
      if (match) return row;
    }
    return -1;
  });
}

// ---- hints, boxes, tray, menus ---------------------------------------------------

void QtHost::AttachBalloonTip(const ControlRef& tip, const ControlRef& control,
                              const std::string& text) {
  impl_->Ui([&] {
    ControlRec* t = impl_->Ctl(tip);
    ControlRec* c = impl_->Ctl(control);
    if (!t || !c || !c->widget) return;
    if (t->tipFilter) {
      t->tipFilter->deleteLater();
      t->tipFilter = nullptr;
    }
    t->attachedTo = control.control;
    t->tipText = text;
    auto* filter = new TipFilter(c->widget, Q(text));
    c->widget->installEventFilter(filter);
    if (auto* view = qobject_cast<QAbstractScrollArea*>(c->widget.data()))
      view->viewport()->installEventFilter(filter);
    t->tipFilter = filter;
  });
}

void QtHost::ShowBalloonAt(const ControlRef& tip, int x, int y, const std::string& text) {
  impl_->Ui([&] {
    ControlRec* t = impl_->Ctl(tip);
    if (!t) return;
    if (!t->balloon) t->balloon = new BalloonPopup();
    t->tipText = text;
    t->balloon->ShowAt(QPoint(x, y), Q(text));
  });
}

int QtHost::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                       const std::string& title) {
  if (!impl_->OnUiThread()) {
    // A worker waits for the answer without holding the UI thread: the box
    // is an ordinary window there and every other window stays usable.
    auto answer = std::make_shared<std::promise<int>>();
    std::future<int> result = answer->get_future();
    QMetaObject::invokeMethod(
        impl_->dispatcher,
        [impl = impl_.get(), text, buttons, icon, title, answer] {
          QMessageBox* box = impl->MakeBox(text, buttons, icon, title);
          box->setAttribute(Qt::WA_DeleteOnClose);
          box->setWindowModality(Qt::NonModal);
          QObject::connect(box, &QMessageBox::finished, box,
                           [box, answer](int) { answer->set_value(Impl::BoxResult(box)); });
          box->show();
          box->raise();
          box->activateWindow();
        },
        Qt::QueuedConnection);
    return result.get();
  }
  // On the UI thread the caller is a handler waiting for the answer; the box
  // keeps the program's other windows from starting further handlers.
  std::unique_ptr<QMessageBox> box(impl_->MakeBox(text, buttons, icon, title));
  box->setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  QObject::connect(box.get(), &QMessageBox::finished, &loop, &QEventLoop::quit);
  box->show();
  box->raise();
  box->activateWindow();
  loop.exec();
  return Impl::BoxResult(box.get());
}

void QtHost::Impl::SetTrayUi(const std::string& window, Art icon, const std::string& tip) {
  if (icon == Art::None) {
    if (tray) tray->hide();
    trayArt = Art::None;
    trayTip.clear();
    trayWindow.clear();
    return;
  }
  if (!tray) {
    tray = new QSystemTrayIcon(dispatcher);
    QObject::connect(tray, &QSystemTrayIcon::activated, dispatcher,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                       auto w = Win(trayWindow);
                       if (reason == QSystemTrayIcon::DoubleClick)
                         Raise(w, "", Event::TrayDoubleClicked);
                       else if (reason == QSystemTrayIcon::Context)
                         Raise(w, "", Event::TrayRightClicked);
                     });
  }
  // The tip holds at most 62 GBK bytes, cut at a character boundary.
  const std::string gbk = common::Utf8ToGbk(tip);
  trayTip = common::GbkToUtf8(common::CutGbk(gbk, kTrayTipBytes));
  trayWindow = window;
  if (trayArt != icon) tray->setIcon(ArtIcon(icon));
  trayArt = icon;
  tray->setToolTip(Q(trayTip));
  if (!tray->isVisible()) tray->show();
}

void QtHost::SetTrayIcon(const std::string& window, Art icon, const std::string& tip) {
  impl_->Ui([&] { impl_->SetTrayUi(window, icon, tip); });
}

void QtHost::PopupMenu(const std::string& window, const std::string& menu) {
  impl_->Ui([&] {
    auto w = impl_->Win(window);
    if (!w) return;
    auto it = w->menus.find(menu);
    if (it == w->menus.end() || !it->second) return;
    it->second->popup(QCursor::pos() + QPoint(3, 3));
  });
}

void QtHost::PopupTrayMenu(const std::string& window, const std::string& menu) {
  impl_->Ui([&] {
    auto w = impl_->Win(window);
    if (!w) return;
    auto it = w->menus.find(menu);
    if (it == w->menus.end() || !it->second) return;
    if (w->widget && w->widget->isVisible()) {
      w->widget->raise();
      w->widget->activateWindow();
    }
    QMenu* m = it->second;
    const QSize size = m->sizeHint();
    const QPoint at = QCursor::pos() - QPoint(5, 5);
    m->popup(QPoint(at.x() - size.width(), at.y()));
  });
}

// ---- desktop -------------------------------------------------------------------------

void QtHost::StartThread(std::function<void()> routine) {
  try {
    std::thread(std::move(routine)).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the routine does not run, as a failed start
    // passes silently everywhere else.
  }
}

void QtHost::OpenUrl(const std::string& address) {
  impl_->Ui([&] {
    QUrl url(Q(address), QUrl::TolerantMode);
    if (url.scheme().isEmpty()) url = QUrl::fromUserInput(Q(address));
    QDesktopServices::openUrl(url);
  });
}

void QtHost::RunProgram(const std::string& path) {
  impl_->Ui([&] { QProcess::startDetached(Q(path), {}); });
}

void QtHost::ShellOpen(const std::string& path) {
  impl_->Ui([&] {
    const QString p = Q(path);
    if (p.contains(QStringLiteral("://")))
      QDesktopServices::openUrl(QUrl(p, QUrl::TolerantMode));
    else
      QDesktopServices::openUrl(QUrl::fromLocalFile(p));
  });
}

void QtHost::SetClipboardText(const std::string& text) {
  impl_->Ui([&] {
    // Plain ANSI text: what GBK cannot hold arrives as "?", as it would there.
    const std::string ansi = common::GbkToUtf8(common::Utf8ToGbk(text));
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(Q(ansi));
  });
}

int QtHost::ScreenWidth() {
  return impl_->Ui([] {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
  });
}

void QtHost::RunOnUiThread(std::function<void()> unit) {
  if (!unit) return;
  impl_->Ui([&] { unit(); });
}

void QtHost::WaitHandlingEvents(int ms) {
  if (!impl_->OnUiThread()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max(ms, 0)));
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(std::max(ms, 0), &loop, &QEventLoop::quit);
  loop.exec();
}

int QtHost::RunMessageLoop() {
  return impl_->Ui([&] {
    if (impl_->windows.empty()) return 0;
    impl_->mainLoopRunning = true;
    const int code = QApplication::exec();
    impl_->mainLoopRunning = false;
    return code;
  });
}

void QtHost::ExitProcess(int code) {
  // The clean-up has already run in the core; worker threads may still be
  // inside a fetch, so nothing is torn down here: the process ends at once.
  std::fflush(nullptr);
  std::_Exit(code);
}

// ---- test hook -------------------------------------------------------------------------

namespace {

std::string Rect4(const QRect& r) {
  std::ostringstream out;
  out << r.x() << "," << r.y() << "," << r.width() << "," << r.height();
  return out.str();
}

QRect ScreenRect(const QWidget* w, const QRect& local) {
  return QRect(w->mapToGlobal(local.topLeft()), local.size());
}

std::string OneLine(const QString& s) {
  QString t = s;
  t.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  t.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
  t.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
  return S(t);
}

}  // namespace

std::string QtHost::Impl::Dump() {
  std::ostringstream out;
  for (const auto& [name, w] : windows) {
    QWidget* ww = w->widget;
    if (!ww) continue;
    const QMargins m = FrameMargins(*w);
    out << "window " << name << " title=\"" << OneLine(ww->windowTitle())
        << "\" visible=" << ww->isVisible() << " state="
        << ((ww->windowState() & Qt::WindowMinimized)   ? 2
            : (ww->windowState() & Qt::WindowMaximized) ? 3
                                                        : 0)
        << " bounds=" << Rect4(QRect(ww->pos(), ww->size().grownBy(m)))
        << " client=" << Rect4(QRect(ww->mapToGlobal(QPoint(0, 0)), ww->size())) << "\n";
    for (const auto& def : w->def.controls) {
      auto it = w->controls.find(def.name);
      if (it == w->controls.end()) continue;
      const ControlRec& c = *it->second;
      out << "control " << name << "/" << def.name << " kind=" << KindName(def.kind);
      if (QWidget* cw = c.widget) {
        out << " visible=" << cw->isVisibleTo(ww) << " shown=" << cw->isVisible()
            << " enabled=" << cw->isEnabled() << " rect=" << Rect4(cw->geometry())
            << " screen=" << Rect4(ScreenRect(cw, cw->rect()));
        if (auto* label = qobject_cast<QLabel*>(cw))
          out << " text=\"" << OneLine(label->text()) << "\"";
        if (auto* edit = qobject_cast<QLineEdit*>(cw))
          out << " text=\"" << OneLine(edit->text()) << "\"";
        if (auto* button = qobject_cast<QPushButton*>(cw))
          out << " text=\"" << OneLine(button->text()) << "\"";
        if (auto* tab = qobject_cast<TabControl*>(cw)) out << " page=" << tab->current();
        if (qobject_cast<QProgressBar*>(cw) != nullptr)
          out << " max=" << c.progressMax << " pos=" << c.progressPos;
        if (auto* view = qobject_cast<QWebEngineView*>(cw))
          out << " url=\"" << S(view->url().toString()) << "\"";
        if (auto* tb = qobject_cast<ToolbarWidget*>(cw)) {
          out << " checked=" << tb->Checked();
          for (int i = 0; i < tb->count(); ++i) {
            QToolButton* b = tb->button(i);
            out << "\n  button " << i << " text=\"" << S(b->text())
                << "\" pressed=" << (b->isChecked() || b->isDown())
                << " screen=" << Rect4(ScreenRect(b, b->rect()));
          }
        }
        if (auto* tree = qobject_cast<TreeBox*>(cw)) {
          out << " selected=" << tree->SelectedIndex();
          const auto& items = tree->items();
          for (std::size_t i = 0; i < items.size(); ++i) {
            const QRect r = tree->visualItemRect(items[i]);
            out << "\n  item " << i << " text=\"" << S(items[i]->text(0))
                << "\" expanded=" << items[i]->isExpanded() << " screen="
                << (r.isValid() ? Rect4(ScreenRect(tree->viewport(), r)) : std::string("-"));
          }
        }
        if (auto* list = qobject_cast<ReportList*>(cw)) {
          out << " rows=" << list->topLevelItemCount();
          for (int row = 0; row < list->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = list->topLevelItem(row);
            out << "\n  row " << row << (item->isSelected() ? " selected" : "") << " |";
            for (int col = 0; col < list->columnCount(); ++col)
              out << OneLine(item->text(col)) << "|";
            const QRect r = list->visualItemRect(item);
            if (r.isValid()) out << " screen=" << Rect4(ScreenRect(list->viewport(), r));
          }
        }
      } else if (def.kind == ControlKind::Timer) {
        out << " period=" << (c.timer && c.timer->isActive() ? c.timerPeriod : 0);
      } else if (def.kind == ControlKind::BalloonTip) {
        out << " attached=" << c.attachedTo << " text=\"" << OneLine(Q(c.tipText))
            << "\" shown=" << (c.balloon && c.balloon->isVisible());
        if (c.balloon && c.balloon->isVisible()) out << " screen=" << Rect4(c.balloon->geometry());
      }
      out << "\n";
    }
    for (const auto& [mname, menu] : w->menus) {
      if (!menu) continue;
      out << "menu " << name << "/" << mname << " open=" << menu->isVisible();
      if (menu->isVisible()) out << " screen=" << Rect4(menu->geometry());
      out << "\n";
      for (QAction* a : menu->actions()) {
        out << "  item \"" << S(a->text()) << "\" enabled=" << a->isEnabled();
        if (menu->isVisible())
          out << " screen=" << Rect4(ScreenRect(menu, menu->actionGeometry(a)));
        out << "\n";
      }
    }
  }
  out << "tray available=" << QSystemTrayIcon::isSystemTrayAvailable()
      << " visible=" << (tray && tray->isVisible()) << " window=" << trayWindow << " tip=\""
      << OneLine(Q(trayTip)) << "\"";
  if (tray && tray->isVisible()) out << " screen=" << Rect4(tray->geometry());
  out << "\n";
  if (QToolTip::isVisible()) out << "tooltip text=\"" << OneLine(QToolTip::text()) << "\"\n";
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(top);
    if (!box || !box->isVisible()) continue;
    out << "messagebox title=\"" << OneLine(box->windowTitle()) << "\" text=\""
        << OneLine(box->text()) << "\"\n";
    for (QAbstractButton* b : box->buttons())
      out << "  button \"" << S(b->text()) << "\" screen=" << Rect4(ScreenRect(b, b->rect()))
          << "\n";
  }
  return out.str();
}

void QtHost::Impl::CheckDumpRequest() {
  // Named by process, so that programs started from the same folder (the
  // main program and the updater) each answer only their own requests.
  const QString dir = Q(common::RunDirectory());
  const QString pid = QString::number(QCoreApplication::applicationPid());
  const QString request = dir + QStringLiteral("/.rb-dump-request.") + pid;
  if (!QFile::exists(request)) return;
  QSaveFile file(dir + QStringLiteral("/.rb-dump.") + pid + QStringLiteral(".txt"));
  if (file.open(QIODevice::WriteOnly)) {
    const std::string text = Dump();
    file.write(text.data(), static_cast<qint64>(text.size()));
    file.commit();
  }
  QFile::remove(request);
}

std::string QtHost::DumpState() {
  return impl_->Ui([&] { return impl_->Dump(); });
}

}  // namespace host::qt
