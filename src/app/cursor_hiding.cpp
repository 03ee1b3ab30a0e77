#include "app/cursor_hiding.h"

#include <algorithm>

#include "platform/display_services.h"

namespace {

constexpr int kMaximumDisplays = 32;
constexpr int kShowsPerDisplay = 8;

int activeDisplayCount(const OVDisplayServices& displays) {
    const auto count = static_cast<int>(displays.activeDisplays().size());
    return std::clamp(count, 1, kMaximumDisplays);
}

}  // namespace

void OVHideCursorOnActiveDisplays(OVDisplayServices& displays) {
    const int count = activeDisplayCount(displays);
    for (int display = 0; display < count; ++display) {
        displays.hideCursor();
    }
}

void OVShowCursorOnActiveDisplays(OVDisplayServices& displays) {
    const int count = activeDisplayCount(displays);
    for (int display = 0; display < count * kShowsPerDisplay; ++display) {
        displays.showCursor();
    }
}
