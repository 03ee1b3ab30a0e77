#include "app/status_menu_state.h"

namespace {

QString statusLine(const OVStatusMenuInputs& inputs) {
    if (inputs.updateRequired) {
        return QStringLiteral("Status: Update required");
    }
    if (inputs.setupRequired) {
        return QStringLiteral("Status: Compatibility check required");
    }
    return QStringLiteral("Status: %1").arg(inputs.sessionStatusText);
}

}  // namespace

OVStatusMenuState OVStatusMenuStateFor(const OVStatusMenuInputs& inputs) {
    const bool blocked = inputs.updateRequired || inputs.setupRequired;
    OVStatusMenuState state;
    state.statusTitle = statusLine(inputs);
    state.toggleTitle =
        inputs.sessionRunning ? QStringLiteral("Stop Touch") : QStringLiteral("Start Touch");
    state.toggleEnabled = !blocked;
    state.keyboardTitle =
        inputs.keyboardVisible ? QStringLiteral("Close Keyboard") : QStringLiteral("Show Keyboard");
    state.keyboardEnabled = !blocked;
    state.profileTitle = QStringLiteral("Profile: %1").arg(inputs.activeProfileName);
    state.profileEnabled = !blocked;
    state.settingsEnabled = !blocked;
    state.profileItems = OVStatusProfileMenuItems(inputs.profileNames, inputs.activeProfileName,
                                                  inputs.automaticSwitching);
    return state;
}

QList<OVStatusMenuProfileItem> OVStatusProfileMenuItems(const QStringList& profileNames,
                                                        const QString& activeProfileName,
                                                        bool automaticSwitching) {
    using Kind = OVStatusMenuProfileItem::Kind;
    QList<OVStatusMenuProfileItem> items;
    items.reserve(profileNames.size() + 2);
    for (const QString& name : profileNames) {
        items.append({Kind::Profile, name, name, name == activeProfileName});
    }
    items.append({Kind::Separator, QString(), QString(), false});
    items.append({Kind::AutomaticSwitching,
                  QStringLiteral("Automatic Switching: %1")
                      .arg(automaticSwitching ? QStringLiteral("On") : QStringLiteral("Off")),
                  QString(), automaticSwitching});
    return items;
}
