#include "host/qt/widgets.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QWindow>

namespace host::qt {

QString PlainTip(const QString& text) {
  return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
         QStringLiteral("</p>");
}

// ---- WindowWidget ----------------------------------------------------------

WindowWidget::WindowWidget(WindowStyle style, Art background, QColor color)
    : QWidget(nullptr), style_(style), background_(background), color_(color) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, color);
  setPalette(palette);
  setAttribute(Qt::WA_OpaquePaintEvent, background != Art::None);
}

void WindowWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (background_ != Art::None) {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(rect(), Background(background_));
  } else {
    p.fillRect(rect(), color_);
  }
}

void WindowWidget::mousePressEvent(QMouseEvent* event) {
  if (style_ != WindowStyle::Frameless || event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  // Let a window manager move the window when it can (it then also snaps and
  // keeps it on screen); otherwise move it by hand.
  if (windowHandle() != nullptr && windowHandle()->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void WindowWidget::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - dragOffset_);
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void WindowWidget::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  // A window that draws its own caption ends only through its own buttons;
  // an ordinary window's close box destroys it.
  event->ignore();
  if (style_ != WindowStyle::Frameless && onCloseRequested) onCloseRequested();
}

void WindowWidget::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  const QPoint pos = frameGeometry().topLeft();
  if (placed_ && pos == lastPos_) return;
  const bool first = !placed_;
  placed_ = true;
  lastPos_ = pos;
  if (!first && onMoved) onMoved();
}

void WindowWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (lastSize_.isValid() && event->size() == lastSize_) return;
  const bool first = !lastSize_.isValid();
  lastSize_ = event->size();
  if (!first && onResized) onResized();
}

void WindowWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && onStateChanged) onStateChanged();
}

// ---- PictureButton ---------------------------------------------------------

PictureButton::PictureButton(Art art, QWidget* parent)
    : QAbstractButton(parent), looks_(PictureButtonLooks(art)) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::NoFocus);
}

void PictureButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPixmap* look = &looks_.normal;
  if (!isEnabled())
    look = &looks_.disabled;
  else if (isDown())
    look = &looks_.pressed;
  else if (underMouse())
    look = &looks_.hover;
  p.drawPixmap(0, 0, *look);
}

// ---- ToolbarWidget ---------------------------------------------------------

ToolbarWidget::ToolbarWidget(const std::vector<ToolbarButton>& buttons, int iconSize,
                             QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)) {
  group_->setExclusive(true);
  setStyleSheet(QStringLiteral(
      "QToolButton { color: white; background: transparent; border: 1px solid transparent;"
      " border-radius: 5px; padding: 1px; }"
      "QToolButton:hover { background: rgba(255,255,255,38); border-color: rgba(255,255,255,90); }"
      "QToolButton:pressed, QToolButton:checked { background: rgba(8,40,96,95);"
      " border-color: rgba(255,255,255,140); }"
      "QToolButton:disabled { color: rgba(255,255,255,110); }"));
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const ToolbarButton& def = buttons[i];
    auto* b = new QToolButton(this);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setIcon(ArtIcon(def.icon));
    b->setIconSize(QSize(iconSize, iconSize));
    b->setText(QString::fromStdString(def.text));
    b->setToolTip(PlainTip(QString::fromStdString(def.tooltip)));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    if (def.inCheckGroup) {
      b->setCheckable(true);
      group_->addButton(b, static_cast<int>(i));
    }
    const int index = static_cast<int>(i);
    // clicked comes after the check group has moved its pressed button.
    QObject::connect(b, &QToolButton::clicked, this, [this, index] {
      if (onClicked) onClicked(index);
    });
    buttons_.push_back(b);
    inGroup_.push_back(def.inCheckGroup);
  }
}

void ToolbarWidget::Check(int i) {
  if (i < 0 || i >= count() || !inGroup_[i]) return;
  if (!buttons_[i]->isChecked()) buttons_[i]->setChecked(true);
}

int ToolbarWidget::Checked() const { return group_->checkedId(); }

void ToolbarWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (buttons_.empty()) return;
  // Each button as wide as its icon or its text needs; what is left over is
  // shared out evenly, so that buttons with equal needs stay equal.
  const int n = count();
  std::vector<int> need(n);
  int total = 0;
  for (int i = 0; i < n; ++i) {
    QToolButton* b = buttons_[i];
    need[i] =
        std::max(b->iconSize().width() + 10, b->fontMetrics().horizontalAdvance(b->text()) + 14);
    total += need[i];
  }
  int x = 0;
  for (int i = 0; i < n; ++i) {
    int w = 0;
    if (total <= width()) {
      const int extra = width() - total;
      w = need[i] + extra / n + (i < extra % n ? 1 : 0);
    } else {
      w = need[i] * width() / total;  // too narrow for all: shrink alike
    }
    buttons_[i]->setGeometry(x, 0, w, height());
    x += w;
  }
}

// ---- TabControl ------------------------------------------------------------

TabControl::TabControl(int pages, QWidget* parent) : QWidget(parent) {
  for (int i = 0; i < std::max(pages, 1); ++i) {
    auto* page = new QWidget(this);
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, QColor(240, 244, 249));
    page->setPalette(palette);
    page->setVisible(i == 0);
    pages_.push_back(page);
  }
}

QRect TabControl::PageArea() const { return rect().adjusted(2, 4, -2, -2); }

void TabControl::Select(int i) {
  if (i < 0 || i >= count() || i == current_) return;
  pages_[i]->show();
  pages_[current_]->hide();
  current_ = i;
}

void TabControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(225, 234, 245));
  p.setPen(QColor(22, 62, 116));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  // Slim page markers along the top edge stand in for the tab strip.
  for (int i = 0; i < count(); ++i) {
    QRect marker(6 + i * 30, 1, 26, 2);
    p.fillRect(marker, i == current_ ? QColor(60, 130, 200) : QColor(170, 190, 215));
  }
}

void TabControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (QWidget* page : pages_) page->setGeometry(PageArea());
}

// ---- ReportList ------------------------------------------------------------

namespace {
// Rows as tall as a report list's rows usually are, not just the font's.
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), 19));
    return size;
  }
};
}  // namespace

ReportList::ReportList(const std::vector<ListColumn>& columns, QWidget* parent)
    : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setIndentation(0);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideRight);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setItemDelegate(new RowDelegate(this));
  setColumnCount(static_cast<int>(std::max<std::size_t>(columns.size(), 1)));
  QStringList titles;
  for (const auto& c : columns) titles << QString::fromStdString(c.title);
  setHeaderLabels(titles);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int col = static_cast<int>(i);
    if (columns[i].width <= 0) {
      // A hidden section cannot be dragged open: the data column stays unseen.
      setColumnHidden(col, true);
    } else {
      setColumnWidth(col, columns[i].width);
    }
  }
  QObject::connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint&) {
    if (onRightClicked) onRightClicked();
  });
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) != nullptr &&
      onActivated)
    onActivated();
}

void ReportList::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      !selectedItems().isEmpty()) {
    event->accept();
    if (onActivated) onActivated();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

// ---- TreeBox ---------------------------------------------------------------

TreeBox::TreeBox(const std::vector<TreeItem>& items, bool expanded, QWidget* parent)
    : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setIconSize(QSize(16, 16));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setExpandsOnDoubleClick(true);
  setIndentation(16);
  QTreeWidgetItem* group = nullptr;
  for (const TreeItem& def : items) {
    QTreeWidgetItem* item = nullptr;
    if (def.level >= 2 && group != nullptr) {
      item = new QTreeWidgetItem(group);
    } else {
      item = new QTreeWidgetItem(this);
      group = item;
    }
    item->setText(0, QString::fromStdString(def.text));
    if (def.icon != Art::None) item->setIcon(0, ArtIcon(def.icon));
    if (def.bold) {
      QFont f = font();
      f.setBold(true);
      item->setFont(0, f);
    }
    items_.push_back(item);
  }
  for (QTreeWidgetItem* item : items_)
    if (item->childCount() > 0) item->setExpanded(expanded);
}

int TreeBox::SelectedIndex() const {
  const auto selected = selectedItems();
  if (selected.isEmpty()) return -1;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == selected.front()) return static_cast<int>(i);
  return -1;
}

void TreeBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);  // selects; expands or collapses a group
  if (event->button() == Qt::LeftButton && onDoubleClicked) onDoubleClicked();
}

// ---- EditBox ---------------------------------------------------------------

int WindowsKeyCode(const QKeyEvent* event) {
  const int key = event->key();
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_Delete:
      return 46;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_End:
      return 35;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    default:
      break;
  }
  if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
    return key;  // the same codes as the Windows virtual keys
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
  return 0;
}

void EditBox::keyPressEvent(QKeyEvent* event) {
  const int code = WindowsKeyCode(event);
  QPointer<EditBox> self(this);
  if (onKey) onKey(code);
  if (self) QLineEdit::keyPressEvent(event);
}

// ---- Hyperlink -------------------------------------------------------------

Hyperlink::Hyperlink(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setCursor(Qt::PointingHandCursor);
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, QColor(0, 70, 200));
  setPalette(palette);
}

void Hyperlink::FitToText() {
  // A link is only useful when the whole address shows: it may reach past
  // its rectangle, up to the edge of its parent.
  const int need = fontMetrics().horizontalAdvance(text()) + 2;
  if (need <= width() || parentWidget() == nullptr) return;
  const int room = parentWidget()->width() - x() - 4;
  if (room > width()) resize(std::min(need, room), height());
}

void Hyperlink::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      onClicked)
    onClicked();
}

// ---- BalloonPopup ----------------------------------------------------------

namespace {
constexpr int kTail = 14;      // height of the tail
constexpr int kPad = 10;       // inner margin
constexpr int kMaxText = 300;  // widest text line
constexpr int kShowMs = 8000;
}  // namespace

BalloonPopup::BalloonPopup()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  hideTimer_.setSingleShot(true);
  QObject::connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

void BalloonPopup::ShowAt(QPoint point, const QString& text) {
  text_ = text;
  const QFontMetrics fm(font());
  const QRect textRect =
      fm.boundingRect(QRect(0, 0, kMaxText, 2000), Qt::TextWordWrap | Qt::AlignLeft, text_);
  const int w = std::max(textRect.width() + 2 * kPad, 60);
  const int h = textRect.height() + 2 * kPad + kTail;
  QRect screen(0, 0, 1280, 800);
  if (QScreen* s = QGuiApplication::screenAt(point))
    screen = s->geometry();
  else if (QScreen* s2 = QGuiApplication::primaryScreen())
    screen = s2->geometry();
  // Above the point with the tail pointing down, unless there is no room.
  tailUp_ = point.y() - h < screen.top();
  int left = point.x() - 24;
  left = std::clamp(left, screen.left(), std::max(screen.left(), screen.right() - w));
  tailX_ = std::clamp(point.x() - left, 12, w - 12);
  const int top = tailUp_ ? point.y() : point.y() - h;
  setGeometry(left, top, w, h);

  // A shaped window: rounded body plus tail, without needing a compositor.
  QPainterPath path;
  const QRectF body = tailUp_ ? QRectF(0, kTail, w, h - kTail) : QRectF(0, 0, w, h - kTail);
  path.addRoundedRect(body, 7, 7);
  QPolygonF tail;
  if (tailUp_) {
    tail << QPointF(tailX_, 0) << QPointF(tailX_ + 2, kTail + 1) << QPointF(tailX_ + 16, kTail + 1);
  } else {
    tail << QPointF(tailX_, h) << QPointF(tailX_ + 2, h - kTail - 1)
         << QPointF(tailX_ + 16, h - kTail - 1);
  }
  path.addPolygon(tail);
  path.setFillRule(Qt::WindingFill);
  setMask(QRegion(path.simplified().toFillPolygon().toPolygon()));
  show();
  raise();
  update();
  hideTimer_.start(kShowMs);
}

void BalloonPopup::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int w = width();
  const int h = height();
  QPainterPath path;
  const QRectF body = tailUp_ ? QRectF(0.5, kTail + 0.5, w - 1, h - kTail - 1)
                              : QRectF(0.5, 0.5, w - 1, h - kTail - 1);
  path.addRoundedRect(body, 7, 7);
  QPolygonF tail;
  if (tailUp_) {
    tail << QPointF(tailX_, 0.5) << QPointF(tailX_ + 2, kTail + 1)
         << QPointF(tailX_ + 16, kTail + 1);
  } else {
    tail << QPointF(tailX_, h - 0.5) << QPointF(tailX_ + 2, h - kTail - 1)
         << QPointF(tailX_ + 16, h - kTail - 1);
  }
  QPainterPath tailPath;
  tailPath.addPolygon(tail);
  path = path.united(tailPath);
  QLinearGradient fill(0, 0, 0, h);
  fill.setColorAt(0, QColor(255, 255, 250));
  fill.setColorAt(1, QColor(255, 250, 215));
  p.setBrush(fill);
  p.setPen(QPen(QColor(118, 118, 118), 1));
  p.drawPath(path);
  p.setPen(QColor(20, 20, 20));
  const QRect textRect = tailUp_ ? QRect(kPad, kTail + kPad, w - 2 * kPad, h - kTail - 2 * kPad)
                                 : QRect(kPad, kPad, w - 2 * kPad, h - kTail - 2 * kPad);
  p.drawText(textRect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, text_);
}

void BalloonPopup::mousePressEvent(QMouseEvent*) {
  hideTimer_.stop();
  hide();
}

// ---- BrowserPage -----------------------------------------------------------

QWebEnginePage* BrowserPage::createWindow(WebWindowType) {
  // A throw-away page: its first address goes to the default browser.
  auto* page = new QWebEnginePage(profile(), this);
  QObject::connect(page, &QWebEnginePage::urlChanged, page, [page](const QUrl& url) {
    if (url.isEmpty() || url.scheme() == QLatin1String("about")) return;
    QDesktopServices::openUrl(url);
    page->deleteLater();
  });
  return page;
}

}  // namespace host::qt
