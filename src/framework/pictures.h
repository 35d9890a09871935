// The program's pictures are vector drawings; they are rendered at the size they are shown,
// sharp on high-density screens too.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

namespace kelvane {

// The drawing `resource` (an SVG) rendered to `size` logical pixels; an empty pixmap of that
// size when the drawing cannot be read.
QPixmap renderPicture(const QString &resource, QSize size);

} // namespace kelvane
