#include "framework/pictures.h"

#include <QGuiApplication>
#include <QPainter>

namespace kelvane {

QPixmap renderPicture(const QString &resource, QSize size)
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawPicture(painter, resource, size, ratio);
    painter.end();
    return pixmap;
}

} // namespace kelvane
