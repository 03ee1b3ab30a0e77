#include "settings/ui/settings_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QStandardItemModel>
#include <QWidget>

#include "base/modal_alert.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "gesture/display_targeting.h"
#include "hid/device_discovery.h"
#include "keyboard/ui/window_placement.h"
#include "settings/key_names.h"
#include "settings/profiles.h"
#include "settings/ui/key_combo_recorder.h"

namespace {

constexpr int kLabelX = 24;
constexpr int kLabelWidth = 120;
constexpr int kLabelHeight = 22;
constexpr int kSelectorX = 148;
constexpr int kSelectorWidth = 330;
constexpr int kPopupHeight = 28;
constexpr int kMappingPopupWidth = 126;
constexpr int kMouseX = 148;
constexpr int kKeyboardX = 292;
constexpr int kInertiaX = 456;
constexpr int kCheckBoxSize = 22;
// The options row, from the top: 10 points under the eraser row, 26 above the bottom edge.
constexpr int kOptionsTop = OVSettingsWindowController::kLayoutHeight - 16;
constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kCommandRole = Qt::UserRole + 2;

const QString kDeviceSelectionKey = QStringLiteral("deviceSelection");
const QString kDisplaySelectionKey = QStringLiteral("displaySelection");

// The check mark that the automatic switching item shows while switching is on.
QIcon checkMarkIcon(const QColor& colour) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawPolyline(QPolygonF({QPointF(7, 17), QPointF(13, 23), QPointF(25, 9)}));
    return QIcon(pixmap);
}

void setItemEnabled(QComboBox* popup, int index, bool enabled) {
    if (auto* model = qobject_cast<QStandardItemModel*>(popup->model())) {
        if (QStandardItem* item = model->item(index)) {
            item->setEnabled(enabled);
        }
    }
}

int indexOfTag(const QComboBox* popup, std::int64_t tag) {
    for (int index = 0; index < popup->count(); ++index) {
        const QVariant value = popup->itemData(index, kTagRole);
        if (value.isValid() && value.toLongLong() == tag) {
            return index;
        }
    }
    return -1;
}

}  // namespace

OVSettingsWindowController::Sources OVSettingsWindowController::defaultSources() {
    Sources sources;
    sources.candidateDevices = [] { return OVCandidateDevices(); };
    sources.currentDeviceSelection = [] { return OVCurrentDeviceSelection(); };
    sources.displaySelectionOptions = [] { return OVDisplaySelectionOptions(); };
    sources.currentDisplaySelection = [] { return OVCurrentDisplaySelection(); };
    return sources;
}

OVSettingsWindowController::OVSettingsWindowController(OVModalAlertRunner& alerts, Sources sources,
                                                       QObject* parent)
    : QObject(parent),
      _alerts(alerts),
      _sources(std::move(sources)),
      _window(std::make_unique<QWidget>()),
      _observers(OVDefaultCenter()) {
    _window->setWindowTitle(QStringLiteral("Orvetta Settings"));
    _window->setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    _window->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    _window->setFixedSize(kContentWidth, kContentHeight);
    buildContent();
    OVCenterWindowOnPreferredScreen(_window.get());
    _observers.add(OVSettingsProfileDidChangeNotification, nullptr,
                   [this](const OVNotification&) { buildContent(); });
}

OVSettingsWindowController::~OVSettingsWindowController() {
    _observers.removeAll();
    _comboRecorder.reset();
}

QRect OVSettingsWindowController::flipped(int x, int y, int width, int height) {
    return QRect(x, kLayoutHeight - y - height, width, height);
}

void OVSettingsWindowController::showWindow() {
    _window->show();
    _window->raise();
    _window->activateWindow();
}

QLabel* OVSettingsWindowController::label(const QString& text, const QRect& frame) {
    auto* label = new QLabel(text, _content);
    label->setGeometry(frame);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

QLabel* OVSettingsWindowController::sectionLabel(const QString& text, const QRect& frame) {
    QLabel* section = label(text, frame);
    QFont bold = section->font();
    bold.setBold(true);
    section->setFont(bold);
    return section;
}

QComboBox* OVSettingsWindowController::popupWithModel(const OVPopupModel& model,
                                                      const QRect& frame) {
    auto* popup = new QComboBox(_content);
    popup->setGeometry(frame);
    const QIcon check = checkMarkIcon(popup->palette().color(QPalette::Text));
    for (const OVPopupItem& item : model.items) {
        if (item.separator) {
            popup->insertSeparator(popup->count());
            continue;
        }
        const int index = popup->count();
        popup->addItem(item.title, item.representedObject);
        popup->setItemData(index, item.tag, kTagRole);
        popup->setItemData(index, static_cast<int>(item.command), kCommandRole);
        setItemEnabled(popup, index, item.enabled);
        if (item.checked) {
            popup->setItemIcon(index, check);
            popup->setItemData(index, Qt::Checked, Qt::CheckStateRole);
        }
    }
    // Separators are items of the combo box too: the model's index counts them the same way.
    popup->setCurrentIndex(model.selectedIndex);
    return popup;
}

QComboBox* OVSettingsWindowController::devicePopupWithFrame(const QRect& frame) {
    QComboBox* popup = popupWithModel(
        OVDevicePopupModel(_sources.candidateDevices(), _sources.currentDeviceSelection()), frame);
    popup->setObjectName(QStringLiteral("devicePopup"));
    connect(popup, &QComboBox::activated, this, [this, popup] { deviceSelectionChanged(popup); });
    return popup;
}

QComboBox* OVSettingsWindowController::displayPopupWithFrame(const QRect& frame) {
    QComboBox* popup = popupWithModel(
        OVDisplayPopupModel(_sources.displaySelectionOptions(), _sources.currentDisplaySelection()),
        frame);
    popup->setObjectName(QStringLiteral("displayPopup"));
    connect(popup, &QComboBox::activated, this, [this, popup] { displaySelectionChanged(popup); });
    return popup;
}

QComboBox* OVSettingsWindowController::profilePopupWithFrame(const QRect& frame) {
    QComboBox* popup = popupWithModel(OVProfilePopupModel(), frame);
    popup->setObjectName(QStringLiteral("profilePopup"));
    connect(popup, &QComboBox::activated, this, [this, popup] { profileSelectionChanged(popup); });
    return popup;
}

QComboBox* OVSettingsWindowController::mousePopupForInput(const QString& input,
                                                          const QRect& frame) {
    QComboBox* popup = popupWithModel(OVMousePopupModelForInput(input), frame);
    popup->setObjectName(OVMouseActionKey(input));
    connect(popup, &QComboBox::activated, this, [this, popup] { mappingChanged(popup); });
    return popup;
}

QComboBox* OVSettingsWindowController::modifierPopupForInput(const QString& input,
                                                             const QRect& frame) {
    QComboBox* popup = popupWithModel(OVModifierPopupModelForInput(input), frame);
    popup->setObjectName(OVModifierActionKey(input));
    connect(popup, &QComboBox::activated, this, [this, popup] { mappingChanged(popup); });
    return popup;
}

void OVSettingsWindowController::addMappingRowWithTitle(const QString& title, const QString& input,
                                                        int y) {
    label(title, flipped(kLabelX, y + 4, kLabelWidth, kLabelHeight));
    mousePopupForInput(input, flipped(kMouseX, y, kMappingPopupWidth, kPopupHeight));
    modifierPopupForInput(input, flipped(kKeyboardX, y, kMappingPopupWidth, kPopupHeight));
    auto* inertia = new QCheckBox(_content);
    inertia->setObjectName(input);
    inertia->setGeometry(flipped(kInertiaX, y + 2, kCheckBoxSize, kCheckBoxSize));
    connect(inertia, &QCheckBox::clicked, this,
            [this, inertia] { inertiaEnabledChanged(inertia); });
    updateInertiaControlForInput(input);
}

void OVSettingsWindowController::buildContent() {
    if (_content) {
        // The old controls go later: one of them may be delivering the event that led here.
        _content->hide();
        _content->deleteLater();
    }
    _content = new QWidget(_window.get());
    _content->setObjectName(QStringLiteral("settingsContent"));
    _content->setGeometry(0, 0, kContentWidth, kContentHeight);

    label(QStringLiteral("Device"), flipped(kLabelX, 306, kLabelWidth, kLabelHeight));
    _devicePopup = devicePopupWithFrame(flipped(kSelectorX, 302, kSelectorWidth, kPopupHeight));
    label(QStringLiteral("Display"), flipped(kLabelX, 274, kLabelWidth, kLabelHeight));
    _displayPopup = displayPopupWithFrame(flipped(kSelectorX, 270, kSelectorWidth, kPopupHeight));
    label(QStringLiteral("Profile"), flipped(kLabelX, 242, kLabelWidth, kLabelHeight));
    _profilePopup = profilePopupWithFrame(flipped(kSelectorX, 238, kSelectorWidth, kPopupHeight));

    sectionLabel(QStringLiteral("Input settings"),
                 flipped(kLabelX, 196, kLabelWidth, kLabelHeight));
    label(QStringLiteral("Mouse"), flipped(154, 196, kLabelWidth, kLabelHeight));
    label(QStringLiteral("Keyboard"), flipped(298, 196, kLabelWidth, kLabelHeight));
    label(QStringLiteral("Inertia"), flipped(426, 196, 86, kLabelHeight))
        ->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    addMappingRowWithTitle(QStringLiteral("Finger 1 point"), QStringLiteral("finger1"), 160);
    addMappingRowWithTitle(QStringLiteral("Finger 2 point"), QStringLiteral("finger2"), 128);
    addMappingRowWithTitle(QStringLiteral("Finger 3 point"), QStringLiteral("finger3"), 92);
    addMappingRowWithTitle(QStringLiteral("Pen"), QStringLiteral("pen"), 60);
    addMappingRowWithTitle(QStringLiteral("Eraser"), QStringLiteral("eraser"), 26);

    auto* longPress = new QCheckBox(QStringLiteral("Press and hold for right click"), _content);
    longPress->setObjectName(OVLongPressRightClickKey);
    longPress->setGeometry(kMouseX, kOptionsTop, kSelectorWidth, kCheckBoxSize);
    longPress->setChecked(OVProfileBoolForKey(OVLongPressRightClickKey));
    connect(longPress, &QCheckBox::clicked, this, [longPress] {
        OVSetProfileValueForKey(OVLongPressRightClickKey, longPress->isChecked());
    });
    _content->show();
}

QComboBox* OVSettingsWindowController::mousePopupForInput(const QString& input) const {
    return _content->findChild<QComboBox*>(OVMouseActionKey(input));
}

QComboBox* OVSettingsWindowController::modifierPopupForInput(const QString& input) const {
    return _content->findChild<QComboBox*>(OVModifierActionKey(input));
}

QCheckBox* OVSettingsWindowController::inertiaCheckBoxForInput(const QString& input) const {
    return _content->findChild<QCheckBox*>(input);
}

void OVSettingsWindowController::deviceSelectionChanged(QComboBox* sender) {
    OVStandardPreferences().setObject(kDeviceSelectionKey,
                                      OVSelectionValueForRepresentedObject(sender->currentData()));
    OVDefaultCenter().post(OVDeviceSelectionDidChangeNotification, this);
    buildContent();
}

void OVSettingsWindowController::displaySelectionChanged(QComboBox* sender) {
    OVStandardPreferences().setObject(kDisplaySelectionKey,
                                      OVSelectionValueForRepresentedObject(sender->currentData()));
    OVDefaultCenter().post(OVDisplaySelectionDidChangeNotification, this);
    buildContent();
}

void OVSettingsWindowController::profileSelectionChanged(QComboBox* sender) {
    switch (static_cast<OVProfilePopupCommand>(sender->currentData(kCommandRole).toInt())) {
        case OVProfilePopupCommand::SaveCurrent:
            saveCurrentProfileAsNew();
            return;
        case OVProfilePopupCommand::RemoveCurrent:
            removeCurrentProfile();
            return;
        case OVProfilePopupCommand::ToggleAutomatic:
            OVSetAutomaticProfileSwitchingEnabled(!OVAutomaticProfileSwitchingEnabled());
            buildContent();
            return;
        case OVProfilePopupCommand::None:
            break;
    }
    const QString name = sender->currentData().toString();
    if (!name.isEmpty()) {
        // The profile store's notification rebuilds the window.
        OVSetActiveSettingsProfile(name);
    }
}

void OVSettingsWindowController::saveCurrentProfileAsNew() {
    OVModalAlert alert;
    alert.messageText = QStringLiteral("Save Profile");
    alert.informativeText = QStringLiteral("Name this settings profile.");
    alert.buttonTitles = {QStringLiteral("Save"), QStringLiteral("Cancel")};
    alert.hasTextField = true;
    alert.textFieldValue = QString();
    const int choice = _alerts.runModalAlert(alert);
    if (choice == 0) {
        const std::optional<QString> name = OVTrimmedProfileName(alert.textFieldValue);
        const bool replacing =
            name && *name != OVDefaultProfileName && OVSettingsProfilesMutable().contains(*name);
        if (name && (!replacing || confirmReplacingProfile(*name)) &&
            OVSaveCurrentSettingsAsProfile(*name)) {
            return;  // its notification rebuilt the window
        }
    }
    buildContent();
}

bool OVSettingsWindowController::confirmReplacingProfile(const QString& name) {
    OVModalAlert alert;
    alert.messageText = QStringLiteral("Replace Profile");
    alert.informativeText =
        QStringLiteral(
            "A profile named \"%1\" already exists. Replace its settings with the "
            "current ones?")
            .arg(name);
    alert.buttonTitles = {QStringLiteral("Replace"), QStringLiteral("Cancel")};
    return _alerts.runModalAlert(alert) == 0;
}

void OVSettingsWindowController::removeCurrentProfile() {
    const QString active = OVActiveSettingsProfileName();
    if (active == OVDefaultProfileName) {
        buildContent();
        return;
    }
    OVModalAlert alert;
    alert.messageText = QStringLiteral("Remove Profile");
    alert.informativeText = QStringLiteral("Remove \"%1\" and switch back to Default?").arg(active);
    alert.buttonTitles = {QStringLiteral("Remove"), QStringLiteral("Cancel")};
    if (_alerts.runModalAlert(alert) == 0 && OVRemoveActiveSettingsProfile()) {
        return;  // its notification rebuilt the window
    }
    buildContent();
}

void OVSettingsWindowController::mappingChanged(QComboBox* sender) {
    const QString identifier = sender->objectName();
    const int tag = sender->currentData(kTagRole).toInt();
    switch (OVApplyMappingChange(identifier, tag)) {
        case OVMappingChange::RecordKeyCombo:
            if (const std::optional<QString> input = OVInputFromModifierActionKey(identifier)) {
                recordKeyComboForInput(*input, sender);
            }
            return;
        case OVMappingChange::Stored:
            if (const std::optional<QString> input = OVInputFromMouseActionKey(identifier)) {
                updateInertiaControlForInput(*input);
            }
            return;
        case OVMappingChange::Ignored:
            return;
    }
}

void OVSettingsWindowController::inertiaEnabledChanged(QCheckBox* sender) {
    OVApplyInertiaEnabled(sender->objectName(), sender->isChecked());
}

void OVSettingsWindowController::updateInertiaControlForInput(const QString& input) {
    QCheckBox* box = inertiaCheckBoxForInput(input);
    if (!box) {
        return;
    }
    const OVInertiaControlState state = OVInertiaControlStateForInput(input);
    box->setEnabled(state.enabled);
    box->setChecked(state.checked);
}

void OVSettingsWindowController::recordKeyComboForInput(const QString& input, QComboBox* popup) {
    const std::int64_t previous = OVProfileIntegerForKey(OVModifierActionKey(input));
    QPointer<OVSettingsWindowController> controller(this);
    QPointer<QComboBox> asking(popup);
    auto completion = [controller, input, asking, previous](bool cancelled, std::uint16_t keyCode,
                                                            std::uint64_t flags,
                                                            const QString& label) {
        if (!controller) {
            return;
        }
        if (!cancelled) {
            OVStoreRecordedKeyCombo(input, OVRecordedKeyCombo{false, keyCode, flags, label});
        }
        controller->finishRecording(input, asking, previous, cancelled);
    };
    if (_comboRecorder) {
        // A new recorder replaces the old one.
        _comboRecorder->window()->hide();
        releaseRecorderLater();
    }
    _comboRecorder = std::make_unique<OVKeyComboRecorderWindowController>(
        std::move(completion), _window.get(), _sources.scanCodeTranslator);
    _comboRecorder->showWindow();
}

void OVSettingsWindowController::finishRecording(const QString& input, QPointer<QComboBox> popup,
                                                 std::int64_t previous, bool cancelled) {
    Q_UNUSED(input);
    if (cancelled) {
        if (popup) {
            popup->setCurrentIndex(indexOfTag(popup, previous));
        }
    } else {
        buildContent();
    }
    releaseRecorderLater();
}

void OVSettingsWindowController::releaseRecorderLater() {
    if (!_comboRecorder) {
        return;
    }
    // The recorder may still be delivering the key press or click that finished it: it goes
    // once that is done (or with the application, should it end first).
    std::shared_ptr<OVKeyComboRecorderWindowController> held(std::move(_comboRecorder));
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [held]() mutable { held.reset(); }, Qt::QueuedConnection);
}
