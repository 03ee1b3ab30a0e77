#include "platform/linux/session_keymap.h"

#include <QDBusInterface>
#include <QtDebug>

OVKeymapNames OVSessionKeymapNames(const QDBusConnection& systemBus,
                                   const QProcessEnvironment& environment) {
    if (systemBus.isConnected()) {
        QDBusInterface localed(QStringLiteral("org.freedesktop.locale1"),
                               QStringLiteral("/org/freedesktop/locale1"),
                               QStringLiteral("org.freedesktop.locale1"), systemBus);
        const QString layout = localed.property("X11Layout").toString();
        if (localed.isValid() && !layout.isEmpty()) {
            return {localed.property("X11Model").toString(), layout,
                    localed.property("X11Variant").toString(),
                    localed.property("X11Options").toString()};
        }
    }
    OVKeymapNames names{environment.value(QStringLiteral("XKB_DEFAULT_MODEL")),
                        environment.value(QStringLiteral("XKB_DEFAULT_LAYOUT")),
                        environment.value(QStringLiteral("XKB_DEFAULT_VARIANT")),
                        environment.value(QStringLiteral("XKB_DEFAULT_OPTIONS"))};
    if (names.layout.isEmpty()) {
        names = OVKeymapNames{QString(), QStringLiteral("us"), QString(), QString()};
    }
    return names;
}

std::unique_ptr<OVKeymap> OVCompileSessionKeymap(const OVKeymapNames& names) {
    QString why;
    if (std::unique_ptr<OVKeymap> keymap = OVKeymap::compile(names, &why)) {
        qInfo("Orvetta: typing with the keyboard layout \"%s\"", qUtf8Printable(names.layout));
        return keymap;
    }
    qWarning("Orvetta: %s; typing with the layout \"us\"", qUtf8Printable(why));
    std::unique_ptr<OVKeymap> us = OVKeymap::compile({QString(), QStringLiteral("us"), {}, {}});
    if (!us) {
        qWarning("Orvetta: no XKB keyboard data (xkb-data); text cannot be typed");
    }
    return us;
}
