#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

#include "platform/display_services.h"
#include "platform/event_poster.h"

// The event poster of the Linux platform: uinput when /dev/uinput can be written, else XTEST in
// an X11 session, else none — then synthetic input cannot be posted ("Accessibility" is
// missing) and events are dropped, as the system drops them elsewhere without the permission.
// The choice is made on first use, and again by each permission check (canPost) while there is
// no backend, so that installing the udev rule takes effect without a restart.
class OVLinuxEventPoster : public OVEventPoster {
  public:
    using Factory = std::function<std::unique_ptr<OVEventPoster>(QString* why)>;

    explicit OVLinuxEventPoster(OVDisplayServices& displays);
    // For tests: the backends to try, in order, with their names.
    OVLinuxEventPoster(QList<QPair<QString, Factory>> backends);

    // Whether a backend is there, choosing one when none is yet.
    bool canPost();
    // "uinput", "XTest" or empty.
    QString backendName() const { return _backendName; }

    void postMouseEvent(int type, int button, QPointF at, std::uint64_t flags,
                        std::int64_t clickCount) override;
    void postScrollWheel(std::int32_t deltaY, std::int32_t deltaX, std::uint64_t flags) override;
    void postMagnify(double amount, std::int64_t phase, QPointF at) override;
    void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override;
    void postText(const QString& text, std::uint64_t flags) override;
    void postSystemKey(int key, bool down) override;
    void warpCursor(QPointF to) override;
    void openSystemApplication(const QString& name) override;
    double doubleClickInterval() const override;

  private:
    OVEventPoster* backend();
    void probe();

    QList<QPair<QString, Factory>> _backends;
    std::unique_ptr<OVEventPoster> _backend;
    QString _backendName;
    bool _probed = false;
    bool _reportedMissing = false;
};
