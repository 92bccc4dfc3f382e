// The widgets behind the window services' control kinds. They report what
// the user does through plain callbacks; QtHost turns those into events.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWidget>
#include <functional>
#include <vector>

#include "host/layout.h"
#include "host/qt/art.h"

class QButtonGroup;

namespace host::qt {

// A plain text as tooltip markup, so that texts are never taken as rich text.
QString PlainTip(const QString& text);

// A top-level window. Frameless windows paint their background art over the
// whole client area and move when dragged by the background.
class WindowWidget : public QWidget {
  Q_OBJECT

 public:
  WindowWidget(WindowStyle style, Art background, QColor color);

  WindowStyle style() const { return style_; }

  std::function<void()> onMoved;           // the frame's place changed
  std::function<void()> onResized;         // the size changed
  std::function<void()> onStateChanged;    // minimised, maximised, restored
  std::function<void()> onCloseRequested;  // the system's close command

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  WindowStyle style_;
  Art background_;
  QColor color_;
  bool dragging_ = false;
  QPoint dragOffset_;
  QPoint lastPos_;
  QSize lastSize_;
  bool placed_ = false;
};

// A caption button drawn from three looks (normal, mouse over, pressed).
class PictureButton : public QAbstractButton {
  Q_OBJECT

 public:
  PictureButton(Art art, QWidget* parent);
  QSize sizeHint() const override { return QSize(29, 18); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ButtonLooks looks_;
};

// Buttons with a large icon above their text, side by side; the buttons of
// the check group are exclusive.
class ToolbarWidget : public QWidget {
  Q_OBJECT

 public:
  ToolbarWidget(const std::vector<ToolbarButton>& buttons, int iconSize, QWidget* parent);
  int count() const { return static_cast<int>(buttons_.size()); }
  QToolButton* button(int i) const { return buttons_[i]; }
  bool inCheckGroup(int i) const { return inGroup_[i]; }
  void Check(int i);
  int Checked() const;

  std::function<void(int)> onClicked;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::vector<QToolButton*> buttons_;
  std::vector<bool> inGroup_;
  QButtonGroup* group_;
};

// A tab control whose page area keeps nearly its whole rectangle: the
// program switches pages itself, so no tab strip takes room.
class TabControl : public QWidget {
  Q_OBJECT

 public:
  TabControl(int pages, QWidget* parent);
  QWidget* page(int i) const { return pages_[i]; }
  int count() const { return static_cast<int>(pages_.size()); }
  int current() const { return current_; }
  void Select(int i);
  QRect PageArea() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::vector<QWidget*> pages_;
  int current_ = 0;
};

// A report-style list: header, full-row selection, rows activated by
// double-click or Enter.
class ReportList : public QTreeWidget {
  Q_OBJECT

 public:
  ReportList(const std::vector<ListColumn>& columns, QWidget* parent);

  std::function<void()> onActivated;
  std::function<void()> onRightClicked;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// A tree of fixed items; `items` holds them in pre-order.
class TreeBox : public QTreeWidget {
  Q_OBJECT

 public:
  TreeBox(const std::vector<TreeItem>& items, bool expanded, QWidget* parent);
  int SelectedIndex() const;
  const std::vector<QTreeWidgetItem*>& items() const { return items_; }

  std::function<void()> onDoubleClicked;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::vector<QTreeWidgetItem*> items_;
};

// A one-line edit box that reports every key with its Windows key code.
class EditBox : public QLineEdit {
  Q_OBJECT

 public:
  explicit EditBox(QWidget* parent) : QLineEdit(parent) {}
  std::function<void(int)> onKey;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// An underlined caption that opens its address when clicked.
class Hyperlink : public QLabel {
  Q_OBJECT

 public:
  explicit Hyperlink(QWidget* parent);
  void FitToText();
  std::function<void()> onClicked;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A balloon-shaped popup whose tail points at a screen point; it hides by
// itself after a while or when clicked.
class BalloonPopup : public QWidget {
  Q_OBJECT

 public:
  BalloonPopup();
  void ShowAt(QPoint point, const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString text_;
  bool tailUp_ = false;
  int tailX_ = 0;
  QTimer hideTimer_;
};

// Web pages that ask for a new window (links with a target) open in the
// user's default browser instead of nowhere.
class BrowserPage : public QWebEnginePage {
  Q_OBJECT

 public:
  using QWebEnginePage::QWebEnginePage;

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;
};

// Windows key code of a Qt key event (Enter 13, Escape 27, letters and
// digits their upper-case ASCII codes, ...); 0 for keys without one.
int WindowsKeyCode(const QKeyEvent* event);

}  // namespace host::qt
