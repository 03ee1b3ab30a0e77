#include "compat/ui/compatibility_ripple_view.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "base/services.h"
#include "compat/diagnostics_report.h"

namespace {

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

QColor white(double level, double alpha = 1.0) {
    const auto value = static_cast<float>(level);
    return QColor::fromRgbF(value, value, value, static_cast<float>(alpha));
}

}  // namespace

OVCompatibilityRippleView::OVCompatibilityRippleView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

OVCompatibilityRippleView::~OVCompatibilityRippleView() {
    _timer.invalidate();
}

QColor OVCompatibilityRippleView::colorForKind(std::int64_t kind) {
    const OVRGBColor color = OVRippleColorForKind(kind);
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), 1.0f);
}

QPointF OVCompatibilityRippleView::viewPointForContact(const QVariantMap& contact) const {
    const QSizeF size(width(), height());
    const QPointF screenPoint = OVScreenPointFromContact(contact);
    if (!std::isnan(screenPoint.x()) && !std::isnan(screenPoint.y()) && !isWindow()) {
        return OVClampedViewPoint(mapFromGlobal(screenPoint), size);
    }
    return OVRawContactViewPoint(contact, size);
}

void OVCompatibilityRippleView::addRippleAtPoint(QPointF point, std::int64_t kind, double start) {
    _effects.addRippleAtPoint(point, kind, start);
    animate();
}

void OVCompatibilityRippleView::addContacts(const QVariantList& contacts) {
    _effects.addContacts(
        contacts, [this](const QVariantMap& contact) { return viewPointForContact(contact); },
        OVMainScheduler().now());
    animate();
}

void OVCompatibilityRippleView::resetEffects() {
    _effects.resetEffects();
    _timer.invalidate();
    update();
}

void OVCompatibilityRippleView::tick() {
    if (_effects.prune(OVMainScheduler().now())) {
        update();
    } else {
        // Nothing left to animate: the view rests until the next contact.
        _timer.invalidate();
    }
}

void OVCompatibilityRippleView::animate() {
    update();
    if (isVisible() && !_timer.isValid()) {
        _timer = OVMainScheduler().every(OVRippleTickInterval, [this] { tick(); });
    }
}

void OVCompatibilityRippleView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!_effects.ripples().isEmpty() || !_effects.trails().isEmpty()) {
        animate();
    }
}

void OVCompatibilityRippleView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    _timer.invalidate();
}

void OVCompatibilityRippleView::paintEvent(QPaintEvent*) {
    const double now = OVMainScheduler().now();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(rect()), OVRippleCornerRadius, OVRippleCornerRadius);
    painter.setClipPath(rounded);

    painter.fillRect(rect(), white(0.98));
    drawGrid(painter);
    drawTrails(painter, now);
    drawRipples(painter, now);
}

void OVCompatibilityRippleView::drawGrid(QPainter& painter) const {
    QPainterPath grid;
    const double viewWidth = width();
    const double viewHeight = height();
    for (double x = 0.0; x <= viewWidth; x += OVRippleGridSpacing) {
        grid.moveTo(x, 0.0);
        grid.lineTo(x, viewHeight);
    }
    for (double y = 0.0; y <= viewHeight; y += OVRippleGridSpacing) {
        grid.moveTo(0.0, y);
        grid.lineTo(viewWidth, y);
    }
    painter.strokePath(grid, QPen(white(0.9, 0.55), 0.5));
}

void OVCompatibilityRippleView::drawTrails(QPainter& painter, double now) const {
    for (const OVTrail& trail : _effects.trails()) {
        const OVTrailAppearance look = OVTrailAppearanceAt(trail, now);
        QPen pen(withAlpha(colorForKind(trail.kind), look.alpha), look.width);
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        painter.drawLine(trail.from, trail.to);
    }
}

void OVCompatibilityRippleView::drawRipples(QPainter& painter, double now) const {
    for (const OVRipple& ripple : _effects.ripples()) {
        const OVRippleAppearance look = OVRippleAppearanceAt(ripple, now);
        const QColor color = colorForKind(ripple.kind);
        painter.setPen(QPen(withAlpha(color, look.ringAlpha), look.ringWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(ripple.center, look.radius, look.radius);

        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(color, look.dotAlpha));
        painter.drawEllipse(ripple.center, look.dotRadius, look.dotRadius);
    }
}
