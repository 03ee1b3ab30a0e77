#include <gtest/gtest.h>

#include <QFileInfo>

#include "app/app_test_helpers.h"
#include "app/help_page.h"

namespace {

TEST(Permissions, MissingOnesAreNamedInOrderAndOnlyTheyAreRequested) {
    OVSimPermissions permissions;
    permissions.setCanListenToInput(false);
    permissions.setCanPostEvents(false);
    EXPECT_EQ(OVMissingPermissionNames(permissions),
              QStringList({"Accessibility", "Input Monitoring"}));
    permissions.setCanPostEvents(true);
    OVRequestMissingSystemPermissions(permissions);
    EXPECT_EQ(permissions.postEventAccessRequests(), 0);
    EXPECT_EQ(permissions.listenAccessRequests(), 1);
    EXPECT_FALSE(OVWelcomeRequired("2.4.0", "2.4.0", {}));
    EXPECT_TRUE(OVWelcomeRequired("2.4.0", "2.3.9", {}));
    EXPECT_TRUE(OVWelcomeRequired("2.4.0", "2.4.0", {"Input Monitoring"}));
}

TEST(Permissions, TheFirstRunCheckIsDueUntilDoneAndWhenOwedAndTheSwitchesForgetIt) {
    OVServicesGuard services;
    OVRegisterDefaults();
    OVPreferences& preferences = OVStandardPreferences();
    EXPECT_TRUE(OVInitialCompatibilitySetupRequired()) << "a fresh install";
    preferences.setBool(OVInitialCompatibilityCheckCompletedKey, true);  // its report kept
    EXPECT_FALSE(OVInitialCompatibilitySetupRequired());
    preferences.setObject(OVWelcomeAcceptedVersionKey, QStringLiteral("2.4.0"));
    EXPECT_FALSE(OVSimulateFirstInstallIfRequested({"orvetta", "--verbose"}));
    EXPECT_TRUE(OVSimulateFirstInstallIfRequested({"orvetta", "--simulate-first-install"}));
    EXPECT_FALSE(preferences.hasStoredValue(OVWelcomeAcceptedVersionKey));
    EXPECT_TRUE(OVInitialCompatibilitySetupRequired());
}

TEST(Permissions, TheGuideIsALocalPageWithTheRequestedSection) {
    const QUrl guide = OVPermissionHelpURL(QStringLiteral("accessibility"));
    EXPECT_TRUE(QFileInfo(guide.toLocalFile()).isFile()) << qPrintable(guide.toString());
    EXPECT_EQ(guide.fragment(), "accessibility");
    EXPECT_EQ(OVPermissionHelpURL().adjusted(QUrl::RemoveFragment), OVHelpPageURL());
}

}  // namespace
