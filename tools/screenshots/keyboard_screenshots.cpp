#include <QCoreApplication>
#include <QPainter>

#include "keyboard/ui/keyboard_icons.h"

#include "keyboard/ui/keyboard_button.h"
#include "keyboard/ui/touch_keyboard_controller.h"
#include "screenshots.h"

namespace {

// Presses the first key of the current layout that does `action`, as a touch would.
void press(OVTouchKeyboardController& keyboard, const QString& action) {
    for (OVKeyboardButton* button : keyboard.keyButtons()) {
        if (button->objectName() == action) {
            keyboard.keyPressed(button);
            return;
        }
    }
    qFatal("orvetta-screenshots: no key %s", qPrintable(action));
}

OVScreenshot keyboardShot(const QString& name, const QStringList& presses) {
    return {name, [presses] {
                OVTouchKeyboardController keyboard;
                keyboard.showKeyboard();
                for (const QString& action : presses) {
                    press(keyboard, action);
                }
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                return OVScreenshotOfWindow(keyboard.panel());
            }};
}

// Every key icon at its size and three times larger, named, in the label colour and tinted white
// on the active colour.
QImage iconSheet() {
    const QStringList names{"emoji",
                            "cut",
                            "copy",
                            "paste",
                            "redo",
                            "undo",
                            "volume-down",
                            "volume-up",
                            "mission-control",
                            "place",
                            "keyboard-minimize",
                            "keyboard-maximize",
                            "hide",
                            "backspace",
                            "tab",
                            "caps-lock",
                            "return",
                            "shift",
                            "arrow-up",
                            "arrow-down",
                            "arrow-left",
                            "arrow-right",
                            "home",
                            "end",
                            "control",
                            "option",
                            "command"};
    const int cell = 120;
    const int columns = 9;
    const int rows = static_cast<int>((names.size() + columns - 1) / columns);
    QImage sheet(columns * cell, rows * cell, QImage::Format_ARGB32);
    sheet.fill(QColor(0xf2, 0xf2, 0xf5));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < names.size(); ++i) {
        const QPoint origin((i % columns) * cell, (i / columns) * cell);
        const std::optional<QImage> icon = OVKeyboardIconNamed(names[i]);
        painter.setPen(Qt::black);
        painter.drawText(QRect(origin + QPoint(0, cell - 22), QSize(cell, 20)), Qt::AlignCenter,
                         icon ? names[i] : names[i] + " (missing)");
        if (!icon) {
            continue;
        }
        painter.drawImage(QRectF(origin + QPoint(10, 10), QSizeF(54, 54)),
                          OVTintedKeyboardIcon(*icon, OVKeyboardButton::labelColor()));
        painter.drawImage(QRectF(origin + QPoint(80, 12), QSizeF(18, 18)),
                          OVTintedKeyboardIcon(*icon, OVKeyboardButton::labelColor()));
        painter.fillRect(QRect(origin + QPoint(76, 40), QSize(26, 26)),
                         OVKeyboardButton::activeBackgroundColor());
        painter.drawImage(QRectF(origin + QPoint(80, 44), QSizeF(18, 18)),
                          OVTintedKeyboardIcon(*icon, Qt::white));
    }
    return sheet;
}

}  // namespace

QList<OVScreenshot> OVKeyboardScreenshots() {
    return {
        keyboardShot(QStringLiteral("keyboard-abc"), {}),
        keyboardShot(QStringLiteral("keyboard-abc-shifted"), {QStringLiteral("shift")}),
        keyboardShot(QStringLiteral("keyboard-symbols"), {QStringLiteral("symbols")}),
        keyboardShot(QStringLiteral("keyboard-symbols-shifted"),
                     {QStringLiteral("symbols"), QStringLiteral("shift")}),
        keyboardShot(QStringLiteral("keyboard-command-armed"),
                     {QStringLiteral("command"), QStringLiteral("holdToggle")}),
        keyboardShot(QStringLiteral("keyboard-minimized"), {QStringLiteral("keyboardSize")}),
        {QStringLiteral("keyboard-icons"), iconSheet},
    };
}
