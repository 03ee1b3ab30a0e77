#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

#include "platform/workspace.h"

// One running instance per user: the first start holds a lock file and listens on a local
// socket, both in the user's runtime directory ($XDG_RUNTIME_DIR); a later start finds the lock
// held, asks the running instance over the socket to come forward (handing over what it was asked
// for), and ends.
class OVSingleInstance {
  public:
    // The default name is per user; tests pass their own.
    static QString defaultName();

    explicit OVSingleInstance(QString name = defaultName());
    ~OVSingleInstance();

    // True when another instance runs (it has been handed `request` and asked to come forward);
    // false when this process became the instance.
    bool activateOther(const OVActivationRequest& request = {});
    void setActivationRequestCallback(OVWorkspace::ActivationCallback callback);
    bool isRunningInstance() const { return _server != nullptr; }

  private:
    void becomeInstance(const QString& socketPath);
    void readRequests();

    QString _name;
    std::unique_ptr<QLockFile> _lock;
    std::unique_ptr<QLocalServer> _server;
    OVWorkspace::ActivationCallback _activationRequested;
};
