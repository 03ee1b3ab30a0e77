#pragma once

#include <QList>
#include <QStringList>
#include <functional>

#include "platform/linux/hidraw_devices.h"
#include "platform/permissions.h"

class OVLinuxEventPoster;

// The hidraw nodes of digitizers (a top-level collection on the Digitizer page): the nodes the
// touch display can be among.
QStringList OVDigitizerNodes(const QList<OVHIDRawDeviceRecord>& devices);

// The two permissions on Linux. "Accessibility": synthetic input can be posted (uinput can be
// written, or XTEST in an X11 session). "Input Monitoring": the touch display's hidraw node can be
// opened for reading; with no digitizer attached nothing is denied. A request cannot grant
// anything here: it says once what the fix is.
class OVLinuxPermissions : public OVPermissions {
  public:
    using NodeOpener = std::function<bool(const QString& node)>;

    explicit OVLinuxPermissions(OVLinuxEventPoster& poster);
    // For tests: where the hidraw devices come from and how a node is tried.
    OVLinuxPermissions(std::function<bool()> canPost,
                       std::function<QList<OVHIDRawDeviceRecord>()> devices, NodeOpener canOpen);

    bool canPostEvents() const override;
    void requestPostEventAccess() override;
    bool canListenToInput() const override;
    void requestListenAccess() override;

    // The explanations the requests log, for the windows that show them.
    static QString postEventFix();
    static QString listenFix(const QStringList& nodes);

    static bool canOpenForReading(const QString& node);

  private:
    std::function<bool()> _canPost;
    std::function<QList<OVHIDRawDeviceRecord>()> _devices;
    NodeOpener _canOpen;
    bool _explainedPosting = false;
    bool _explainedListening = false;
};
