#include "compat/contact_ripples.h"

#include <QSet>
#include <algorithm>
#include <cmath>

#include "hid/touch_contact.h"

namespace {

double numberOrZero(const QVariantMap& contact, const QString& key) {
    return contact.value(key).toDouble();
}

double distance(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

}  // namespace

OVRGBColor OVRippleColorForKind(std::int64_t kind) {
    switch (kind) {
        case OVContactKindPen:
            return {0.12, 0.55, 1.0};
        case OVContactKindEraser:
            return {1.0, 0.32, 0.55};
        default:
            return {0.76, 0.16, 0.88};
    }
}

OVRippleAppearance OVRippleAppearanceAt(const OVRipple& ripple, double now) {
    const double progress = std::min(1.0, (now - ripple.start) / OVRippleLifetime);
    const double fade = std::max(0.0, 1.0 - progress);
    OVRippleAppearance appearance;
    appearance.radius = OVRippleStartRadius + OVRippleRadiusGrowth * progress;
    appearance.ringAlpha = 0.65 * fade;
    appearance.ringWidth = ripple.kind == OVContactKindPen ? 2.0 : 3.0;
    appearance.dotRadius = ripple.kind == OVContactKindEraser ? 5.0 : 3.5;
    appearance.dotAlpha = 0.8 * fade;
    return appearance;
}

OVTrailAppearance OVTrailAppearanceAt(const OVTrail& trail, double now) {
    const double fade = std::max(0.0, 1.0 - (now - trail.start) / OVTrailLifetime);
    OVTrailAppearance appearance;
    appearance.alpha = 0.56 * fade;
    switch (trail.kind) {
        case OVContactKindEraser:
            appearance.width = 8.0;
            break;
        case OVContactKindPen:
            appearance.width = 3.0;
            break;
        default:
            appearance.width = 5.0;
            break;
    }
    return appearance;
}

QString OVRippleContactKey(const QVariantMap& contact) {
    return QStringLiteral("%1-%2")
        .arg(contact.value(QStringLiteral("kind")).toLongLong())
        .arg(contact.value(QStringLiteral("id")).toLongLong());
}

QPointF OVRawContactViewPoint(const QVariantMap& contact, QSizeF size) {
    const double xMinimum = numberOrZero(contact, QStringLiteral("xMinimum"));
    const double yMinimum = numberOrZero(contact, QStringLiteral("yMinimum"));
    double xMaximum = numberOrZero(contact, QStringLiteral("xMaximum"));
    double yMaximum = numberOrZero(contact, QStringLiteral("yMaximum"));
    if (xMaximum <= xMinimum) {
        xMaximum = OVRippleFallbackXMaximum;
    }
    if (yMaximum <= yMinimum) {
        yMaximum = OVRippleFallbackYMaximum;
    }
    const double x = numberOrZero(contact, QStringLiteral("x"));
    const double y = numberOrZero(contact, QStringLiteral("y"));
    return {(x - xMinimum) / std::max(1.0, xMaximum - xMinimum) * size.width(),
            (y - yMinimum) / std::max(1.0, yMaximum - yMinimum) * size.height()};
}

QPointF OVClampedViewPoint(QPointF point, QSizeF size) {
    return {std::clamp(point.x(), 0.0, std::max(0.0, size.width())),
            std::clamp(point.y(), 0.0, std::max(0.0, size.height()))};
}

void OVContactRippleModel::addContacts(const QVariantList& contacts,
                                       const PointForContact& pointForContact, double now) {
    QSet<QString> seen;
    for (const QVariant& value : contacts) {
        const QVariantMap contact = value.toMap();
        if (contact.value(QStringLiteral("kind")).toLongLong() == OVContactKindNone) {
            continue;
        }
        seen.insert(OVRippleContactKey(contact));
        takeContact(contact, pointForContact(contact), now);
    }
    for (auto it = _lastPoints.begin(); it != _lastPoints.end();) {
        if (seen.contains(it.key())) {
            ++it;
            continue;
        }
        _lastRippleTimes.remove(it.key());
        _lastSeenTimes.remove(it.key());
        it = _lastPoints.erase(it);
    }
}

void OVContactRippleModel::takeContact(const QVariantMap& contact, QPointF point, double now) {
    const QString key = OVRippleContactKey(contact);
    const std::int64_t kind = contact.value(QStringLiteral("kind")).toLongLong();
    const auto last = _lastPoints.constFind(key);
    if (last != _lastPoints.constEnd()) {
        const bool continues = now - _lastSeenTimes.value(key) < OVContactContinuationWindow;
        if (continues && distance(*last, point) > OVTrailMinimumMovement) {
            _trails.append(OVTrail{*last, point, now, kind});
        }
        if (!continues || now - _lastRippleTimes.value(key) > OVRippleRepeatInterval) {
            addRippleAtPoint(point, kind, now);
            _lastRippleTimes.insert(key, now);
        }
    } else {
        addRippleAtPoint(point, kind, now);
        _lastRippleTimes.insert(key, now);
    }
    _lastPoints.insert(key, point);
    _lastSeenTimes.insert(key, now);
}

void OVContactRippleModel::addRippleAtPoint(QPointF point, std::int64_t kind, double start) {
    _ripples.append(OVRipple{point, start, kind});
}

void OVContactRippleModel::resetEffects() {
    _ripples.clear();
    _trails.clear();
    _lastPoints.clear();
    _lastRippleTimes.clear();
    _lastSeenTimes.clear();
}

bool OVContactRippleModel::prune(double now) {
    _ripples.removeIf(
        [now](const OVRipple& ripple) { return now - ripple.start > OVRippleLifetime; });
    _trails.removeIf([now](const OVTrail& trail) { return now - trail.start > OVTrailLifetime; });
    return !_ripples.isEmpty() || !_trails.isEmpty();
}
