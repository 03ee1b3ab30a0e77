#include "keyboard/ui/keyboard_icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

// Resources of a static library are registered only when asked for. (Outside any namespace, as
// the resource initialiser is declared where this is called.)
static void registerIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(keyboard_icons);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

constexpr qreal kIconScale = 3.0;

QHash<QString, QImage>& iconCache() {
    static QHash<QString, QImage> cache;
    return cache;
}

std::optional<QImage> loadTemplateImage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QSvgRenderer renderer(file.readAll());
    if (!renderer.isValid()) {
        return std::nullopt;
    }
    const int pixels = static_cast<int>(OVKeyboardIconSize * kIconScale);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    image.setDevicePixelRatio(kIconScale);
    return image;
}

}  // namespace

std::optional<QImage> OVKeyboardIconNamed(const QString& name, const QString& directory) {
    if (name.isEmpty()) {
        return std::nullopt;
    }
    registerIconResources();
    const QString path = directory + QLatin1Char('/') + name + QStringLiteral(".svg");
    QHash<QString, QImage>& cache = iconCache();
    if (const auto cached = cache.constFind(path); cached != cache.constEnd()) {
        return *cached;
    }
    std::optional<QImage> image = loadTemplateImage(path);
    if (image) {
        cache.insert(path, *image);
    }
    return image;
}

QImage OVTintedKeyboardIcon(const QImage& templateImage, const QColor& tint) {
    QImage tinted = templateImage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&tinted);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), tinted.deviceIndependentSize()), tint);
    return tinted;
}
