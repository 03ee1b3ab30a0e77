#include "platform/linux/desktop_settings.h"

#include <QGuiApplication>
#include <QStyleHints>

#include "platform/linux/input_translation.h"

namespace {

constexpr double kFallbackDoubleClickInterval = 0.5;
constexpr double kLargestWheelUnitsPerPixel = 120.0;  // a detent for every pixel

}  // namespace

double OVDesktopDoubleClickInterval() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return kFallbackDoubleClickInterval;
    }
    const int milliseconds = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    return milliseconds > 0 ? milliseconds / 1000.0 : kFallbackDoubleClickInterval;
}

double OVWheelUnitsPerPixelFromText(const QByteArray& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !(value > 0.0) || value > kLargestWheelUnitsPerPixel) {
        return OVDefaultWheelUnitsPerPixel;
    }
    return value;
}

double OVWheelUnitsPerPixelSetting() {
    return OVWheelUnitsPerPixelFromText(qgetenv("ORVETTA_WHEEL_UNITS_PER_PIXEL"));
}
