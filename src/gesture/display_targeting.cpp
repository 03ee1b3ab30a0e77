#include "gesture/display_targeting.h"

#include <QVariantMap>
#include <algorithm>
#include <vector>

#include "base/preferences.h"
#include "base/services.h"
#include "platform/platform.h"

namespace {

OVDisplayServices& displayServices() {
    return OVCurrentPlatform().displayServices();
}

QList<std::uint32_t> withoutDisplay(const QList<std::uint32_t>& ids, std::uint32_t excluded) {
    QList<std::uint32_t> rest;
    for (std::uint32_t id : ids) {
        if (id != excluded) {
            rest << id;
        }
    }
    return rest;
}

}  // namespace

std::uint32_t OVMainDisplayID() {
    return displayServices().mainDisplayID();
}

QRectF OVDisplayBounds(std::uint32_t displayID) {
    for (const OVDisplayInfo& display : displayServices().activeDisplays()) {
        if (display.displayID == displayID) {
            return display.bounds;
        }
    }
    return QRectF();
}

int OVActiveDisplays(OVDisplayIDBuffer& buffer) {
    const QList<OVDisplayInfo> displays = displayServices().activeDisplays();
    const int count = std::min<int>(static_cast<int>(displays.size()), OVMaxActiveDisplays);
    if (count == 0) {
        buffer[0] = OVMainDisplayID();
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        buffer[static_cast<size_t>(i)] = displays[i].displayID;
    }
    return count;
}

QList<std::uint32_t> OVSortedActiveDisplayIDs() {
    OVDisplayIDBuffer buffer{};
    const int count = OVActiveDisplays(buffer);
    struct Entry {
        std::uint32_t id;
        QRectF bounds;
    };
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::uint32_t id = buffer[static_cast<size_t>(i)];
        entries.push_back({id, OVDisplayBounds(id)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.bounds.x() != b.bounds.x()) {
            return a.bounds.x() < b.bounds.x();
        }
        if (a.bounds.y() != b.bounds.y()) {
            return a.bounds.y() < b.bounds.y();
        }
        return a.id < b.id;
    });
    QList<std::uint32_t> ids;
    ids.reserve(count);
    for (const Entry& entry : entries) {
        ids << entry.id;
    }
    return ids;
}

QVariantList OVDisplaySelectionOptions() {
    auto option = [](const QString& title, const QString& value) {
        return QVariantMap{{QStringLiteral("title"), title}, {QStringLiteral("value"), value}};
    };
    QVariantList options{option(QStringLiteral("Auto"), QStringLiteral("auto")),
                         option(QStringLiteral("Primary display"), QStringLiteral("primary"))};
    OVDisplayIDBuffer buffer{};
    if (OVActiveDisplays(buffer) > 1) {
        options << option(QStringLiteral("Secondary display"), QStringLiteral("secondary"));
    }
    return options;
}

QString OVCurrentDisplaySelection() {
    const QString stored = OVStandardPreferences().stringForKey(QStringLiteral("displaySelection"));
    return stored.isEmpty() ? QStringLiteral("auto") : stored;
}

std::uint32_t OVLargestDisplayFromIDs(const QList<std::uint32_t>& candidates) {
    std::uint32_t best = candidates.isEmpty() ? OVMainDisplayID() : candidates.first();
    double bestArea = -1.0;
    for (std::uint32_t id : candidates) {
        const QRectF bounds = OVDisplayBounds(id);
        const double area = bounds.width() * bounds.height();
        if (area > bestArea) {
            best = id;
            bestArea = area;
        }
    }
    return best;
}

std::uint32_t OVAutoTargetDisplayID() {
    const QList<std::uint32_t> sorted = OVSortedActiveDisplayIDs();
    if (sorted.isEmpty()) {
        return OVMainDisplayID();
    }
    const QList<std::uint32_t> others = withoutDisplay(sorted, OVMainDisplayID());
    return OVLargestDisplayFromIDs(others.isEmpty() ? sorted : others);
}

std::uint32_t OVSelectedTargetDisplayID() {
    const QString selection = OVCurrentDisplaySelection();
    const QList<std::uint32_t> sorted = OVSortedActiveDisplayIDs();
    if (sorted.isEmpty() || selection == QLatin1String("auto")) {
        return OVAutoTargetDisplayID();
    }
    const std::uint32_t mainID = OVMainDisplayID();
    if (selection == QLatin1String("primary")) {
        return mainID;
    }
    const QList<std::uint32_t> others = withoutDisplay(sorted, mainID);
    if (selection == QLatin1String("secondary")) {
        return others.isEmpty() ? mainID : others.first();
    }
    const QLatin1String prefix("display:");
    if (selection.startsWith(prefix)) {
        bool ok = false;
        const qulonglong wanted = selection.mid(prefix.size()).toULongLong(&ok, 10);
        if (ok && wanted <= 0xFFFFFFFFull && sorted.contains(static_cast<std::uint32_t>(wanted))) {
            return static_cast<std::uint32_t>(wanted);
        }
    }
    return OVAutoTargetDisplayID();
}

QRectF OVTargetDisplayBounds() {
    return OVDisplayBounds(OVSelectedTargetDisplayID());
}
