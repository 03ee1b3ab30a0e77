#include <gtest/gtest.h>

#include <QFileInfo>

#include "app/app_test_helpers.h"

namespace {

TEST(Permissions, MissingNamesComeInTheirOrderAndRequestsAskOnlyForThem) {
    OVSimPermissions permissions;
    EXPECT_TRUE(OVMissingPermissionNames(permissions).isEmpty());
    permissions.setCanListenToInput(false);
    EXPECT_EQ(OVMissingPermissionNames(permissions), QStringList({"Input Monitoring"}));
    permissions.setCanPostEvents(false);
    EXPECT_EQ(OVMissingPermissionNames(permissions),
              QStringList({"Accessibility", "Input Monitoring"}));
    OVRequestMissingSystemPermissions(permissions);
    EXPECT_EQ(permissions.postEventAccessRequests(), 1);
    EXPECT_EQ(permissions.listenAccessRequests(), 1);
    permissions.setCanPostEvents(true);
    OVRequestMissingSystemPermissions(permissions);
    EXPECT_EQ(permissions.postEventAccessRequests(), 1);
    EXPECT_EQ(permissions.listenAccessRequests(), 2);
}

TEST(Permissions, TheFirstRunCheckIsDueUntilReportedAndWhenOwed) {
    OVServicesGuard services;
    OVRegisterDefaults();
    OVPreferences& preferences = OVStandardPreferences();
    EXPECT_TRUE(OVInitialCompatibilitySetupRequired()) << "a fresh install";
    preferences.setBool(OVInitialCompatibilityReportSentKey, true);
    EXPECT_FALSE(OVInitialCompatibilitySetupRequired());
    preferences.setBool(OVPermissionsCompatibilityCheckPendingKey, true);
    EXPECT_TRUE(OVInitialCompatibilitySetupRequired());
    // Finished with its report waiting in the outbox counts as done as well.
    preferences.setBool(OVPermissionsCompatibilityCheckPendingKey, false);
    preferences.setBool(OVInitialCompatibilityReportSentKey, false);
    preferences.setBool(OVInitialCompatibilityCheckCompletedKey, true);
    EXPECT_FALSE(OVInitialCompatibilitySetupRequired());
}

TEST(Permissions, TheFirstInstallSwitchesForgetTheTermsAndTheCheck) {
    for (const char* flag : {"--simulate-first-install", "-firstinstall"}) {
        SCOPED_TRACE(flag);
        OVServicesGuard services;
        OVRegisterDefaults();
        OVPreferences& preferences = OVStandardPreferences();
        preferences.setObject(OVWelcomeAcceptedVersionKey, QStringLiteral("2.4.0"));
        preferences.setBool(OVInitialCompatibilityReportSentKey, true);
        preferences.setBool(OVInitialCompatibilityCheckCompletedKey, true);
        preferences.setBool(OVPermissionsCompatibilityCheckPendingKey, true);

        EXPECT_FALSE(OVSimulateFirstInstallIfRequested({"orvetta", "--verbose"}));
        EXPECT_EQ(preferences.stringForKey(OVWelcomeAcceptedVersionKey), "2.4.0");

        EXPECT_TRUE(OVSimulateFirstInstallIfRequested({"orvetta", flag}));
        EXPECT_FALSE(preferences.hasStoredValue(OVWelcomeAcceptedVersionKey));
        EXPECT_FALSE(preferences.boolForKey(OVInitialCompatibilityReportSentKey));
        EXPECT_FALSE(preferences.boolForKey(OVPermissionsCompatibilityCheckPendingKey));
        EXPECT_TRUE(OVInitialCompatibilitySetupRequired());
    }
}

TEST(Welcome, ShownUnlessThisVersionWasAcceptedWithEveryPermissionGranted) {
    EXPECT_FALSE(OVWelcomeRequired("2.4.0", "2.4.0", {}));
    EXPECT_TRUE(OVWelcomeRequired("2.4.0", "2.3.9", {}));
    EXPECT_TRUE(OVWelcomeRequired("2.4.0", "", {}));
    EXPECT_TRUE(OVWelcomeRequired("2.4.0", "2.4.0", {"Input Monitoring"}));
}

TEST(Welcome, AcceptingStoresTheVersionAndQuittingStoresNothing) {
    {
        AppFixture app;
        app.preferences().setObject(OVWelcomeAcceptedVersionKey, QStringLiteral("2.3.9"));
        EXPECT_TRUE(app.delegate->showWelcomeIfNeeded());
        ASSERT_EQ(app.ui.alerts.size(), 1);
        EXPECT_EQ(app.preferences().stringForKey(OVWelcomeAcceptedVersionKey), "2.4.0");
        // Accepted now: the next launch shows nothing.
        EXPECT_TRUE(app.delegate->showWelcomeIfNeeded());
        EXPECT_EQ(app.ui.alerts.size(), 1);
    }
    {
        AppFixture app;
        app.ui.answers = {1};
        EXPECT_FALSE(app.delegate->showWelcomeIfNeeded());
        EXPECT_FALSE(app.preferences().hasStoredValue(OVWelcomeAcceptedVersionKey));
    }
    {
        // Closing the dialog without a button is no acceptance.
        AppFixture app;
        app.ui.answers = {-1};
        EXPECT_FALSE(app.delegate->showWelcomeIfNeeded());
    }
    {
        AppFixture app;
        app.setUpReturningUser();
        app.permissions.setCanPostEvents(false);
        EXPECT_TRUE(app.delegate->showWelcomeIfNeeded());
        EXPECT_EQ(app.ui.alerts.size(), 1) << "a missing permission shows it every launch";
    }
}

TEST(Welcome, TheTextSaysWhatOrvettaDoesAndWhatTheReportHolds) {
    const OVModalAlert welcome = OVWelcomeAlert();
    EXPECT_EQ(welcome.messageText, "Welcome to Orvetta");
    for (const char* part : {"touch display", "mouse", "keyboard", "anonymous",
                             "HID report descriptor", "By continuing you accept this."}) {
        EXPECT_TRUE(welcome.informativeText.contains(part)) << part;
    }
}

TEST(PermissionHelp, TheGuideIsALocalPageWithTheRequestedSection) {
    const QUrl guide = OVPermissionHelpURL(QStringLiteral("accessibility"));
    ASSERT_TRUE(guide.isLocalFile()) << qPrintable(guide.toString());
    EXPECT_TRUE(QFileInfo(guide.toLocalFile()).isFile());
    EXPECT_EQ(guide.fragment(), "accessibility");
    EXPECT_EQ(OVPermissionHelpURL().fragment(), "permissions");
    EXPECT_EQ(OVPermissionHelpURL().adjusted(QUrl::RemoveFragment), OVHelpPageURL());
}

}  // namespace
