#include "keyboard/screen_geometry.h"

#include <cmath>

std::optional<qsizetype> OVPreferredScreenIndex(const QList<QRectF>& availableAreas) {
    std::optional<qsizetype> best;
    double bestArea = 0.0;
    for (qsizetype i = 0; i < availableAreas.size(); ++i) {
        const QRectF& area = availableAreas.at(i);
        const double size = area.width() * area.height();
        if (!best || size > bestArea) {
            best = i;
            bestArea = size;
        }
    }
    return best;
}

QPoint OVCenteredWindowOrigin(const QRectF& availableArea, const QSizeF& windowSize) {
    const double x = availableArea.x() + availableArea.width() / 2 - windowSize.width() / 2;
    const double y = availableArea.y() + availableArea.height() / 2 - windowSize.height() / 2;
    return QPoint(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}
