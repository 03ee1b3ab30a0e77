#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>

// Whether this program's login session is the active one of its seat, from systemd-logind. With
// fast user switching another user's session takes the seat, and with it the touch display, while
// this one goes on running in the background.
class OVLogindSessionWatch : public QObject {
    Q_OBJECT

  public:
    // `sessionID` is logind's name of the session: XDG_SESSION_ID, or "auto" (the caller's session,
    // else its user's graphical one). `activeChanged` hears every change, and false at once when
    // the session is found inactive.
    OVLogindSessionWatch(QDBusConnection systemBus, const QString& sessionID,
                         std::function<void(bool active)> activeChanged);
    ~OVLogindSessionWatch() override;

    // The session's object path once logind named it; empty before and when it cannot.
    const QString& sessionPath() const { return _path; }
    std::optional<bool> isActive() const { return _active; }

    // logind's name of this program's session.
    static QString defaultSessionID();

  private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);

  private:
    void sessionFound(const QString& path);
    void readActive();
    void setActive(bool active);

    QDBusConnection _bus;
    std::function<void(bool)> _activeChanged;
    QString _path;
    std::optional<bool> _active;
};
