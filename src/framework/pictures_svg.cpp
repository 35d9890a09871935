#include "base/texts.h"
#include "framework/pictures.h"

#include <QLocale>
#include <QPainter>
#include <QSvgRenderer>

namespace kelvane {

void drawPicture(QPainter &painter, const QString &resource, QSize size, qreal)
{
    // QtSvg settles each <switch> by the default locale as it reads the drawing; for that moment
    // it is the interface's, whatever the system's is.
    const QLocale before;
    QLocale::setDefault(textLanguage() == Language::English
            ? QLocale(QLocale::English, QLocale::UnitedStates)
            : QLocale(QLocale::Russian, QLocale::Russia));
    QSvgRenderer renderer(resource);
    QLocale::setDefault(before);
    if (renderer.isValid())
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
}

} // namespace kelvane
