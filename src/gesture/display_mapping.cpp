// Mapping raw contact coordinates onto the target display.

#include <algorithm>

#include "gesture/display_targeting.h"
#include "gesture/gesture_constants.h"
#include "hid/touch_bridge.h"

namespace {

// The span of a logical range in 32-bit arithmetic (wrapping as the device's own integers
// would); a range whose maximum is not above its minimum spans 1.
std::int32_t logicalSpan(std::int32_t minimum, std::int32_t maximum) {
    const auto span = static_cast<std::int32_t>(static_cast<std::int64_t>(maximum) -
                                                static_cast<std::int64_t>(minimum));
    return span < 1 ? 1 : span;
}

double fractionWithin(std::uint32_t value, std::int32_t minimum, std::int32_t maximum) {
    const double fraction = (static_cast<double>(value) - static_cast<double>(minimum)) /
                            static_cast<double>(logicalSpan(minimum, maximum));
    return std::clamp(fraction, 0.0, 1.0);
}

}  // namespace

QRectF OVTouchBridge::targetDisplayBounds() const {
    return OVTargetDisplayBounds();
}

QPointF OVTouchBridge::mapRawX(std::uint32_t x, std::uint32_t y, std::int32_t xMinimum,
                               std::int32_t xMaximum, std::int32_t yMinimum,
                               std::int32_t yMaximum) const {
    const double fx = fractionWithin(x, xMinimum, xMaximum);
    const double fy = fractionWithin(y, yMinimum, yMaximum);
    return {_bounds.x() + fx * _bounds.width(), _bounds.y() + fy * _bounds.height()};
}

QPointF OVTouchBridge::mapRawX(std::uint32_t x, std::uint32_t y) const {
    return mapRawX(x, y, 0, OVDefaultRawXMaximum, 0, OVDefaultRawYMaximum);
}

QPointF OVTouchBridge::mapContact(const OVTouchContact& contact) const {
    return mapRawX(contact.x, contact.y, contact.xMinimum, contact.xMaximum, contact.yMinimum,
                   contact.yMaximum);
}
