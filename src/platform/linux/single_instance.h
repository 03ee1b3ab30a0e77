#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

// One running instance per user: the first start holds a lock file and listens on a local
// socket, both in the user's runtime directory ($XDG_RUNTIME_DIR); a later start finds the lock
// held, asks the running instance over the socket to come forward, and ends.
class OVSingleInstance {
  public:
    // The default name is per user; tests pass their own.
    static QString defaultName();

    explicit OVSingleInstance(QString name = defaultName());
    ~OVSingleInstance();

    // True when another instance runs (it has been asked to come forward); false when this
    // process became the instance.
    bool activateOther();
    void setActivationRequestCallback(std::function<void()> callback);
    bool isRunningInstance() const { return _server != nullptr; }

  private:
    void becomeInstance(const QString& socketPath);
    void readRequests();

    QString _name;
    std::unique_ptr<QLockFile> _lock;
    std::unique_ptr<QLocalServer> _server;
    std::function<void()> _activationRequested;
};
