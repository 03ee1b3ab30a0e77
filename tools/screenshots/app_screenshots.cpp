#include <QCoreApplication>
#include <QDialog>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>

#include "app/app_delegate.h"
#include "app/permissions_and_welcome.h"
#include "app/status_menu_state.h"
#include "app/touch_session.h"
#include "app/ui/about_window.h"
#include "app/ui/alert_dialog.h"
#include "app/ui/app_shell.h"
#include "app/ui/help_window.h"
#include "app/ui/status_icon.h"
#include "app/ui/status_item.h"
#include "base/preferences.h"
#include "base/services.h"
#include "hid/touch_bridge.h"
#include "orvetta_config.h"
#include "screenshots.h"
#include "settings/key_names.h"
#include "settings/profiles.h"
#include "settings/ui/key_combo_recorder.h"
#include "settings/ui/settings_window.h"

namespace {

// A session that runs, for pictures of the menu.
class ShowcaseSession : public OVTouchSession {
  public:
    bool start(OVError*) override { return true; }
    void stop() override {}
    bool running() const override { return true; }
    OVTouchStatus status() const override { return OVTouchStatus::Active; }
    bool compatibilityTestMode() const override { return false; }
    void setCompatibilityTestMode(bool) override {}
    void refreshDisplayMapping() override {}
};

class NoAlerts : public OVModalAlertRunner {
  public:
    int runModalAlert(OVModalAlert&) override { return -1; }
};

OVStatusMenuState showcaseMenuState() {
    OVStatusMenuInputs inputs;
    inputs.sessionRunning = true;
    inputs.sessionStatusText = QStringLiteral("Touch active");
    inputs.profileNames = OVSettingsProfileNames();
    inputs.activeProfileName = OVActiveSettingsProfileName();
    inputs.automaticSwitching = OVAutomaticProfileSwitchingEnabled();
    return OVStatusMenuStateFor(inputs);
}

// Shows the status item as a desktop without a tray does and renders `pick` of it.
QImage renderStatusItem(const std::function<QImage(OVStatusItem&)>& pick) {
    NoAlerts alerts;
    OVQtAppShell::Options options;
    options.trayAvailable = false;
    options.alerts = &alerts;
    options.terminate = [] {};
    OVQtAppShell shell(std::move(options));
    ShowcaseSession session;
    OVAppDelegate delegate(session, shell);
    shell.setDelegate(&delegate);
    shell.createStatusItem();
    shell.setMenuState(showcaseMenuState());
    return pick(*shell.statusItem());
}

QImage renderMenu(QMenu* menu) {
    menu->adjustSize();
    menu->ensurePolished();
    return OVScreenshotOfWindow(menu);
}

QImage renderAlert(const OVModalAlert& alert) {
    OVAlertDialog dialog(alert);
    dialog.adjustSize();
    return OVScreenshotOfWindow(&dialog);
}

QImage renderSettings(const std::function<void()>& prepare,
                      const std::function<void(OVSettingsWindowController&)>& after = {}) {
    prepare();
    NoAlerts alerts;
    OVSettingsWindowController::Sources sources = OVSettingsWindowController::defaultSources();
    sources.candidateDevices = [] {
        return QVariantList{QVariantMap{{"title", "Samsung Flip Pro (USB)"},
                                        {"supported", true},
                                        {"signature", "04e8:a0b1:01120000:Samsung:Flip Pro:SN12"}},
                            QVariantMap{{"title", "Generic Touch Panel"},
                                        {"supported", false},
                                        {"signature", "222a:0001:01130000:ILITEK:Panel:"}}};
    };
    sources.displaySelectionOptions = [] {
        return QVariantList{QVariantMap{{"title", "Auto"}, {"value", "auto"}},
                            QVariantMap{{"title", "Primary display"}, {"value", "primary"}},
                            QVariantMap{{"title", "Secondary display"}, {"value", "secondary"}}};
    };
    OVSettingsWindowController settings(alerts, sources);
    if (after) {
        after(settings);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return OVScreenshotOfWindow(settings.window());
}

}  // namespace

QList<OVScreenshot> OVAppScreenshots() {
    return {
        {QStringLiteral("app-status-menu-window"),
         [] {
             return renderStatusItem(
                 [](OVStatusItem& item) { return OVScreenshotOfWindow(item.menuWindow()); });
         }},
        {QStringLiteral("app-status-menu"),
         [] {
             return renderStatusItem([](OVStatusItem& item) { return renderMenu(item.menu()); });
         }},
        {QStringLiteral("app-status-menu-profiles"),
         [] {
             OVSaveCurrentSettingsAsProfile(QStringLiteral("Krita"));
             OVSaveCurrentSettingsAsProfile(QStringLiteral("Firefox"));
             const QImage image = renderStatusItem(
                 [](OVStatusItem& item) { return renderMenu(item.profileMenu()); });
             OVSetActiveSettingsProfile(QStringLiteral("Krita"));
             OVRemoveActiveSettingsProfile();
             OVSetActiveSettingsProfile(QStringLiteral("Firefox"));
             OVRemoveActiveSettingsProfile();
             return image;
         }},
        {QStringLiteral("app-status-icon"),
         [] {
             // The artwork above, the drawn fallback below, at 18, 24, 48 and 96 pixels.
             QImage sheet(300, 250, QImage::Format_ARGB32);
             sheet.fill(QColor(0x3c, 0x3f, 0x46));
             QPainter painter(&sheet);
             int x = 20;
             for (const int size : {18, 24, 48, 96}) {
                 painter.drawImage(x, 20, OVStatusIconImage(size));
                 painter.drawImage(x, 130, OVDrawnStatusIconImage(size));
                 x += size + 20;
             }
             return sheet;
         }},
        {QStringLiteral("app-welcome"), [] { return renderAlert(OVWelcomeAlert()); }},
        {QStringLiteral("app-permission-notice"),
         [] { return renderAlert(OVPermissionNoticeAlert([] {})); }},
        {QStringLiteral("app-start-error"),
         [] {
             const OVError error{
                 QStringLiteral("Orvetta"), OVTouchBridge::MissingPermissionError,
                 QStringLiteral("Missing permission: Accessibility, Input Monitoring")};
             return renderAlert(OVStartErrorAlertFor(error).alert);
         }},
        {QStringLiteral("app-save-profile"),
         [] {
             OVModalAlert alert;
             alert.messageText = QStringLiteral("Save Profile");
             alert.informativeText = QStringLiteral("Name this settings profile.");
             alert.buttonTitles = {QStringLiteral("Save"), QStringLiteral("Cancel")};
             alert.hasTextField = true;
             alert.textFieldValue = QStringLiteral("Krita");
             return renderAlert(alert);
         }},
        {QStringLiteral("app-settings"), [] { return renderSettings([] {}); }},
        {QStringLiteral("app-settings-edited"),
         [] {
             return renderSettings([] {
                 OVStandardPreferences().setObject(QStringLiteral("deviceSelection"),
                                                   QStringLiteral("0eef:0001:01140000:x:y:z"));
                 OVStandardPreferences().setObject(QStringLiteral("displaySelection"),
                                                   QStringLiteral("secondary"));
                 OVSetProfileValueForKey(OVMouseActionKey(QStringLiteral("pen")), 4);
                 OVSetProfileValueForKey(OVInertiaEnabledKey(QStringLiteral("pen")), true);
                 OVStoreRecordedKeyCombo(QStringLiteral("finger3"),
                                         OVKeyComboFromKeyDown(40, 0x40000));
             });
         }},
        {QStringLiteral("app-key-combo-recorder"),
         [] {
             OVKeyComboRecorderWindowController recorder(
                 [](bool, std::uint16_t, std::uint64_t, const QString&) {}, nullptr);
             return OVScreenshotOfWindow(recorder.window());
         }},
        {QStringLiteral("app-about"),
         [] {
             QCoreApplication::setApplicationVersion(QStringLiteral(ORVETTA_VERSION));
             OVAboutWindowController about({});
             return OVScreenshotOfWindow(about.window());
         }},
        {QStringLiteral("app-help"),
         [] {
             OVHelpWindowController help;
             return OVScreenshotOfWindow(help.window());
         }},
        {QStringLiteral("app-help-document"),
         [] {
             OVHelpWindowController help;
             return OVScreenshotOfWindow(help.documentView());
         }},
    };
}
