#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app_ui/app_ui_test_helpers.h"
#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "hid/descriptor_writer.h"
#include "hid/device_discovery.h"
#include "settings/key_names.h"
#include "settings/profiles.h"
#include "settings/ui/key_combo_recorder.h"
#include "settings/ui/settings_window.h"

namespace {

QVariantMap device(const QString& title, bool supported, const QString& signature) {
    return {{"title", title}, {"supported", supported}, {"signature", signature}};
}

QVariantMap option(const QString& title, const QString& value) {
    return {{"title", title}, {"value", value}};
}

class SettingsWindow : public ::testing::Test {
  protected:
    SettingsWindow() : observers(OVDefaultCenter()) {
        OVRegisterDefaults();
        sources = OVSettingsWindowController::defaultSources();
        sources.candidateDevices = [this] { return candidates; };
        sources.displaySelectionOptions = [this] { return displayOptions; };
        observers.add(OVDeviceSelectionDidChangeNotification, nullptr,
                      [this](const OVNotification& n) { deviceNotices.append(n.sender); });
        observers.add(OVDisplaySelectionDidChangeNotification, nullptr,
                      [this](const OVNotification& n) { displayNotices.append(n.sender); });
    }

    OVSettingsWindowController& open() {
        controller = std::make_unique<OVSettingsWindowController>(alerts, sources);
        controller->showWindow();
        return *controller;
    }
    // Deletes the replaced content and a finished recorder, as the event loop would.
    static void settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    QString stored(const QString& key) { return OVStandardPreferences().stringForKey(key); }

    OVServicesGuard services;
    OVScopedObservers observers;
    ScriptedAlerts alerts;
    QVariantList candidates;
    QVariantList displayOptions{option("Auto", "auto"), option("Primary display", "primary"),
                                option("Secondary display", "secondary")};
    OVSettingsWindowController::Sources sources;
    std::unique_ptr<OVSettingsWindowController> controller;
    QList<const void*> deviceNotices;
    QList<const void*> displayNotices;
};

TEST_F(SettingsWindow, TheWindowAndItsRowsSitWhereTheLayoutPutsThem) {
    OVSettingsWindowController& window = open();
    EXPECT_EQ(window.window()->windowTitle(), "Orvetta Settings");
    EXPECT_EQ(window.window()->size(), QSize(520, 414));
    EXPECT_EQ(window.devicePopup()->geometry(), QRect(148, 52, 330, 28));
    EXPECT_EQ(window.displayPopup()->geometry(), QRect(148, 84, 330, 28));
    EXPECT_EQ(window.profilePopup()->geometry(), QRect(148, 116, 330, 28));
    EXPECT_EQ(window.mousePopupForInput("finger1")->geometry(), QRect(148, 194, 126, 28));
    EXPECT_EQ(window.modifierPopupForInput("eraser")->geometry(), QRect(292, 328, 126, 28));
    EXPECT_EQ(window.inertiaCheckBoxForInput("pen")->geometry().topLeft(), QPoint(456, 298));

    QStringList rowTitles;
    for (const QLabel* label : window.contentView()->findChildren<QLabel*>()) {
        rowTitles.append(label->text());
    }
    for (const char* title :
         {"Device", "Display", "Profile", "Input settings", "Mouse", "Keyboard", "Inertia",
          "Finger 1 point", "Finger 2 point", "Finger 3 point", "Pen", "Eraser"}) {
        EXPECT_TRUE(rowTitles.contains(title)) << title;
    }
    // Every control lies inside the content.
    for (const QWidget* child : window.contentView()->findChildren<QWidget*>()) {
        EXPECT_TRUE(QRect(0, 0, 520, 414).contains(child->geometry()))
            << qPrintable(child->objectName());
    }
}

TEST_F(SettingsWindow, ADisconnectedDeviceStaysSelectedUntilAnotherIsChosen) {
    candidates = {device("Flip Pro", true, "sig-a"), device("Panel", false, "sig-b")};
    OVStandardPreferences().setObject("deviceSelection", QStringLiteral("sig-gone"));
    OVSettingsWindowController& window = open();

    QComboBox* popup = window.devicePopup();
    EXPECT_EQ(popupTitles(popup), QStringList({"Auto", "---", "Flip Pro", "Panel - possible", "---",
                                               "Selected device not connected"}));
    EXPECT_EQ(popup->currentIndex(), 5);
    EXPECT_FALSE(popupItemEnabled(popup, 5));
    EXPECT_EQ(popup->currentData().toString(), "sig-gone");

    choose(popup, "Panel - possible");
    EXPECT_EQ(stored("deviceSelection"), "sig-b");
    ASSERT_EQ(deviceNotices.size(), 1);
    EXPECT_EQ(deviceNotices[0], &window);
    // Rebuilt from the store: the missing device is gone from the list.
    EXPECT_NE(window.devicePopup(), popup);
    EXPECT_EQ(popupTitles(window.devicePopup()).size(), 4);
    EXPECT_EQ(window.devicePopup()->currentText(), "Panel - possible");
    settle();

    choose(window.devicePopup(), "Auto");
    EXPECT_EQ(stored("deviceSelection"), "auto");
    EXPECT_EQ(window.devicePopup()->currentIndex(), 0);
    EXPECT_EQ(deviceNotices.size(), 2);
}

TEST(SettingsWindowSources, TheAttachedDevicesAndActiveDisplaysFillThePopups) {
    AppFixture app;
    app.displays.displayCount = 2;
    const QVariantMap touchScreen{{"VendorID", 0x04e8},      {"ProductID", 0xa0b1},
                                  {"LocationID", 0x1120000}, {"Manufacturer", "Samsung"},
                                  {"Product", "Flip Pro"},   {"PrimaryUsagePage", 0x0D},
                                  {"PrimaryUsage", 0x04}};
    app.devices.add(touchScreen, OVHIDTouchScreenDescriptor(OVHIDTouchScreenDescription{}));
    app.devices.add({{"VendorID", 0x046d},
                     {"ProductID", 0xc52b},
                     {"Product", "Receiver"},
                     {"PrimaryUsagePage", 0x01},
                     {"PrimaryUsage", 0x02}});
    ScriptedAlerts alerts;
    OVSettingsWindowController window(alerts);

    const QStringList devices = popupTitles(window.devicePopup());
    ASSERT_EQ(devices.size(), 3);
    EXPECT_EQ(devices[0], "Auto");
    EXPECT_TRUE(devices[2].startsWith("Flip Pro")) << qPrintable(devices[2]);
    EXPECT_FALSE(devices[2].endsWith(" - possible"));
    EXPECT_EQ(popupTitles(window.displayPopup()),
              QStringList({"Auto", "Primary display", "Secondary display"}));

    choose(window.devicePopup(), devices[2]);
    EXPECT_EQ(OVCurrentDeviceSelection().left(19), "04e8:a0b1:01120000:");
}

TEST_F(SettingsWindow, WithoutCandidatesTheDevicePopupHoldsAutoAlone) {
    OVSettingsWindowController& window = open();
    EXPECT_EQ(popupTitles(window.devicePopup()), QStringList({"Auto"}));
    EXPECT_EQ(window.devicePopup()->currentIndex(), 0);
}

TEST_F(SettingsWindow, ChoosingADisplayStoresItsValueAndAnnouncesItOnce) {
    OVStandardPreferences().setObject("displaySelection", QStringLiteral("display:99"));
    OVSettingsWindowController& window = open();
    EXPECT_EQ(popupTitles(window.displayPopup()),
              QStringList({"Auto", "Primary display", "Secondary display"}));
    EXPECT_EQ(window.displayPopup()->currentIndex(), 0) << "an unknown value selects the first";

    choose(window.displayPopup(), "Secondary display");
    EXPECT_EQ(stored("displaySelection"), "secondary");
    EXPECT_EQ(displayNotices, QList<const void*>({&window}));
    EXPECT_EQ(window.displayPopup()->currentText(), "Secondary display");
    EXPECT_TRUE(deviceNotices.isEmpty());
}

TEST_F(SettingsWindow, ProfilesAreSavedSelectedAndRemovedThroughTheirAlerts) {
    OVSettingsWindowController& window = open();
    QComboBox* profiles = window.profilePopup();
    EXPECT_EQ(popupTitles(profiles),
              QStringList({"Default", "---", "Save Current as...", "Remove Current", "---",
                           "Automatic Switching: On"}));
    EXPECT_FALSE(popupItemEnabled(profiles, 3)) << "Default cannot be removed";

    alerts.answers = {{0, "  Mail  "}};
    choose(profiles, "Save Current as...");
    ASSERT_EQ(alerts.alerts.size(), 1);
    EXPECT_EQ(alerts.alerts[0].messageText, "Save Profile");
    EXPECT_EQ(alerts.alerts[0].informativeText, "Name this settings profile.");
    EXPECT_EQ(alerts.alerts[0].buttonTitles, QStringList({"Save", "Cancel"}));
    EXPECT_TRUE(alerts.alerts[0].hasTextField);
    EXPECT_EQ(OVActiveSettingsProfileName(), "Mail");
    EXPECT_EQ(window.profilePopup()->currentText(), "Mail");
    EXPECT_TRUE(popupItemEnabled(window.profilePopup(), 4));
    settle();

    // Cancel, a blank name and "Default" change nothing and put the pop-up back.
    alerts.answers = {{1, "Other"}, {0, "   "}, {0, "Default"}};
    for (int attempt = 0; attempt < 3; ++attempt) {
        choose(window.profilePopup(), "Save Current as...");
        EXPECT_EQ(window.profilePopup()->currentText(), "Mail");
        settle();
    }
    EXPECT_EQ(OVSettingsProfileNames(), QStringList({"Default", "Mail"}));

    choose(window.profilePopup(), "Default");
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(window.profilePopup()->currentText(), "Default");
    settle();
    choose(window.profilePopup(), "Mail");
    settle();

    alerts.answers = {{1, {}}, {0, {}}};
    choose(window.profilePopup(), "Remove Current");
    EXPECT_EQ(alerts.alerts.last().messageText, "Remove Profile");
    EXPECT_EQ(alerts.alerts.last().informativeText, "Remove \"Mail\" and switch back to Default?");
    EXPECT_EQ(alerts.alerts.last().buttonTitles, QStringList({"Remove", "Cancel"}));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Mail") << "cancelled";
    EXPECT_EQ(window.profilePopup()->currentText(), "Mail");
    settle();
    choose(window.profilePopup(), "Remove Current");
    EXPECT_EQ(OVSettingsProfileNames(), QStringList({"Default"}));
    EXPECT_EQ(window.profilePopup()->currentText(), "Default");
}

TEST_F(SettingsWindow, SavingOverAProfileAsksFirstAndCommandNamesAreOrdinaryNames) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("__save"));
    OVSetActiveSettingsProfile(OVDefaultProfileName);
    OVSettingsWindowController& window = open();

    // A profile named like a command is a profile.
    choose(window.profilePopup(), "__save");
    EXPECT_TRUE(alerts.alerts.isEmpty());
    EXPECT_EQ(OVActiveSettingsProfileName(), "__save");
    settle();
    choose(window.profilePopup(), "Default");
    settle();

    // Saving under its name asks before the profile is replaced.
    OVSetProfileValueForKey("scrollScale", 3.0);
    auto savedScale = [] {
        return OVSettingsProfilesMutable().value("__save").toMap().value("scrollScale");
    };
    alerts.answers = {{0, " __save "}, {1, {}}};
    choose(window.profilePopup(), "Save Current as...");
    ASSERT_EQ(alerts.alerts.size(), 2);
    EXPECT_EQ(alerts.alerts[1].messageText, "Replace Profile");
    EXPECT_EQ(alerts.alerts[1].buttonTitles, QStringList({"Replace", "Cancel"}));
    EXPECT_EQ(savedScale(), 1.5) << "kept";
    EXPECT_EQ(window.profilePopup()->currentText(), "Default");
    settle();

    alerts.answers = {{0, "__save"}, {0, {}}};
    choose(window.profilePopup(), "Save Current as...");
    EXPECT_EQ(savedScale(), 3.0);
    EXPECT_EQ(OVActiveSettingsProfileName(), "__save");
}

TEST_F(SettingsWindow, TheSwitchingItemTogglesAndShowsItsStateAfterTheRebuild) {
    OVSettingsWindowController& window = open();
    const int on = window.profilePopup()->findText("Automatic Switching: On");
    ASSERT_GE(on, 0);
    EXPECT_EQ(window.profilePopup()->itemData(on, Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_FALSE(window.profilePopup()->itemIcon(on).isNull());

    choose(window.profilePopup(), "Automatic Switching: On");
    EXPECT_FALSE(OVAutomaticProfileSwitchingEnabled());
    const int off = window.profilePopup()->findText("Automatic Switching: Off");
    ASSERT_GE(off, 0);
    EXPECT_FALSE(window.profilePopup()->itemData(off, Qt::CheckStateRole).isValid());
    EXPECT_TRUE(window.profilePopup()->itemIcon(off).isNull());
    EXPECT_EQ(window.profilePopup()->currentText(), "Default");
}

TEST_F(SettingsWindow, AProfileChosenElsewhereRebuildsTheWindow) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Mail"));
    OVSetProfileValueForKey(OVMouseActionKey("pen"), 2);
    OVSetActiveSettingsProfile(OVDefaultProfileName);
    OVSettingsWindowController& window = open();
    EXPECT_EQ(window.mousePopupForInput("pen")->currentText(), "Left");

    OVSetActiveSettingsProfile("Mail");
    EXPECT_EQ(window.profilePopup()->currentText(), "Mail");
    EXPECT_EQ(window.mousePopupForInput("pen")->currentText(), "Right");
}

TEST_F(SettingsWindow, MousePopupsOfferScrollAndPinchToTheSecondFingerOnly) {
    OVSettingsWindowController& window = open();
    for (const QString& input : OVInputNames()) {
        SCOPED_TRACE(qPrintable(input));
        const int expected = input == "finger2" ? 6 : 5;
        EXPECT_EQ(window.mousePopupForInput(input)->count(), expected);
        EXPECT_EQ(window.modifierPopupForInput(input)->count(), 10);
    }
    EXPECT_EQ(window.mousePopupForInput("finger2")->itemText(5), "Scroll and pinch");
    EXPECT_EQ(window.mousePopupForInput("finger2")->currentText(), "Scroll");
    EXPECT_EQ(window.mousePopupForInput("finger3")->currentText(), "Middle");
    EXPECT_EQ(popupTitles(window.modifierPopupForInput("pen")),
              QStringList({"None", "Shift", "Control", "Option", "Command", "Esc",
                           "Mission Control", "Show Keyboard", "Screenshot", "Key combo..."}));
}

TEST_F(SettingsWindow, ChoosingScrollSwitchesInertiaOnAndAnyOtherActionSwitchesItOff) {
    OVSettingsWindowController& window = open();
    QCheckBox* pen = window.inertiaCheckBoxForInput("pen");
    EXPECT_FALSE(pen->isEnabled());
    EXPECT_FALSE(pen->isChecked());
    EXPECT_TRUE(window.inertiaCheckBoxForInput("finger2")->isEnabled());
    EXPECT_TRUE(window.inertiaCheckBoxForInput("finger2")->isChecked());

    choose(window.mousePopupForInput("pen"), "Scroll");
    EXPECT_EQ(OVProfileIntegerForKey(OVMouseActionKey("pen")), 4);
    EXPECT_TRUE(OVEffectiveInertiaEnabledForInput("pen"));
    EXPECT_TRUE(pen->isEnabled());
    EXPECT_TRUE(pen->isChecked());

    QTest::mouseClick(pen, Qt::LeftButton);
    EXPECT_FALSE(pen->isChecked());
    EXPECT_EQ(OVProfileValueForKey(OVInertiaEnabledKey("pen")).toInt(), 0);
    QTest::mouseClick(pen, Qt::LeftButton);
    EXPECT_EQ(OVProfileValueForKey(OVInertiaEnabledKey("pen")).toInt(), 1);

    choose(window.mousePopupForInput("pen"), "Left");
    EXPECT_EQ(OVProfileIntegerForKey(OVMouseActionKey("pen")), 1);
    EXPECT_FALSE(OVEffectiveInertiaEnabledForInput("pen"));
    EXPECT_FALSE(pen->isEnabled());
    EXPECT_FALSE(pen->isChecked());
    EXPECT_EQ(window.inertiaCheckBoxForInput("pen"), pen) << "no rebuild for a mapping";

    // A disabled box shows unchecked even when the stored flag is on.
    OVSetProfileValueForKey(OVInertiaEnabledKey("pen"), true);
    window.updateInertiaControlForInput("pen");
    EXPECT_FALSE(pen->isChecked());
}

TEST_F(SettingsWindow, PressAndHoldIsACheckBoxUnderTheInputs) {
    OVSetProfileValueForKey(OVLongPressRightClickKey, true);
    OVSettingsWindowController& window = open();
    auto* box = window.contentView()->findChild<QCheckBox*>(OVLongPressRightClickKey);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), "Press and hold for right click");
    EXPECT_GT(box->geometry().top(), window.mousePopupForInput("eraser")->geometry().bottom());
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(OVProfileBoolForKey(OVLongPressRightClickKey));
}

TEST_F(SettingsWindow, AKeyboardActionIsStoredUnderThePopupsKey) {
    OVSettingsWindowController& window = open();
    choose(window.modifierPopupForInput("finger1"), "Mission Control");
    EXPECT_EQ(OVProfileIntegerForKey(OVModifierActionKey("finger1")), 6);
    choose(window.modifierPopupForInput("finger1"), "Screenshot");
    EXPECT_EQ(OVProfileIntegerForKey(OVModifierActionKey("finger1")), 9);
    EXPECT_FALSE(window.comboRecorder());
}

class KeyComboRecording : public SettingsWindow {
  protected:
    void SetUp() override {
        OVSetProfileValueForKey(OVModifierActionKey("finger3"), 1);
        open();
        popup = controller->modifierPopupForInput("finger3");
        ASSERT_EQ(popup->currentText(), "Shift");
        choose(popup, "Key combo...");
        recorder = controller->comboRecorder();
        ASSERT_TRUE(recorder);
    }

    QComboBox* popup = nullptr;
    OVKeyComboRecorderWindowController* recorder = nullptr;
};

TEST_F(KeyComboRecording, TheRecorderIsAModalSheetOnTheSettingsWindow) {
    QDialog* sheet = recorder->window();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowTitle(), "Record Key Combo");
    EXPECT_EQ(sheet->size(), QSize(340, 150));
    EXPECT_EQ(sheet->parentWidget(), controller->window());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->focusWidget(), recorder->captureView());
    EXPECT_EQ(OVProfileIntegerForKey(OVModifierActionKey("finger3")), 1) << "nothing stored yet";
}

TEST_F(KeyComboRecording, CancelPutsThePopupBackAndStoresNothing) {
    QTest::mouseClick(recorder->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(recorder->window()->isVisible());
    EXPECT_EQ(popup->currentText(), "Shift");
    EXPECT_EQ(OVProfileIntegerForKey(OVModifierActionKey("finger3")), 1);
    EXPECT_FALSE(controller->comboRecorder());
    settle();
}

TEST_F(KeyComboRecording, TheCloseButtonCancelsToo) {
    recorder->window()->close();
    EXPECT_EQ(popup->currentText(), "Shift");
    EXPECT_FALSE(controller->comboRecorder());
    EXPECT_TRUE(OVProfileStringForKey(OVKeyComboLabelKey("finger3")).isEmpty());
    settle();
}

TEST_F(KeyComboRecording, AKeyPressIsStoredAndBecomesThePopupsLastItem) {
    // A modifier alone records nothing.
    QTest::keyPress(recorder->captureView(), Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(controller->comboRecorder());
    QTest::keyClick(recorder->captureView(), Qt::Key_K, Qt::ControlModifier);

    EXPECT_FALSE(controller->comboRecorder());
    EXPECT_EQ(OVProfileIntegerForKey(OVModifierActionKey("finger3")), 8);
    EXPECT_EQ(OVProfileIntegerForKey(OVKeyComboKeyCodeKey("finger3")), 40);
    EXPECT_EQ(OVProfileIntegerForKey(OVKeyComboFlagsKey("finger3")), 0x40000);
    EXPECT_EQ(OVProfileStringForKey(OVKeyComboLabelKey("finger3")), "Ctrl+K");
    QComboBox* rebuilt = controller->modifierPopupForInput("finger3");
    EXPECT_EQ(rebuilt->itemText(rebuilt->count() - 1), "Ctrl+K");
    EXPECT_EQ(rebuilt->currentText(), "Ctrl+K");
    settle();
}

TEST_F(KeyComboRecording, EscapeIsAKeyToRecordNotACancel) {
    QTest::keyClick(recorder->captureView(), Qt::Key_Escape);
    EXPECT_EQ(OVProfileIntegerForKey(OVKeyComboKeyCodeKey("finger3")), 53);
    EXPECT_EQ(OVProfileStringForKey(OVKeyComboLabelKey("finger3")), "Esc");
    settle();
}

struct KeyRow {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int keyCode;
    qint64 flags;
    const char* label;
};

TEST(KeyComboCapture, QtKeysBecomeKeyCodesFlagsAndLabels) {
    OVServicesGuard services;
    const KeyRow rows[] = {
        {Qt::Key_A, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier, 0,
         0x1E0000, "Ctrl+Opt+Shift+Cmd+A"},
        {Qt::Key_F5, Qt::NoModifier, 96, 0, "F5"},
        {Qt::Key_Exclam, Qt::ShiftModifier, 18, 0x20000, "Shift+1"},
        {Qt::Key_Backtab, Qt::ShiftModifier, 48, 0x20000, "Shift+Tab"},
        {Qt::Key_Return, Qt::NoModifier, 36, 0, "Return"},
        {Qt::Key_F13, Qt::NoModifier, 105, 0, "Key 105"},
        {Qt::Key_P, Qt::MetaModifier | Qt::ShiftModifier, 35, 0x120000, "Shift+Cmd+P"},
        {Qt::Key_5, Qt::KeypadModifier, 87, 0, "Key 87"},
    };
    for (const KeyRow& row : rows) {
        SCOPED_TRACE(row.label);
        OVKeyComboCaptureView view;
        std::optional<std::tuple<bool, int, qint64, QString>> reported;
        view.completion = [&](bool cancelled, std::uint16_t code, std::uint64_t flags,
                              const QString& label) {
            reported.emplace(cancelled, code, static_cast<qint64>(flags), label);
        };
        QTest::keyClick(&view, row.key, row.modifiers);
        ASSERT_TRUE(reported);
        EXPECT_FALSE(std::get<0>(*reported));
        EXPECT_EQ(std::get<1>(*reported), row.keyCode);
        EXPECT_EQ(std::get<2>(*reported), row.flags);
        EXPECT_EQ(std::get<3>(*reported), row.label);
    }
}

TEST(KeyComboCapture, ModifiersAloneAndUnknownKeysRecordNothing) {
    OVKeyComboCaptureView view;
    int calls = 0;
    view.completion = [&](bool, std::uint16_t, std::uint64_t, const QString&) { ++calls; };
    for (const Qt::Key key :
         {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta, Qt::Key_CapsLock,
          Qt::Key_Super_L, Qt::Key_AltGr, Qt::Key_MediaPlay}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
    }
    EXPECT_EQ(calls, 0);
}

TEST(KeyComboCapture, AScanCodeTranslatorNamesTheKeysPlace) {
    OVKeyComboCaptureView view;
    view.scanCodeTranslator = [](quint32 scanCode) -> std::optional<std::uint16_t> {
        if (scanCode == 29) {  // where Y sits on a German keyboard
            return 16;
        }
        return std::nullopt;
    };
    QList<int> codes;
    view.completion = [&](bool, std::uint16_t code, std::uint64_t, const QString&) {
        codes.append(code);
    };
    QKeyEvent placed(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier, 29, 0, 0, "z");
    QCoreApplication::sendEvent(&view, &placed);
    QKeyEvent unknown(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier, 200, 0, 0, "z");
    QCoreApplication::sendEvent(&view, &unknown);
    EXPECT_EQ(codes, QList<int>({16, 6}));
}

TEST(KeyComboRecorder, TheCompletionRunsOnceWhateverComesFirst) {
    int calls = 0;
    bool lastCancelled = false;
    OVKeyComboRecorderWindowController recorder(
        [&](bool cancelled, std::uint16_t, std::uint64_t, const QString&) {
            ++calls;
            lastCancelled = cancelled;
        },
        nullptr);
    recorder.showWindow();
    QTest::keyClick(recorder.captureView(), Qt::Key_K, Qt::ControlModifier);
    recorder.cancel();
    recorder.window()->close();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(lastCancelled);
    EXPECT_TRUE(recorder.finished());
    EXPECT_FALSE(recorder.window()->isVisible());
}

}  // namespace
