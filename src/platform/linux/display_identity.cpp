#include "platform/linux/display_identity.h"

#include <QHash>
#include <cmath>

#include "platform/linux/hid_device_properties.h"

namespace {

QString edidIdentity(const OVScreenDescription& screen) {
    if (screen.manufacturer.isEmpty() && screen.model.isEmpty() && screen.serialNumber.isEmpty()) {
        return QString();
    }
    return QStringList{screen.manufacturer, screen.model, screen.serialNumber}.join(
        QLatin1Char('|'));
}

std::uint32_t nonZero(std::uint32_t id) {
    return id == 0 ? 1 : id;
}

QRectF unionOf(const QList<OVDisplayInfo>& displays) {
    QRectF united;
    for (const OVDisplayInfo& display : displays) {
        united = united.united(display.bounds);
    }
    return united;
}

const OVDisplayInfo* findDisplay(const QList<OVDisplayInfo>& displays, std::uint32_t id) {
    for (const OVDisplayInfo& display : displays) {
        if (display.displayID == id) {
            return &display;
        }
    }
    return nullptr;
}

}  // namespace

std::uint32_t OVDisplayIDForScreen(const OVScreenDescription& screen) {
    const QString identity = edidIdentity(screen);
    const QString key = identity.isEmpty() ? QStringLiteral("output|") + screen.name
                                           : QStringLiteral("edid|") + identity;
    return nonZero(OVStableHash32(key.toUtf8()));
}

QList<OVDisplayInfo> OVDisplayInfosForScreens(const QList<OVScreenDescription>& screens) {
    QHash<QString, int> identityCount;
    for (const OVScreenDescription& screen : screens) {
        const QString identity = edidIdentity(screen);
        if (!identity.isEmpty()) {
            ++identityCount[identity];
        }
    }
    QList<OVDisplayInfo> displays;
    for (const OVScreenDescription& screen : screens) {
        OVDisplayInfo display;
        const QString identity = edidIdentity(screen);
        if (!identity.isEmpty() && identityCount.value(identity) > 1) {
            display.displayID = nonZero(OVStableHash32(
                (QStringLiteral("edid|") + identity + QStringLiteral("|") + screen.name).toUtf8()));
        } else {
            display.displayID = OVDisplayIDForScreen(screen);
        }
        display.name = !screen.model.isEmpty() ? screen.model : screen.name;
        display.bounds = QRectF(screen.geometry);
        display.pixelSize =
            QSize(int(std::lround(screen.geometry.width() * screen.devicePixelRatio)),
                  int(std::lround(screen.geometry.height() * screen.devicePixelRatio)));
        display.isMain = screen.primary;
        if (display.isMain) {
            displays.prepend(display);
        } else {
            displays.append(display);
        }
    }
    return displays;
}

QList<QPair<std::uint32_t, std::uint32_t>> OVDisplayChanges(const QList<OVDisplayInfo>& before,
                                                            const QList<OVDisplayInfo>& after) {
    const bool shapeChanged = unionOf(before) != unionOf(after);
    QList<QPair<std::uint32_t, std::uint32_t>> changes;
    auto add = [&](std::uint32_t id, std::uint32_t flags) {
        if (flags != 0) {
            changes.append({id, flags | (shapeChanged ? OVDisplayDesktopShapeChangedFlag : 0u)});
        }
    };
    for (const OVDisplayInfo& old : before) {
        if (!findDisplay(after, old.displayID)) {
            add(old.displayID, OVDisplayRemoveFlag | OVDisplayDisabledFlag);
        }
    }
    for (const OVDisplayInfo& now : after) {
        const OVDisplayInfo* old = findDisplay(before, now.displayID);
        if (!old) {
            add(now.displayID,
                OVDisplayAddFlag | OVDisplayEnabledFlag | (now.isMain ? OVDisplaySetMainFlag : 0u));
            continue;
        }
        std::uint32_t flags = 0;
        if (old->bounds.topLeft() != now.bounds.topLeft()) {
            flags |= OVDisplayMovedFlag;
        }
        if (old->bounds.size() != now.bounds.size() || old->pixelSize != now.pixelSize) {
            flags |= OVDisplaySetModeFlag;
        }
        if (now.isMain && !old->isMain) {
            flags |= OVDisplaySetMainFlag;
        }
        add(now.displayID, flags);
    }
    return changes;
}
