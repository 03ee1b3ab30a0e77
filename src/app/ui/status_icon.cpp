#include "app/ui/status_icon.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// Resources of a static library are registered only when asked for. (Outside any namespace, as
// the resource initialiser is declared where this is called.)
static void registerAppResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(app);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

constexpr qreal kGrid = 18.0;
const int kIconSizes[] = {16, 18, 22, 24, 32, 36, 48, 64};

QImage transparentImage(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

QImage OVStatusIconArtwork(int pixels, const QString& resourcePath) {
    registerAppResources();
    QFile file(resourcePath);
    if (pixels <= 0 || !file.open(QIODevice::ReadOnly)) {
        return QImage();
    }
    QSvgRenderer renderer(file.readAll());
    if (!renderer.isValid()) {
        return QImage();
    }
    QImage image = transparentImage(pixels);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    return image;
}

QImage OVDrawnStatusIconImage(int pixels) {
    QImage image = transparentImage(qMax(pixels, 1));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(image.width() / kGrid, image.height() / kGrid);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0.72f, 0.14f, 0.82f, 1.0f));
    painter.drawEllipse(QRectF(2, 2, 14, 14));

    QPen ring(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.92f));
    ring.setWidthF(1.0);
    painter.setPen(ring);
    painter.setBrush(Qt::NoBrush);
    for (const qreal radius : {2.2, 4.4}) {
        painter.drawEllipse(QRectF(9 - radius, 9 - radius, 2 * radius, 2 * radius));
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(7.1, 7.1, 3.8, 3.8));
    return image;
}

QImage OVStatusIconImage(int pixels, const QString& resourcePath) {
    const QImage artwork = OVStatusIconArtwork(pixels, resourcePath);
    return artwork.isNull() ? OVDrawnStatusIconImage(pixels) : artwork;
}

QIcon OVStatusIcon(const QString& resourcePath) {
    QIcon icon;
    for (const int pixels : kIconSizes) {
        icon.addPixmap(QPixmap::fromImage(OVStatusIconImage(pixels, resourcePath)));
    }
    return icon;
}
