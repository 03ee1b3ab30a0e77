#pragma once

#include <QColor>
#include <QImage>
#include <QPushButton>

#include "keyboard/key_descriptor.h"
#include "keyboard/key_hold.h"

// A key of the touch keyboard. An ordinary press clicks when it is released inside the key. In
// hold mode a repeatable key is held instead: the hold target posts once at the press and once
// every interval until the release, and no click follows.
class OVKeyboardButton : public QPushButton {
    Q_OBJECT

  public:
    explicit OVKeyboardButton(QWidget* parent = nullptr);

    // Who decides about holds; nothing means every press is an ordinary one.
    void setHoldTarget(OVKeyHoldTarget* target) { _holdTarget = target; }
    bool isHolding() const { return _hold.isHolding(); }

    // The descriptor attached under OVKeyboardKeyDescriptorKey, or an empty one.
    OVKeyDescriptor descriptor() const;
    void setDescriptor(const OVKeyDescriptor& descriptor);

    // The key's look: armed (purple) or not, its template icon (a null image removes it) and the
    // colour of its icon or title.
    void setActive(bool active);
    bool isActive() const { return _active; }
    void setKeyImage(const QImage& templateImage);
    bool hasKeyImage() const { return !_templateImage.isNull(); }
    QImage keyImage() const { return _templateImage; }
    void setTintColor(const QColor& tint);
    QColor tintColor() const { return _tint; }
    QColor backgroundColor() const;

    static QColor inactiveBackgroundColor();
    static QColor activeBackgroundColor();
    static QColor borderColor();
    static QColor labelColor();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void endHold();

    OVKeyHoldTarget* _holdTarget = nullptr;
    OVKeyHoldPress _hold;
    bool _active = false;
    QImage _templateImage;
    QImage _tintedImage;
    QColor _tint;
};
