#include "platform/sim/sim_display_services.h"

#include <QRegularExpression>
#include <cmath>

std::uint32_t OVSimDisplayServices::mainDisplayID() const {
    for (const OVDisplayInfo& display : _displays) {
        if (display.isMain) {
            return display.displayID;
        }
    }
    return _displays.isEmpty() ? 1u : _displays.first().displayID;
}

void OVSimDisplayServices::reconfigure(std::uint32_t displayID, std::uint32_t flags) {
    if (_callback) {
        _callback(displayID, flags);
    }
}

OVDisplayInfo OVSimDisplayServices::makeDisplay(std::uint32_t displayID, QRectF bounds, bool isMain,
                                                double pixelScale) {
    OVDisplayInfo display;
    display.displayID = displayID;
    display.name = QStringLiteral("Sim display %1").arg(displayID);
    display.bounds = bounds;
    display.pixelSize = QSize(static_cast<int>(std::lround(bounds.width() * pixelScale)),
                              static_cast<int>(std::lround(bounds.height() * pixelScale)));
    display.isMain = isMain;
    return display;
}

std::optional<QSize> OVParseDisplaySize(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,6})[xX]([0-9]{1,6})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    if (width < 1 || height < 1) {
        return std::nullopt;
    }
    return QSize(width, height);
}
