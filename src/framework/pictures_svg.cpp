#include "framework/pictures.h"

#include "base/texts.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QSvgRenderer>

namespace kelvane {

QPixmap renderPicture(const QString &resource, QSize size)
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    // QtSvg settles each <switch> by the default locale as it reads the drawing; for that moment
    // it is the interface's, whatever the system's is.
    const QLocale before;
    QLocale::setDefault(textLanguage() == Language::English
            ? QLocale(QLocale::English, QLocale::UnitedStates)
            : QLocale(QLocale::Russian, QLocale::Russia));
    QSvgRenderer renderer(resource);
    QLocale::setDefault(before);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return pixmap;
}

} // namespace kelvane
