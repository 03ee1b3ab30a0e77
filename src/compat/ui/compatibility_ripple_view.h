#pragma once

#include <QColor>
#include <QPointF>
#include <QVariantList>
#include <QVariantMap>
#include <QWidget>

#include "base/scheduler.h"
#include "compat/compat_window_support.h"
#include "compat/contact_ripples.h"

// The touch area of the compatibility check: a light panel with a faint grid on which each
// contact leaves an expanding ring with a dot and each movement a short fading stroke. It animates
// itself on a 30 Hz timer while it is shown and something is fading; at rest nothing ticks.
class OVCompatibilityRippleView : public QWidget {
    Q_OBJECT

  public:
    explicit OVCompatibilityRippleView(QWidget* parent = nullptr);
    ~OVCompatibilityRippleView() override;

    static QColor colorForKind(std::int64_t kind);
    // Where a contact lands in this view: its screen point mapped into the view and moved onto
    // the nearest edge when this view is inside a window; otherwise its raw coordinates spread
    // over the view.
    QPointF viewPointForContact(const QVariantMap& contact) const;
    void addRippleAtPoint(QPointF point, std::int64_t kind, double start);
    // One report's contacts.
    void addContacts(const QVariantList& contacts);
    void resetEffects();
    void tick();

    const OVContactRippleModel& effects() const { return _effects; }

    bool animating() const { return _timer.isValid(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void animate();
    void drawGrid(QPainter& painter) const;
    void drawTrails(QPainter& painter, double now) const;
    void drawRipples(QPainter& painter, double now) const;

    OVContactRippleModel _effects;
    OVTimer _timer;
};
