#include "frame/toolbaricons.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>

namespace {
// The colour our icons draw their lines in; their accents keep their own colours.
constexpr const char* kInk = "#2e3b48";
} // namespace

QIcon ToolbarIcon(const QString& name, const QColor& ink) {
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    QFile file(QStringLiteral(":/icons/%1.svg").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return QIcon();
    QByteArray svg = file.readAll();
    svg.replace(kInk, ink.name().toLatin1());
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QBuffer buffer(&svg);
        QImageReader reader(&buffer, "svg");
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
