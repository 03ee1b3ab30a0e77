#include "platform/linux/pointer_space.h"

#include <QGuiApplication>
#include <cmath>

#include "platform/linux/input_translation.h"
#include "platform/linux/x11_connection.h"

OVPointerSpace OVSessionPointerSpace() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
                   ? OVPointerSpace::Logical
                   : OVPointerSpace::DevicePixels;
    }
    return OVIsX11Session() ? OVPointerSpace::DevicePixels : OVPointerSpace::Logical;
}

QRect OVPointerArea(const QList<OVDisplayInfo>& displays, OVPointerSpace space) {
    QRect area;
    if (space == OVPointerSpace::DevicePixels) {
        area = OVDevicePixelBounds(displays);
    } else {
        for (const OVDisplayInfo& display : displays) {
            area = area.united(display.bounds.toAlignedRect());
        }
    }
    return area.isEmpty() ? QRect(0, 0, 1, 1) : area;
}

QPoint OVPointerPosition(QPointF at, const QList<OVDisplayInfo>& displays, OVPointerSpace space) {
    if (space == OVPointerSpace::DevicePixels) {
        return OVDevicePixelPoint(at, displays);
    }
    return QPoint(int(std::floor(at.x())), int(std::floor(at.y())));
}
