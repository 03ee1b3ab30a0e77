#pragma once

#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <vector>

struct OVNotification {
    QString name;
    const void* sender = nullptr;
    QVariantMap userInfo;
};

using OVObserverToken = std::uint64_t;
using OVNotificationCallback = std::function<void(const OVNotification&)>;

// Synchronous, main-thread notifications between the parts of the program.
class OVNotificationCenter {
  public:
    // `sender` nullptr observes the name from any sender. Returns a token for removeObserver.
    OVObserverToken addObserver(const QString& name, const void* sender,
                                OVNotificationCallback callback);
    // Safe during delivery: a removed observer receives nothing more, not even the notification
    // that is being delivered.
    void removeObserver(OVObserverToken token);

    // Delivers to every matching observer, in the order they were added.
    void post(const QString& name, const void* sender = nullptr,
              const QVariantMap& userInfo = QVariantMap());

    // Whether anyone observes `name` (from any sender), so that a poster can skip building
    // expensive user info.
    bool hasObservers(const QString& name) const;

  private:
    struct Observer {
        OVObserverToken token;
        QString name;
        const void* sender;
        OVNotificationCallback callback;
        bool removed = false;
    };

    void compactIfIdle();

    std::vector<Observer> _observers;
    OVObserverToken _nextToken = 1;
    int _deliveryDepth = 0;
};

// Removes its observers when it goes away.
class OVScopedObservers {
  public:
    explicit OVScopedObservers(OVNotificationCenter& center) : _center(&center) {}
    ~OVScopedObservers() { removeAll(); }
    OVScopedObservers(const OVScopedObservers&) = delete;
    OVScopedObservers& operator=(const OVScopedObservers&) = delete;

    void add(const QString& name, const void* sender, OVNotificationCallback callback) {
        _tokens.push_back(_center->addObserver(name, sender, std::move(callback)));
    }
    void removeAll() {
        for (OVObserverToken token : _tokens) {
            _center->removeObserver(token);
        }
        _tokens.clear();
    }
    bool empty() const { return _tokens.empty(); }

  private:
    OVNotificationCenter* _center;
    std::vector<OVObserverToken> _tokens;
};
