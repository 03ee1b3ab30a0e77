#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <functional>

// Sleep and wake from systemd-logind: PrepareForSleep(true) before the system sleeps,
// PrepareForSleep(false) after it woke. While watching, a delay inhibitor gives the program the
// moment it needs to stop touch input before the system goes down.
class OVLogindSleepWatch : public QObject {
    Q_OBJECT

  public:
    OVLogindSleepWatch(QDBusConnection systemBus, std::function<void()> willSleep,
                       std::function<void()> didWake);
    ~OVLogindSleepWatch() override;

    bool isWatching() const { return _watching; }
    bool holdsInhibitor() const { return _inhibitor.isValid(); }

  private slots:
    void prepareForSleep(bool start);

  private:
    void takeInhibitor();

    QDBusConnection _bus;
    std::function<void()> _willSleep;
    std::function<void()> _didWake;
    QDBusUnixFileDescriptor _inhibitor;
    bool _watching = false;
};
