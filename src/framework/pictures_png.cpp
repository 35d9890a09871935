// The pictures of the Windows build, whose Qt has no SVG module: the build renders each drawing
// into PNG files at its own size (:/name) and at twice it (:/name@2x), with the same renderer the
// Linux build draws it with (tools/render_pictures), once with each language's texts (:/name_en
// for English).
#include "base/texts.h"
#include "framework/pictures.h"

#include <QPainter>

namespace kelvane {

void drawPicture(QPainter &painter, const QString &resource, QSize size, qreal ratio)
{
    // The sharper one on a high-density screen, drawn down to what the screen has.
    const QString drawing
        = resource + (textLanguage() == Language::English ? QStringLiteral("_en") : QString());
    const QPixmap drawn(ratio > 1.0 ? drawing + QStringLiteral("@2x") : drawing);
    if (drawn.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRectF(QPointF(0, 0), QSizeF(size)), drawn, QRectF(drawn.rect()));
}

} // namespace kelvane
