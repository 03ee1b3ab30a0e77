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

    bool isRunning() const { return !_address.isEmpty(); }
    // A connection to the bus; each name is another client of it.
    QDBusConnection connection(const QString& name = QString()) const;
    // Starts a dbusmock template and waits until its name is on the bus. `systemTemplate` puts
    // it where system services live.
    bool startTemplate(const QString& name, const QString& busName, bool systemTemplate);
    // Calls a method of the mock's own interface (org.freedesktop.DBus.Mock).
    QVariantList callMock(const QString& service, const QString& path, const QString& method,
                          const QVariantList& arguments);

  private:
    QProcess _daemon;
    std::vector<std::unique_ptr<QProcess>> _mocks;
    QString _address;
    QString _connectionName;
};
