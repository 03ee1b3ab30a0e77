#include "keyboard/ui/touch_keyboard_controller.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWidget>
#include <cmath>

#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "keyboard/keyboard_geometry.h"
#include "keyboard/ui/all_desktops.h"
#include "keyboard/ui/keyboard_button.h"
#include "keyboard/ui/keyboard_icons.h"
#include "keyboard/ui/window_placement.h"

namespace {

using namespace OVKeyboardMetrics;

const char kPositionKey[] = "keyboardPosition";

// The panel's window: translucent, with rounded corners, and never the focus window.
class OVKeyboardPanelWindow : public QWidget {
  public:
    OVKeyboardPanelWindow()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_MacAlwaysShowToolWindow);
        setFocusPolicy(Qt::NoFocus);
        setWindowTitle(QStringLiteral("Orvetta Keyboard"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), PanelCornerRadius, PanelCornerRadius);
        painter.fillPath(shape, QColor::fromRgbF(0.93f, 0.93f, 0.95f, 0.9f));
        painter.setPen(QPen(QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.12f), 1.0));
        painter.drawPath(shape);
    }
};

QRect keyViewFrame(const QWidget* panel) {
    const int inset = static_cast<int>(KeyViewInset);
    return panel->rect().adjusted(inset, inset, -inset, -inset);
}

// Font sizes are in points of the layout, which are logical pixels here.
double pointSizeForLogicalPixels(double pixels) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return pixels * 72.0 / (dpi > 0 ? dpi : 96.0);
}

}  // namespace

OVTouchKeyboardController::OVTouchKeyboardController(QObject* parent)
    : QObject(parent), _iconDirectory(OVKeyboardIconDirectory), _observers(OVDefaultCenter()) {
    _model.setPanel(this);
    _observers.add(
        OVTouchKeyboardShowNotification, nullptr,
        [this](const OVNotification& notification) { showKeyboardNotification(notification); });
}

OVTouchKeyboardController::~OVTouchKeyboardController() {
    if (_panel) {
        _panel->removeEventFilter(this);
    }
    _observers.removeAll();
    _model.setPanel(nullptr);
}

void OVTouchKeyboardController::showKeyboardNotification(const OVNotification&) {
    showKeyboard();
}

void OVTouchKeyboardController::showKeyboard() {
    showKeyboardCentered();
}

void OVTouchKeyboardController::showKeyboardCentered() {
    ensurePanel();
    positionKeyboardAtSavedPosition();
    if (!_panel->isVisible()) {
        OVShowWindowOnAllDesktops(_panel.get());
    }
    _panel->show();
    _panel->raise();
}

void OVTouchKeyboardController::hideKeyboard() {
    _model.releaseHeldKeyIfNeeded();
    if (_panel) {
        _panel->hide();
    }
    _model.resetForHiding();
    if (_panel) {
        buildKeys();
    } else {
        refreshModifierButtons();
    }
}

bool OVTouchKeyboardController::visible() const {
    return _panel && _panel->isVisible();
}

bool OVTouchKeyboardController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == _panel.get() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        emit visibilityChanged();
    }
    return QObject::eventFilter(watched, event);
}

const QStringList& OVTouchKeyboardController::keyboardPositions() {
    return OVKeyboardPositions();
}

QString OVTouchKeyboardController::keyboardPosition() const {
    return OVNormalizedKeyboardPosition(
        OVStandardPreferences().stringForKey(QLatin1String(kPositionKey)));
}

void OVTouchKeyboardController::cycleKeyboardPosition() {
    OVStandardPreferences().setObject(QLatin1String(kPositionKey),
                                      OVNextKeyboardPosition(keyboardPosition()));
    if (visible()) {
        positionKeyboardAtSavedPosition();
    }
}

void OVTouchKeyboardController::positionKeyboardAtSavedPosition() {
    ensurePanel();
    const QScreen* screen = OVPreferredWindowScreen();
    if (!screen) {
        OVCenterWindowOnPreferredScreen(_panel.get());
        return;
    }
    _panel->move(OVKeyboardOriginForPosition(
        keyboardPosition(), QRectF(screen->availableGeometry()), QSizeF(_panel->size())));
}

void OVTouchKeyboardController::ensurePanel() {
    if (_panel) {
        return;
    }
    _panel = std::make_unique<OVKeyboardPanelWindow>();
    _panel->installEventFilter(this);
    const QSizeF size = panelSizeForRowCount(6);
    _panel->resize(static_cast<int>(size.width()), static_cast<int>(size.height()));
    _keyView = new QWidget(_panel.get());
    _keyView->setGeometry(keyViewFrame(_panel.get()));
    buildKeys();
}

void OVTouchKeyboardController::buildKeys() {
    if (!_keyView) {
        return;
    }
    removeKeyButtons();
    const OVKeyboardLayout rows = _model.keyboardRows();
    resizePanelForRowCount(static_cast<unsigned>(rows.size()));
    const QList<QList<QRect>> frames = OVKeyboardKeyFrames(rows, QSizeF(_keyView->size()));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        for (qsizetype k = 0; k < rows[r].size(); ++k) {
            const OVKeyDescriptor& key = rows[r][k];
            OVKeyboardButton* button = keyButtonWithTitle(OVKeyTitle(key), frames[r][k], key);
            button->show();
            _keyButtons.append(button);
        }
    }
    refreshModifierButtons();
}

QSizeF OVTouchKeyboardController::panelSizeForRowCount(unsigned rows) {
    return OVKeyboardPanelSizeForRowCount(rows);
}

void OVTouchKeyboardController::resizePanelForRowCount(unsigned rows) {
    if (!_panel) {
        return;
    }
    const QSizeF size = panelSizeForRowCount(rows);
    if (std::abs(_panel->width() - size.width()) < 0.5 &&
        std::abs(_panel->height() - size.height()) < 0.5) {
        return;
    }
    // The top-left corner stays; placing the panel again re-anchors it to its saved edge.
    _panel->resize(static_cast<int>(std::lround(size.width())),
                   static_cast<int>(std::lround(size.height())));
    _keyView->setGeometry(keyViewFrame(_panel.get()));
    if (visible()) {
        positionKeyboardAtSavedPosition();
    }
}

OVKeyboardButton* OVTouchKeyboardController::keyButtonWithTitle(const QString& title,
                                                                const QRect& frame,
                                                                const OVKeyDescriptor& descriptor) {
    auto* button = new OVKeyboardButton(_keyView);
    button->setGeometry(frame);
    button->setText(title);
    button->setFont(fontForDescriptor(descriptor));
    button->setObjectName(descriptor.value(QStringLiteral("action")).toString());
    button->setToolTip(descriptor.value(QStringLiteral("text")).toString());
    button->setDescriptor(descriptor);
    button->setHoldTarget(&_model);
    connect(button, &QAbstractButton::clicked, this, [this, button] { keyPressed(button); });
    applyIconForButton(button, descriptor, false);
    return button;
}

void OVTouchKeyboardController::keyPressed(OVKeyboardButton* button) {
    if (!button) {
        return;
    }
    _model.keyPressed(descriptorForButton(button), button->objectName());
}

void OVTouchKeyboardController::refreshModifierButtons() {
    const OVTouchKeyboardState& state = _model.state();
    for (OVKeyboardButton* button : keyButtons()) {
        const OVKeyDescriptor descriptor = descriptorForButton(button);
        const QString action = OVKeyDispatchAction(descriptor, button->objectName());
        const bool active = OVKeyboardKeyIsActive(action, state);
        button->setFont(fontForDescriptor(descriptor));
        button->setText(_model.displayTitleForDescriptor(descriptor));
        button->setActive(active);
        applyIconForButton(button, descriptor, active);
    }
}

void OVTouchKeyboardController::applyIconForButton(OVKeyboardButton* button,
                                                   const OVKeyDescriptor& descriptor, bool active) {
    const std::optional<QImage> image =
        OVKeyboardIconNamed(_model.iconNameForDescriptor(descriptor), _iconDirectory);
    const OVKeyDressing dressing =
        OVKeyboardDressing(descriptor, _model.state(), image.has_value(), active);
    button->setTintColor(dressing.tintWhite ? QColor(Qt::white) : OVKeyboardButton::labelColor());
    button->setKeyImage(image.value_or(QImage()));
    button->setText(dressing.title);
    if (dressing.toolTip) {
        button->setToolTip(*dressing.toolTip);
    }
}

QFont OVTouchKeyboardController::fontForDescriptor(const OVKeyDescriptor& descriptor) const {
    const OVKeyFont keyFont = OVKeyboardFont(descriptor);
    QFont font = QApplication::font();
    font.setPointSizeF(pointSizeForLogicalPixels(keyFont.pointSize));
    font.setWeight(keyFont.weight == OVKeyFontWeight::Medium ? QFont::Medium : QFont::Normal);
    return font;
}

OVKeyDescriptor OVTouchKeyboardController::descriptorForButton(const QAbstractButton* button) {
    if (!button) {
        return {};
    }
    const QVariant value = button->property(OVKeyboardKeyDescriptorKey);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : OVKeyDescriptor();
}

QList<OVKeyboardButton*> OVTouchKeyboardController::keyButtons() const {
    QList<OVKeyboardButton*> buttons;
    buttons.reserve(_keyButtons.size());
    for (const QPointer<OVKeyboardButton>& button : _keyButtons) {
        if (button) {
            buttons.append(button.data());
        }
    }
    return buttons;
}

void OVTouchKeyboardController::removeKeyButtons() {
    // A button may be removed from inside its own click (the layout switch, the size key), so
    // it goes away once the click is over.
    for (const QPointer<OVKeyboardButton>& button : _keyButtons) {
        if (button) {
            button->hide();
            button->setHoldTarget(nullptr);
            button->deleteLater();
        }
    }
    _keyButtons.clear();
}
