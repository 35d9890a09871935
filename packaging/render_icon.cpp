// kelvane-render-icon SVG FOLDER SIZE...: renders the program's icon to FOLDER/SIZExSIZE.png for
// each size, with the same SVG renderer the program uses for its window icon, so the desktop's
// icon and the window's match. A build helper: the package installs the PNG files.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // The build has no display; the renderer needs none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: kelvane-render-icon SVG FOLDER SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "kelvane-render-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(folder);
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "kelvane-render-icon: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString file = QStringLiteral("%1/%2x%2.png").arg(folder).arg(size);
        if (!image.save(file)) {
            std::fprintf(stderr, "kelvane-render-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
