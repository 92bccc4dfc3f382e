#include "host/qt/art.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgRenderer>

namespace host::qt {
namespace {

const char* SvgFile(Art art) {
  switch (art) {
    case Art::ProgramIcon:
      return ":/rb/program.svg";
    case Art::ListPointer:
      return ":/rb/pointer.svg";
    case Art::ToolbarDownloadPage:
      return ":/rb/toolbar_download.svg";
    case Art::ToolbarHome:
      return ":/rb/toolbar_home.svg";
    case Art::ToolbarResources:
      return ":/rb/toolbar_resources.svg";
    case Art::ToolbarShare:
      return ":/rb/toolbar_share.svg";
    case Art::ToolbarFeedback:
      return ":/rb/toolbar_feedback.svg";
    case Art::ToolbarPromote:
      return ":/rb/toolbar_promote.svg";
    case Art::ToolbarSponsor:
      return ":/rb/toolbar_sponsor.svg";
    case Art::ToolbarVideo:
      return ":/rb/toolbar_video.svg";
    case Art::VideoToolbarMain:
      return ":/rb/video_main.svg";
    case Art::VideoToolbarRecruit:
      return ":/rb/video_recruit.svg";
    case Art::VideoToolbarSignIn:
      return ":/rb/video_signin.svg";
    case Art::VideoToolbarSponsor:
      return ":/rb/video_sponsor.svg";
    case Art::VideoToolbarForum:
      return ":/rb/video_forum.svg";
    case Art::TreeFolderArrow:
      return ":/rb/tree_folder_arrow.svg";
    case Art::TreeChart:
      return ":/rb/tree_chart.svg";
    case Art::TreeFolder:
      return ":/rb/tree_folder.svg";
    case Art::TreeMagnifier:
      return ":/rb/tree_magnifier.svg";
    case Art::TreeVideo:
      return ":/rb/tree_video.svg";
    default:
      return nullptr;
  }
}

QPixmap RenderSvg(const QString& file, QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(file);
  if (!renderer.isValid()) return pixmap;
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
  return pixmap;
}

// The blue surface with its fine diamond lattice, shared by both
// backgrounds, plus darker caption and status bands.
void PaintSurface(QPainter& p, QSize size) {
  QLinearGradient surface(0, 0, 0, size.height());
  surface.setColorAt(0.0, QColor(42, 104, 178));
  surface.setColorAt(0.45, QColor(60, 130, 200));
  surface.setColorAt(1.0, QColor(52, 118, 190));
  p.fillRect(QRect(QPoint(0, 0), size), surface);

  QRadialGradient glow(QPointF(size.width() * 0.82, size.height() * 0.08), size.width() * 0.45);
  glow.setColorAt(0.0, QColor(255, 255, 255, 46));
  glow.setColorAt(1.0, QColor(255, 255, 255, 0));
  p.fillRect(QRect(QPoint(0, 0), size), glow);

  // Two families of 45-degree lines 10 px apart make 10 x 10 diamonds; drawn
  // without antialiasing they stay crisp single pixels.
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor(255, 255, 255, 20), 1));
  const int w = size.width();
  const int h = size.height();
  for (int c = -h; c < w + h; c += 10) {
    p.drawLine(c, 0, c + h, h);
    p.drawLine(c, 0, c - h, h);
  }
  p.restore();

  QLinearGradient caption(0, 0, 0, 34);
  caption.setColorAt(0.0, QColor(12, 48, 100, 150));
  caption.setColorAt(1.0, QColor(12, 48, 100, 0));
  p.fillRect(QRect(0, 0, w, 34), caption);
  p.fillRect(QRect(0, 0, w, 1), QColor(255, 255, 255, 70));

  QLinearGradient status(0, h - 24, 0, h);
  status.setColorAt(0.0, QColor(12, 48, 100, 40));
  status.setColorAt(1.0, QColor(12, 48, 100, 120));
  p.fillRect(QRect(0, h - 24, w, 24), status);

  p.setPen(QColor(14, 52, 104));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRect(0, 0, w - 1, h - 1));
}

// White text fitted into `box` (largest size up to `maxPixels`), with a soft
// dark shadow so it reads on the lighter parts of the surface.
void PaintTitle(QPainter& p, const QString& text, QRect box, int maxPixels) {
  QFont font = DefaultFont();
  font.setBold(true);
  int px = maxPixels;
  for (; px > 10; --px) {
    font.setPixelSize(px);
    if (QFontMetrics(font).horizontalAdvance(text) <= box.width()) break;
  }
  font.setPixelSize(px);
  p.setFont(font);
  p.setPen(QColor(8, 40, 90, 110));
  p.drawText(box.translated(2, 2), Qt::AlignLeft | Qt::AlignVCenter, text);
  p.setPen(Qt::white);
  p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void PaintSubtitle(QPainter& p, const QString& text, QRect box) {
  QFont font = DefaultFont();
  font.setPixelSize(13);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  p.setFont(font);
  p.setPen(QColor(255, 255, 255, 200));
  p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
}

QPixmap DrawBackground(Art art) {
  const QSize size(860, 535);
  QPixmap pixmap(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  PaintSurface(p, size);
  if (art == Art::VideoBackground) {
    QSvgRenderer(QStringLiteral(":/rb/logo_box.svg")).render(&p, QRectF(606, 34, 62, 62));
    PaintTitle(p, QStringLiteral("教学系统"), QRect(680, 36, 166, 44), 40);
    PaintSubtitle(p, QStringLiteral("在线视频 · 随时学习"), QRect(682, 80, 166, 18));
  } else {
    QSvgRenderer(QStringLiteral(":/rb/logo.svg")).render(&p, QRectF(604, 32, 64, 64));
    PaintTitle(p, QStringLiteral("Kovrin宝盒"), QRect(676, 34, 172, 46), 38);
    PaintSubtitle(p, QStringLiteral("学习资源 · 一站下载"), QRect(678, 80, 170, 18));
  }
  return pixmap;
}

enum class Look { Normal, Hover, Pressed };

QPixmap DrawCaptionButton(Art art, Look look) {
  const QSize size(30, 18);
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);

  QColor top, bottom;
  if (art == Art::CloseButton && look != Look::Normal) {
    top = look == Look::Hover ? QColor(240, 96, 80) : QColor(196, 46, 34);
    bottom = look == Look::Hover ? QColor(200, 40, 28) : QColor(150, 28, 20);
  } else if (look == Look::Hover) {
    top = QColor(104, 168, 232);
    bottom = QColor(52, 118, 196);
  } else if (look == Look::Pressed) {
    top = QColor(28, 78, 146);
    bottom = QColor(40, 96, 168);
  } else {
    top = QColor(74, 140, 214);
    bottom = QColor(36, 94, 170);
  }
  QLinearGradient fill(0, 0, 0, size.height());
  fill.setColorAt(0, top);
  fill.setColorAt(1, bottom);
  QRectF frame(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
  p.setPen(QPen(QColor(255, 255, 255, 150), 1));
  p.setBrush(fill);
  p.drawRoundedRect(frame, 3, 3);

  p.setRenderHint(QPainter::Antialiasing, false);
  p.setBrush(Qt::NoBrush);
  const QPointF c(14.5, 9.0);  // the glyph centre of the 29 px wide button
  switch (art) {
    case Art::CloseButton: {
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(c.x() - 4, c.y() - 4), QPointF(c.x() + 4, c.y() + 4));
      p.drawLine(QPointF(c.x() + 4, c.y() - 4), QPointF(c.x() - 4, c.y() + 4));
      break;
    }
    case Art::MinimiseButton:
      p.fillRect(QRect(10, 11, 9, 2), Qt::white);
      break;
    case Art::MaximiseButton:
      p.setPen(QPen(Qt::white, 1));
      p.drawRect(QRect(10, 4, 9, 8));
      p.drawLine(10, 5, 19, 5);
      break;
    default:
      break;
  }
  return pixmap;
}

}  // namespace

QPixmap ArtPixmap(Art art, QSize size) {
  if (const char* file = SvgFile(art)) return RenderSvg(QString::fromLatin1(file), size);
  if (art == Art::MainBackground || art == Art::VideoBackground)
    return Background(art).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (art == Art::CloseButton || art == Art::MinimiseButton || art == Art::MaximiseButton)
    return DrawCaptionButton(art, Look::Normal).scaled(size);
  QPixmap empty(size);
  empty.fill(Qt::transparent);
  return empty;
}

QIcon ArtIcon(Art art) {
  static QHash<int, QIcon> cache;
  auto it = cache.find(static_cast<int>(art));
  if (it != cache.end()) return *it;
  QIcon icon;
  if (art != Art::None) {
    for (int s : {16, 20, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ArtPixmap(art, QSize(s, s)));
  }
  cache.insert(static_cast<int>(art), icon);
  return icon;
}

const QPixmap& Background(Art art) {
  static QHash<int, QPixmap> cache;
  auto it = cache.find(static_cast<int>(art));
  if (it == cache.end()) it = cache.insert(static_cast<int>(art), DrawBackground(art));
  return *it;
}

ButtonLooks PictureButtonLooks(Art art) {
  ButtonLooks looks;
  looks.normal = DrawCaptionButton(art, Look::Normal);
  looks.hover = DrawCaptionButton(art, Look::Hover);
  looks.pressed = DrawCaptionButton(art, Look::Pressed);
  looks.disabled = looks.normal;  // the disabled maximise button keeps its glyph
  return looks;
}

QCursor ArtCursor(Art art) {
  if (art == Art::ListPointer) return QCursor(ArtPixmap(Art::ListPointer, QSize(32, 32)), 6, 2);
  return QCursor(Qt::ArrowCursor);
}

QFont DefaultFont() {
  QFont font;
  font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(12);
  return font;
}

QFont FontFor(const Font& desc, const QFont& base) {
  QFont font = base;
  const std::string& face = desc.face;
  if (face == "楷体" || face == "楷体_GB2312" || face == "KaiTi" || face == "KaiTi_GB2312") {
    font.setFamilies({QStringLiteral("AR PL UKai CN"), QStringLiteral("WenQuanYi Micro Hei")});
  } else if (!face.empty() && face != "宋体") {
    font.setFamilies({QString::fromStdString(face), QStringLiteral("WenQuanYi Micro Hei")});
  }
  if (desc.pixelHeight > 0) font.setPixelSize(desc.pixelHeight);
  if (desc.bold) font.setBold(true);
  return font;
}

}  // namespace host::qt
