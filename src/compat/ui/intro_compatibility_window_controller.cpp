#include "compat/ui/intro_compatibility_window_controller.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/help_page.h"
#include "base/services.h"
#include "compat/ui/compat_controls.h"
#include "compat/ui/compatibility_ripple_view.h"
#include "gesture/display_targeting.h"
#include "hid/device_discovery.h"
#include "keyboard/ui/window_placement.h"
#include "platform/platform.h"

namespace {

constexpr int kMargin = 24;
constexpr int kColumnGap = 24;
constexpr int kRippleTop = 80;
constexpr int kChecklistTop = 256;
constexpr int kChecklistSpacing = 28;
constexpr int kButtonTop = 476;
constexpr int kButtonHeight = 30;

QColor rgb(const OVRGBColor& color) {
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), 1.0f);
}

}  // namespace

OVIntroCompatibilityWindowController::OVIntroCompatibilityWindowController(QObject* parent)
    : QObject(parent),
      _window(std::make_unique<OVCompatWindow>(QStringLiteral("Compatibility Check"))) {
    _window->setFixedSize(ContentWidth, ContentHeight);
    _window->setCloseHandler([this] { windowWillClose(); });
    buildContent();
    _model.setContactFilter(OVContactFilterForWindow(_window.get()));
    _model.setContactsHandler(
        [this](const QVariantList& contacts) { _rippleView->addContacts(contacts); });
    _model.setDeviceCheck([] { return OVHasCompatibleTouchDevice(); });
    _model.setCloseHandler([this] { _window->close(); });
    _model.setChangeHandler([this] { refresh(); });
    OVCenterWindowOnPreferredScreen(_window.get());
    refresh();
}

OVIntroCompatibilityWindowController::~OVIntroCompatibilityWindowController() {
    _model.setChangeHandler(nullptr);
    _model.setContactsHandler(nullptr);
    _model.setCloseHandler(nullptr);
    _window->setCloseHandler(nullptr);
}

QWidget* OVIntroCompatibilityWindowController::window() const {
    return _window.get();
}

void OVIntroCompatibilityWindowController::setQuitHandler(std::function<void()> handler) {
    _model.setQuitHandler(std::move(handler));
}

void OVIntroCompatibilityWindowController::buildContent() {
    QWidget* content = _window.get();
    const int columnX = kMargin + RippleWidth + kColumnGap;
    const int columnWidth = ContentWidth - columnX - kMargin;

    QLabel* heading = OVCompatBoldLabel(QStringLiteral("Compatibility Check"), content, 22);
    heading->setGeometry(kMargin, 18, RippleWidth, 30);
    QLabel* subtitle = OVCompatLabel(
        QStringLiteral("Touch the area below with fingers, pen and eraser in any order."), content);
    OVUseSecondaryTextColor(subtitle);
    subtitle->setGeometry(kMargin, 50, ContentWidth - 2 * kMargin, 20);

    _rippleView = new OVCompatibilityRippleView(content);
    _rippleView->setGeometry(kMargin, kRippleTop, RippleWidth, RippleHeight);

    OVCompatLabel(QStringLiteral("Display model"), content)
        ->setGeometry(columnX, kRippleTop, columnWidth, 20);
    _modelPopup = OVDisplayModelPopup(content);
    _modelPopup->setGeometry(columnX, 102, columnWidth, 26);
    _otherModelField = OVOtherDisplayModelField(content);
    _otherModelField->setGeometry(columnX, 134, columnWidth, 24);

    OVCompatLabel(QStringLiteral("Touch display"), content)
        ->setGeometry(columnX, 168, columnWidth, 20);
    _displayPopup = new QComboBox(content);
    _displayPopup->setGeometry(columnX, 190, columnWidth, 26);
    fillDisplayPopup();

    OVCompatBoldLabel(QStringLiteral("Detected inputs"), content)
        ->setGeometry(columnX, 230, columnWidth, 20);
    for (qsizetype row = 0; row < OVIntroCompatibilityCheckModel::resultNames().size(); ++row) {
        QLabel* label = OVCompatLabel(
            QStringLiteral("- %1").arg(OVIntroCompatibilityCheckModel::resultNames().at(row)),
            content);
        label->setGeometry(columnX, kChecklistTop + static_cast<int>(row) * kChecklistSpacing,
                           columnWidth, 22);
        OVUseSecondaryTextColor(label);
        _checkLabels.append(label);
    }

    _statusLabel = OVCompatLabel(QString(), content);
    _statusLabel->setWordWrap(true);
    _statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    _statusLabel->setGeometry(kMargin, 432, RippleWidth,
                              2 * _statusLabel->fontMetrics().lineSpacing());
    OVUseSecondaryTextColor(_statusLabel);

    _finishButton = OVCompatButton(QStringLiteral("Finish"), content);
    _finishButton->setGeometry(ContentWidth - kMargin - 90, kButtonTop, 90, kButtonHeight);
    _saveButton = OVCompatButton(QStringLiteral("Send Report"), content);
    _saveButton->setGeometry(_finishButton->x() - 8 - 110, kButtonTop, 110, kButtonHeight);
    _saveButton->setEnabled(false);
    _helpButton = OVCompatButton(QStringLiteral("Help"), content);
    _helpButton->setGeometry(_saveButton->x() - 8 - 70, kButtonTop, 70, kButtonHeight);

    connect(_modelPopup, &QComboBox::activated, this,
            &OVIntroCompatibilityWindowController::modelSelectionChanged);
    connect(_otherModelField, &QLineEdit::textEdited, this,
            &OVIntroCompatibilityWindowController::modelSelectionChanged);
    connect(_otherModelField, &QLineEdit::returnPressed, this,
            &OVIntroCompatibilityWindowController::modelSelectionChanged);
    connect(_displayPopup, &QComboBox::activated, this,
            &OVIntroCompatibilityWindowController::displaySelectionChanged);
    connect(_helpButton, &QPushButton::clicked, this,
            &OVIntroCompatibilityWindowController::openHelpPage);
    connect(_saveButton, &QPushButton::clicked, this,
            &OVIntroCompatibilityWindowController::sendReport);
    connect(_finishButton, &QPushButton::clicked, this,
            &OVIntroCompatibilityWindowController::finish);
}

// One item per display option, its value kept with the item; the stored choice is selected.
void OVIntroCompatibilityWindowController::fillDisplayPopup() {
    _displayPopup->clear();
    const QString current = OVCurrentDisplaySelection();
    for (const QVariant& option : OVDisplaySelectionOptions()) {
        const QVariantMap item = option.toMap();
        _displayPopup->addItem(item.value(QStringLiteral("title")).toString(),
                               item.value(QStringLiteral("value")));
        if (item.value(QStringLiteral("value")).toString() == current) {
            _displayPopup->setCurrentIndex(_displayPopup->count() - 1);
        }
    }
}

void OVIntroCompatibilityWindowController::showWindow() {
    fillDisplayPopup();
    _window->show();
    _window->raise();
    _window->activateWindow();
    _rippleView->resetEffects();
    _model.startCheck();
}

void OVIntroCompatibilityWindowController::modelSelectionChanged() {
    _model.modelSelectionChanged(_modelPopup->currentText(), _otherModelField->text());
}

void OVIntroCompatibilityWindowController::displaySelectionChanged() {
    _model.displaySelectionChanged(_displayPopup->currentData().toString());
}

void OVIntroCompatibilityWindowController::openHelpPage() {
    OVCurrentPlatform().workspace().openURL(OVHelpPageURL());
}

void OVIntroCompatibilityWindowController::sendReport() {
    _model.sendReport();
}

void OVIntroCompatibilityWindowController::finish() {
    _model.finish();
}

void OVIntroCompatibilityWindowController::windowWillClose() {
    _model.windowWillClose();
}

void OVIntroCompatibilityWindowController::refresh() {
    const OVIntroCompatibilityCheckModel::Presentation& shown = _model.presentation();
    _statusLabel->setText(shown.statusText);
    _saveButton->setEnabled(shown.sendEnabled);
    _finishButton->setEnabled(shown.finishEnabled);
    _finishButton->setText(shown.finishTitle);
    for (qsizetype row = 0; row < shown.checklist.size() && row < _checkLabels.size(); ++row) {
        const OVIntroCompatibilityCheckModel::ChecklistEntry& entry = shown.checklist.at(row);
        QLabel* label = _checkLabels.at(row);
        label->setText(entry.text);
        if (entry.found) {
            OVSetTextColor(label, rgb(OVIntroCompatibilityCheckModel::foundInputColor()));
        } else {
            OVUseSecondaryTextColor(label);
        }
    }
    OVShowDisplayModelChoice(_model.modelChoice(), true, _modelPopup, _otherModelField);
}
