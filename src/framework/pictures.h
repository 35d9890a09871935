// The program's pictures are vector drawings; they are rendered at the size they are shown,
// sharp on high-density screens too. A drawing with texts carries them in both languages: each
// Russian text, the program's own, follows an English one in an SVG <switch>, whose child with
// systemLanguage="en" is drawn for an English interface.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

class QPainter;

namespace kelvane {

// The drawing `resource` (an SVG) rendered to `size` logical pixels, with its texts in the
// language of the texts (textLanguage()); an empty pixmap of that size when the drawing cannot
// be read. Main thread only.
QPixmap renderPicture(const QString &resource, QSize size);

// The drawing itself onto `painter`'s transparent pixmap of `size` logical pixels at `ratio`
// device pixels each: one source per platform (an SVG here, the PNGs rendered from it there).
void drawPicture(QPainter &painter, const QString &resource, QSize size, qreal ratio);

} // namespace kelvane
