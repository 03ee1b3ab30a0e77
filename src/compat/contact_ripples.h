#pragma once

#include <QHash>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <cstdint>
#include <functional>

// The live picture of the compatibility check's touch area: every contact leaves an expanding
// ring with a dot at its centre, and every movement a short fading stroke. This is the state and
// its timing; the view draws it.

inline constexpr double OVRippleTickInterval = 1.0 / 30.0;
inline constexpr double OVRippleLifetime = 0.85;
inline constexpr double OVTrailLifetime = 1.1;
// A contact seen again within this time continues from where it was.
inline constexpr double OVContactContinuationWindow = 0.18;
// A continuing contact draws a stroke only when it moved more than this many points ...
inline constexpr double OVTrailMinimumMovement = 1.5;
// ... and rings again only when its last ring is older than this.
inline constexpr double OVRippleRepeatInterval = 0.22;
inline constexpr double OVRippleStartRadius = 8.0;
inline constexpr double OVRippleRadiusGrowth = 42.0;
inline constexpr double OVRippleGridSpacing = 36.0;
inline constexpr double OVRippleCornerRadius = 12.0;
// Logical maxima assumed for a contact whose limits are unusable.
inline constexpr double OVRippleFallbackXMaximum = 4800.0;
inline constexpr double OVRippleFallbackYMaximum = 3000.0;

struct OVRipple {
    QPointF center;
    double start = 0.0;
    std::int64_t kind = 0;
};

struct OVTrail {
    QPointF from;
    QPointF to;
    double start = 0.0;
    std::int64_t kind = 0;
};

// A colour as red, green and blue from 0 to 1, opaque.
struct OVRGBColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

// Pen blue, eraser pink, finger (and any other kind) violet.
OVRGBColor OVRippleColorForKind(std::int64_t kind);

// How a ripple looks at a moment: the ring grows from 8 to 50 points and fades with it.
struct OVRippleAppearance {
    double radius = 0.0;
    double ringAlpha = 0.0;
    double ringWidth = 0.0;
    double dotRadius = 0.0;
    double dotAlpha = 0.0;
};
OVRippleAppearance OVRippleAppearanceAt(const OVRipple& ripple, double now);

struct OVTrailAppearance {
    double alpha = 0.0;
    double width = 0.0;
};
OVTrailAppearance OVTrailAppearanceAt(const OVTrail& trail, double now);

// "<kind>-<id>": contacts of different kinds never share a key.
QString OVRippleContactKey(const QVariantMap& contact);

// The contact's raw coordinates spread over a view of `size` by its logical limits (0 to 4800
// and 0 to 3000 when the limits are unusable); not clamped.
QPointF OVRawContactViewPoint(const QVariantMap& contact, QSizeF size);
// The point moved onto the nearest edge of a view of `size` when it lies outside.
QPointF OVClampedViewPoint(QPointF point, QSizeF size);

class OVContactRippleModel {
  public:
    // Where a contact lands in the view.
    using PointForContact = std::function<QPointF(const QVariantMap& contact)>;

    // Takes one report's contacts at `now`: rings for new contacts and for resting ones every
    // 0.22 s, strokes for moving ones. Contacts that are not in the report are forgotten, so
    // one that lifts and comes back starts afresh.
    void addContacts(const QVariantList& contacts, const PointForContact& pointForContact,
                     double now);
    void addRippleAtPoint(QPointF point, std::int64_t kind, double start);
    void resetEffects();
    // Drops the effects that have run out; true when something is left to animate.
    bool prune(double now);

    const QList<OVRipple>& ripples() const { return _ripples; }
    const QList<OVTrail>& trails() const { return _trails; }
    // The contacts of the latest report, by contact key.
    const QHash<QString, QPointF>& lastPoints() const { return _lastPoints; }

  private:
    void takeContact(const QVariantMap& contact, QPointF point, double now);

    QList<OVRipple> _ripples;
    QList<OVTrail> _trails;
    QHash<QString, QPointF> _lastPoints;
    QHash<QString, double> _lastRippleTimes;
    QHash<QString, double> _lastSeenTimes;
};
