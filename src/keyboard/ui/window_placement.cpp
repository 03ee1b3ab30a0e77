#include "keyboard/ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "keyboard/screen_geometry.h"

QScreen* OVPreferredWindowScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRectF> areas;
    areas.reserve(screens.size());
    for (const QScreen* screen : screens) {
        areas.append(QRectF(screen->availableGeometry()));
    }
    const std::optional<qsizetype> index = OVPreferredScreenIndex(areas);
    return index ? screens.at(*index) : QGuiApplication::primaryScreen();
}

void OVCenterWindowOnPreferredScreen(QWidget* window) {
    if (!window) {
        return;
    }
    const QScreen* screen = OVPreferredWindowScreen();
    if (!screen) {
        return;
    }
    window->move(OVCenteredWindowOrigin(QRectF(screen->availableGeometry()),
                                        QSizeF(window->frameGeometry().size())));
}
