#include "keyboard/ui/keyboard_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "keyboard/keyboard_geometry.h"
#include "keyboard/ui/keyboard_icons.h"

OVKeyboardButton::OVKeyboardButton(QWidget* parent) : QPushButton(parent), _tint(labelColor()) {
    setFocusPolicy(Qt::NoFocus);
    setAutoDefault(false);
    setFlat(true);
}

OVKeyDescriptor OVKeyboardButton::descriptor() const {
    const QVariant value = property(OVKeyboardKeyDescriptorKey);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : OVKeyDescriptor();
}

void OVKeyboardButton::setDescriptor(const OVKeyDescriptor& descriptor) {
    setProperty(OVKeyboardKeyDescriptorKey, descriptor);
}

void OVKeyboardButton::setActive(bool active) {
    if (_active != active) {
        _active = active;
        update();
    }
}

void OVKeyboardButton::setKeyImage(const QImage& templateImage) {
    // Re-dressing after every key press mostly sets the same cached image again.
    if (templateImage.cacheKey() == _templateImage.cacheKey()) {
        return;
    }
    _templateImage = templateImage;
    _tintedImage = templateImage.isNull() ? QImage() : OVTintedKeyboardIcon(templateImage, _tint);
    update();
}

void OVKeyboardButton::setTintColor(const QColor& tint) {
    if (_tint == tint) {
        return;
    }
    _tint = tint;
    if (!_templateImage.isNull()) {
        _tintedImage = OVTintedKeyboardIcon(_templateImage, _tint);
    }
    update();
}

QColor OVKeyboardButton::backgroundColor() const {
    return _active ? activeBackgroundColor() : inactiveBackgroundColor();
}

QColor OVKeyboardButton::inactiveBackgroundColor() {
    return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.74f);
}

QColor OVKeyboardButton::activeBackgroundColor() {
    return QColor::fromRgbF(0.72f, 0.14f, 0.82f, 0.92f);
}

QColor OVKeyboardButton::borderColor() {
    return QColor::fromRgbF(0.72f, 0.72f, 0.72f, 0.55f);
}

QColor OVKeyboardButton::labelColor() {
    return QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.85f);
}

void OVKeyboardButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && _hold.begin(_holdTarget, descriptor())) {
        setDown(true);
        event->accept();
        return;
    }
    QPushButton::mousePressEvent(event);
}

void OVKeyboardButton::mouseMoveEvent(QMouseEvent* event) {
    if (_hold.isHolding()) {
        // Dragging a held key keeps it held.
        event->accept();
        return;
    }
    QPushButton::mouseMoveEvent(event);
}

void OVKeyboardButton::mouseReleaseEvent(QMouseEvent* event) {
    if (_hold.isHolding()) {
        if (event->button() == Qt::LeftButton) {
            endHold();
        }
        event->accept();
        return;
    }
    QPushButton::mouseReleaseEvent(event);
}

void OVKeyboardButton::hideEvent(QHideEvent* event) {
    // A key that disappears under the finger gets no release.
    endHold();
    QPushButton::hideEvent(event);
}

void OVKeyboardButton::endHold() {
    if (_hold.isHolding()) {
        _hold.end();
        setDown(false);
    }
}

void OVKeyboardButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF bounds = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    QPainterPath shape;
    shape.addRoundedRect(bounds, OVKeyboardMetrics::KeyCornerRadius,
                         OVKeyboardMetrics::KeyCornerRadius);
    QColor fill = backgroundColor();
    if (isDown()) {
        fill = _active ? fill.darker(115) : QColor::fromRgbF(0.86f, 0.86f, 0.88f, 0.9f);
    }
    painter.fillPath(shape, fill);
    painter.setPen(QPen(borderColor(), 0.5));
    painter.drawPath(shape);

    if (!_tintedImage.isNull()) {
        // Image only, scaled down proportionally when the key is smaller than the icon.
        QSizeF size = _tintedImage.deviceIndependentSize();
        size.scale(size.boundedTo(QSizeF(rect().size())), Qt::KeepAspectRatio);
        QRectF target(QPointF(0, 0), size);
        target.moveCenter(QRectF(rect()).center());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, _tintedImage);
        return;
    }
    painter.setPen(_tint);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}
