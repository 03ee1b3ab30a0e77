#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QStandardItemModel>
#include <QTest>

#include "app/app_test_helpers.h"
#include "hid/descriptor_writer.h"
#include "hid/device_discovery.h"
#include "settings/key_names.h"
#include "settings/ui/key_combo_recorder.h"
#include "settings/ui/settings_window.h"

namespace {

bool itemEnabled(const QComboBox* popup, const QString& title) {
    const auto* model = qobject_cast<const QStandardItemModel*>(popup->model());
    return model->item(popup->findText(title))->isEnabled();
}

// Chooses the item titled `title` as a user would, then lets replaced content go.
void choose(QComboBox* popup, const QString& title) {
    const int index = popup->findText(title);
    ASSERT_GE(index, 0) << qPrintable(title);
    popup->setCurrentIndex(index);
    emit popup->activated(index);
}
void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class SettingsWindow : public ::testing::Test {
  protected:
    SettingsWindow() : observers(OVDefaultCenter()) {
        observers.add(OVDeviceSelectionDidChangeNotification, nullptr,
                      [this](const OVNotification& n) { deviceNotices.append(n.sender); });
    }
    OVSettingsWindowController& open() {
        window = std::make_unique<OVSettingsWindowController>(alerts);
        window->showWindow();
        return *window;
    }

    AppFixture app;
    OVScopedObservers observers;
    ScriptedAlerts alerts;
    std::unique_ptr<OVSettingsWindowController> window;
    QList<const void*> deviceNotices;
};

TEST_F(SettingsWindow, DevicesProfilesAndInputActionsAreChosenAndStored) {
    app.devices.add({{"VendorID", 0x04e8},
                     {"ProductID", 0xa0b1},
                     {"LocationID", 0x1120000},
                     {"Product", "Flip Pro"},
                     {"PrimaryUsagePage", 0x0D},
                     {"PrimaryUsage", 0x04}},
                    OVHIDTouchScreenDescriptor(OVHIDTouchScreenDescription{}));
    OVStandardPreferences().setObject("deviceSelection", QStringLiteral("sig-gone"));
    OVSettingsWindowController& settings = open();
    QComboBox* devices = settings.devicePopup();
    ASSERT_EQ(devices->count(), 5);  // Auto, ---, the attached one, ---, the selected one
    EXPECT_EQ(devices->currentIndex(), 4);
    EXPECT_FALSE(itemEnabled(devices, devices->currentText()));
    choose(devices, devices->itemText(2));
    EXPECT_EQ(OVCurrentDeviceSelection().left(19), "04e8:a0b1:01120000:");
    EXPECT_EQ(deviceNotices, QList<const void*>({&settings}));
    EXPECT_EQ(settings.devicePopup()->count(), 3) << "the missing device is gone";
    settle();

    // Cancel, a blank name and "Default" change nothing and put the pop-up back.
    alerts.answers = {{1, "Other"}, {0, "   "}, {0, "Default"}, {0, "  Mail  "}};
    for (int attempt = 0; attempt < 4; ++attempt) {
        EXPECT_EQ(settings.profilePopup()->currentText(), "Default");
        choose(settings.profilePopup(), "Save Current as...");
        settle();
    }
    EXPECT_EQ(OVSettingsProfileNames(), QStringList({"Default", "Mail"}));
    OVSetActiveSettingsProfile(OVDefaultProfileName);  // chosen elsewhere: the window follows

    QCheckBox* pen = settings.inertiaCheckBoxForInput("pen");
    choose(settings.mousePopupForInput("pen"), "Scroll");  // scrolling brings inertia
    EXPECT_TRUE(pen->isEnabled() && pen->isChecked());
    choose(settings.mousePopupForInput("pen"), "Left");
    EXPECT_EQ(OVProfileIntegerForKey(OVMouseActionKey("pen")), 1);
    EXPECT_FALSE(pen->isEnabled());
}

TEST_F(SettingsWindow, AKeyComboIsRecordedInASheet) {
    OVSetProfileValueForKey(OVModifierActionKey("finger3"), 1);
    OVSettingsWindowController& settings = open();
    QComboBox* popup = settings.modifierPopupForInput("finger3");
    choose(popup, "Key combo...");
    OVKeyComboRecorderWindowController* recorder = settings.comboRecorder();
    ASSERT_TRUE(recorder);
    EXPECT_EQ(recorder->window()->parentWidget(), settings.window());  // a sheet
    QTest::keyClick(recorder->captureView(), Qt::Key_Escape);  // a key to record, not a cancel
    EXPECT_FALSE(settings.comboRecorder());
    EXPECT_EQ(OVProfileIntegerForKey(OVKeyComboKeyCodeKey("finger3")), 53);
    QComboBox* rebuilt = settings.modifierPopupForInput("finger3");
    EXPECT_EQ(rebuilt->currentText(), "Esc");
    EXPECT_EQ(rebuilt->currentIndex(), rebuilt->count() - 1);
    settle();
}

}  // namespace
