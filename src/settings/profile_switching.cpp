#include "settings/profile_switching.h"

#include <QCollator>

#include "settings/profiles.h"

namespace {

bool profileNameMatches(const QString& profileName, const QString& applicationName,
                        const QCollator& collator) {
    return collator.compare(profileName, applicationName) == 0 ||
           applicationName.contains(profileName, Qt::CaseInsensitive) ||
           profileName.contains(applicationName, Qt::CaseInsensitive);
}

}  // namespace

std::optional<QString> OVSettingsProfileNameMatchingApplicationName(
    const QString& applicationName) {
    const QString application = applicationName.trimmed();
    if (application.isEmpty()) {
        return std::nullopt;
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (const QString& name : OVSettingsProfileNames()) {
        if (name == OVDefaultProfileName) {
            continue;
        }
        const QString profile = name.trimmed();
        if (!profile.isEmpty() && profileNameMatches(profile, application, collator)) {
            return name;
        }
    }
    return std::nullopt;
}

bool OVFrontmostApplicationChanged(const QString& bundleIdentifier, const QString& localizedName,
                                   const QString& ownIdentifier) {
    if (!OVAutomaticProfileSwitchingEnabled()) {
        return false;
    }
    // Our own windows coming forward (settings, keyboard, menus) keep the current profile. An
    // empty identifier is no identifier: it never counts as ours.
    if (!ownIdentifier.isEmpty() && bundleIdentifier == ownIdentifier) {
        return false;
    }
    const QString profile =
        OVSettingsProfileNameMatchingApplicationName(localizedName).value_or(OVDefaultProfileName);
    if (profile == OVActiveSettingsProfileName()) {
        return false;
    }
    OVSetActiveSettingsProfile(profile);
    return true;
}

bool OVFrontmostApplicationChanged(const OVApplicationInfo& application,
                                   const QString& ownIdentifier) {
    return OVFrontmostApplicationChanged(application.bundleIdentifier, application.localizedName,
                                         ownIdentifier);
}

void OVToggleAutomaticProfileSwitching() {
    OVSetAutomaticProfileSwitchingEnabled(!OVAutomaticProfileSwitchingEnabled());
}

void OVSelectProfileFromMenu(const QVariant& representedObject) {
    if (representedObject.typeId() != QMetaType::QString) {
        return;
    }
    const QString name = representedObject.toString();
    if (!name.isEmpty()) {
        OVSetActiveSettingsProfile(name);
    }
}
