// kelvane-render-pictures: renders the program's drawings with the same SVG renderer the Linux
// build draws them with, for the Windows build, whose Qt has no SVG module.
//   kelvane-render-pictures picture SVG BASE [LOCALE]
//       BASE.png at the drawing's own size and BASE@2x.png at twice it, with the texts of
//       LOCALE's language (a drawing's <switch> picks by it; default: ru_RU)
//   kelvane-render-pictures icon SVG FILE.ico
//       the icon at the sizes Windows shows it, in one .ico file
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>
#include <cstdio>
#include <vector>

namespace {

constexpr const char *Usage = "usage: kelvane-render-pictures picture SVG BASE [LOCALE]\n"
                              "       kelvane-render-pictures icon SVG FILE.ico\n";

QImage render(QSvgRenderer &svg, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

bool fail(const QString &text)
{
    std::fprintf(stderr, "kelvane-render-pictures: %s\n", qPrintable(text));
    return false;
}

bool picture(const QString &file, const QString &base, const QString &locale)
{
    // The renderer settles each <switch> by the default locale as it reads the drawing.
    QLocale::setDefault(QLocale(locale));
    QSvgRenderer svg(file);
    if (!svg.isValid())
        return fail(QStringLiteral("cannot read %1").arg(file));
    const QSize size = svg.defaultSize();
    for (const int scale : {1, 2}) {
        const QString name = base + (scale == 1 ? QString() : QStringLiteral("@2x")) + ".png";
        if (!render(svg, size * scale).save(name))
            return fail(QStringLiteral("cannot write %1").arg(name));
    }
    return true;
}

void put16(QByteArray &bytes, quint16 value)
{
    value = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&value), 2);
}

void put32(QByteArray &bytes, quint32 value)
{
    value = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&value), 4);
}

// One icon image as Windows stores the small ones: a 32-bit bottom-up bitmap, its alpha the
// transparency, with the AND mask that bitmaps without alpha need.
QByteArray bitmapEntry(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int side = argb.width();
    const int maskRow = ((side + 31) / 32) * 4;
    QByteArray bytes;
    put32(bytes, 40); // BITMAPINFOHEADER
    put32(bytes, static_cast<quint32>(side));
    put32(bytes, static_cast<quint32>(side * 2)); // the colours and the mask
    put16(bytes, 1);
    put16(bytes, 32);
    for (int i = 0; i < 6; ++i)
        put32(bytes, 0); // no compression; sizes and colour counts unused
    for (int y = side - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < side; ++x)
            put32(bytes, row[x]); // BGRA in memory, as the bitmap wants it
    }
    for (int y = side - 1; y >= 0; --y) {
        QByteArray mask(maskRow, '\0');
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < side; ++x)
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = static_cast<char>(mask[x / 8] | (0x80 >> (x % 8)));
        bytes.append(mask);
    }
    return bytes;
}

// The large one as a PNG, as Windows wants it from 256 pixels on.
QByteArray pngEntry(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool icon(const QString &file, const QString &target)
{
    QSvgRenderer svg(file);
    if (!svg.isValid())
        return fail(QStringLiteral("cannot read %1").arg(file));
    const std::vector<int> sizes = {16, 20, 24, 32, 40, 48, 64, 256};
    std::vector<QByteArray> images;
    for (const int size : sizes) {
        const QImage image = render(svg, QSize(size, size));
        images.push_back(size < 256 ? bitmapEntry(image) : pngEntry(image));
    }
    QByteArray ico;
    put16(ico, 0);
    put16(ico, 1); // an icon
    put16(ico, static_cast<quint16>(sizes.size()));
    quint32 offset = static_cast<quint32>(6 + 16 * sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        ico.append(static_cast<char>(sizes[i] % 256)); // 0 stands for 256
        ico.append(static_cast<char>(sizes[i] % 256));
        ico.append('\0'); // no palette
        ico.append('\0');
        put16(ico, 1);
        put16(ico, 32);
        put32(ico, static_cast<quint32>(images[i].size()));
        put32(ico, offset);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray &image : images)
        ico.append(image);
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(ico) != ico.size())
        return fail(QStringLiteral("cannot write %1").arg(target));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // The build has no display; the renderer needs none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments().mid(1);
    bool done = false;
    if (args.size() >= 3 && args.size() <= 4 && args[0] == QStringLiteral("picture"))
        done = picture(args[1], args[2], args.value(3, QStringLiteral("ru_RU")));
    else if (args.size() == 3 && args[0] == QStringLiteral("icon"))
        done = icon(args[1], args[2]);
    else {
        std::fputs(Usage, stderr);
        return 2;
    }
    return done ? 0 : 1;
}
