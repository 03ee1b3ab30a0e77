#include <gtest/gtest.h>

#include "app/app_test_helpers.h"

namespace {

class MenuCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        app.setUpReturningUser();
        app.launch();
        app.advance(0.0);
    }

    AppFixture app;
};

TEST_F(MenuCommands, WhileTheCheckIsDueTheCommandsOpenTheCheckInstead) {
    app.preferences().setBool(OVPermissionsCompatibilityCheckPendingKey, true);
    app.delegate->toggleTouch();
    app.delegate->showKeyboard();
    app.delegate->showSettings();
    EXPECT_EQ(app.ui.windows, QList<OVAppWindow>(3, OVAppWindow::CompatibilityCheck));
    EXPECT_TRUE(app.session.running()) << "toggle did not stop touch";
    EXPECT_FALSE(app.ui.keyboardShown);
    app.delegate->startTouch();
    EXPECT_TRUE(app.session.compatibilityTestMode());
}

TEST(StartErrorAlert, TheOpenButtonsLeadToTheirSectionOfTheSetUpGuide) {
    const struct {
        const char* missing;
        int button;
        QString section;  // empty: nothing opens
    } presses[] = {{"Accessibility, Input Monitoring", 0, "input-monitoring"},
                   {"Accessibility, Input Monitoring", 1, "accessibility"},
                   {"Accessibility", 0, "accessibility"},
                   {"Accessibility", -1, {}}};
    for (const auto& press : presses) {
        SCOPED_TRACE(press.button);
        AppFixture app;
        app.ui.alerts.answers = {{press.button}};
        app.delegate->showError(startError(10, QString("Missing permission: ") + press.missing));
        EXPECT_EQ(app.workspace.openedURLs(),
                  press.section.isEmpty() ? QList<QUrl>()
                                          : QList<QUrl>({OVPermissionHelpURL(press.section)}));
    }
}

TEST_F(MenuCommands, ProfileItemsSelectSwitchAndFollowTheFrontmostApplication) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Mail"));
    app.delegate->selectProfileFromMenu(QString("Default"));
    EXPECT_EQ(app.ui.menu.profileTitle, "Profile: Default");
    app.workspace.activateApplication({"org.example.mail", "Mail"});  // automatic switching
    EXPECT_EQ(app.ui.menu.profileTitle, "Profile: Mail");
    app.delegate->toggleAutomaticProfileSwitching();
    EXPECT_FALSE(app.ui.menu.profileItems.last().checked);
}

}  // namespace
