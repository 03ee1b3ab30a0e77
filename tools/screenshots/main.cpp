// orvetta-screenshots <directory>: renders the program's windows offscreen into PNG files, for
// review. Each part adds its list of pictures to kScreenshotLists.

#include <QApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QWidget>
#include <cstdio>

#include "base/services.h"
#include "platform/assembled_platform.h"
#include "screenshots.h"
#include "settings/profiles.h"

namespace {

using ScreenshotList = QList<OVScreenshot> (*)();

const ScreenshotList kScreenshotLists[] = {
    OVKeyboardScreenshots,
    OVCompatibilityScreenshots,
    OVAppScreenshots,
};

}  // namespace

QImage OVScreenshotOfWindow(QWidget* window) {
    const int margin = 24;
    const QPixmap grabbed = window->grab();
    QImage image(grabbed.size() + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32);
    QPainter painter(&image);
    QLinearGradient background(0, 0, image.width(), image.height());
    background.setColorAt(0.0, QColor(0x4a, 0x5d, 0x78));
    background.setColorAt(1.0, QColor(0x8a, 0x9b, 0xb0));
    painter.fillRect(image.rect(), background);
    painter.drawPixmap(margin, margin, grabbed);
    return image;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvetta-screenshots <directory>\n");
        return 2;
    }
    const QDir directory(QString::fromLocal8Bit(argv[1]));
    if (!directory.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "orvetta-screenshots: cannot create %s\n", argv[1]);
        return 1;
    }

    // Fresh services: in-memory preferences with the registered defaults, virtual time, and a
    // platform without parts (rendering posts nothing).
    OVServicesGuard services;
    OVAssembledPlatform platform;
    services.setPlatform(&platform);
    OVRegisterDefaults();

    int failures = 0;
    for (ScreenshotList list : kScreenshotLists) {
        for (const OVScreenshot& shot : list()) {
            const QString path = directory.filePath(shot.name + QStringLiteral(".png"));
            const QImage image = shot.render();
            if (image.isNull() || !image.save(path)) {
                std::fprintf(stderr, "orvetta-screenshots: could not write %s\n", qPrintable(path));
                ++failures;
                continue;
            }
            std::printf("%s (%dx%d)\n", qPrintable(path), image.width(), image.height());
        }
    }
    return failures == 0 ? 0 : 1;
}
