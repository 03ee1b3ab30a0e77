#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QVariantList>
#include <memory>
#include <vector>

// A private D-Bus daemon for one test, with python-dbusmock services on it: the program talks to
// it as it talks to the system and session buses.
class PrivateBus {
  public:
    // Whether dbus-daemon and python-dbusmock are installed.
    static bool available();

    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !_address.isEmpty(); }
    QDBusConnection connection() const;
    // A second connection, as another client of the bus.
    QDBusConnection newConnection(const QString& name) const;

    // Starts a dbusmock template (with its JSON parameters) and waits until its name is on the
    // bus. `systemTemplate` puts it where system services live.
    bool startTemplate(const QString& name, const QString& busName, bool systemTemplate,
                       const QString& parameters = QString());
    // Calls a method of the mock's own interface (org.freedesktop.DBus.Mock).
    QVariantList callMock(const QString& service, const QString& path, const QString& method,
                          const QVariantList& arguments);
    // Emits a signal from a mock object.
    void emitSignal(const QString& service, const QString& path, const QString& interface,
                    const QString& name, const QString& signature, const QVariantList& arguments);

  private:
    QProcess _daemon;
    std::vector<std::unique_ptr<QProcess>> _mocks;
    QString _address;
    QString _connectionName;
};
