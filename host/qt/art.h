// The binding's own artwork, by role: icons and the pointer come from the
// SVG files compiled into the library (art/), backgrounds and the caption
// buttons are drawn here.
#pragma once

#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QPixmap>

#include "host/layout.h"

namespace host::qt {

// One picture of a role at a size (transparent where the art has no paint).
QPixmap ArtPixmap(Art art, QSize size);
// The role as an icon with pictures at the common sizes (16 to 256).
QIcon ArtIcon(Art art);
// A window background at its design size (860 x 535), drawn once.
const QPixmap& Background(Art art);

struct ButtonLooks {
  QPixmap normal;
  QPixmap hover;
  QPixmap pressed;
  QPixmap disabled;
};
// The three looks of a caption picture button (30 x 18 pictures).
ButtonLooks PictureButtonLooks(Art art);

// A mouse pointer from art (ListPointer: 32 x 32, hot spot 6, 2).
QCursor ArtCursor(Art art);

// The program's face for a font description: "楷体" and its other names map
// to a Kai-style face, others to the default face; falls back to WenQuanYi
// Micro Hei, which holds every CJK character the program shows.
QFont FontFor(const Font& font, const QFont& base);
// The application's default face and size.
QFont DefaultFont();

}  // namespace host::qt
