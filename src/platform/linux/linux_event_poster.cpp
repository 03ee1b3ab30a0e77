#include "platform/linux/linux_event_poster.h"

#include <QtDebug>

#include "platform/linux/desktop_settings.h"
#include "platform/linux/uinput_event_poster.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/xtest_event_poster.h"

OVLinuxEventPoster::OVLinuxEventPoster(OVDisplayServices& displays)
    : OVLinuxEventPoster(QList<QPair<QString, Factory>>{
          {QStringLiteral("uinput"),
           [&displays](QString* why) -> std::unique_ptr<OVEventPoster> {
               return OVUInputEventPoster::create(displays, OVUInputEventPoster::kDefaultNode, why);
           }},
          {QStringLiteral("XTest"),
           [&displays](QString* why) -> std::unique_ptr<OVEventPoster> {
               if (!OVIsX11Session()) {
                   *why = QStringLiteral("not an X11 session");
                   return nullptr;
               }
               return OVXTestEventPoster::create(displays, QByteArray(), why);
           }},
      }) {}

OVLinuxEventPoster::OVLinuxEventPoster(QList<QPair<QString, Factory>> backends)
    : _backends(std::move(backends)) {}

OVEventPoster* OVLinuxEventPoster::backend() {
    if (!_backend && !_probed) {
        probe();
    }
    return _backend.get();
}

void OVLinuxEventPoster::probe() {
    _probed = true;
    QStringList reasons;
    for (const auto& [name, factory] : _backends) {
        QString why;
        _backend = factory(&why);
        if (_backend) {
            _backendName = name;
            qInfo("Orvetta: synthetic input goes through %s", qUtf8Printable(name));
            return;
        }
        reasons.append(QStringLiteral("%1: %2").arg(name, why));
    }
    if (!_reportedMissing) {
        _reportedMissing = true;
        qWarning("Orvetta: synthetic input cannot be posted (%s)",
                 qUtf8Printable(reasons.join(QStringLiteral("; "))));
    }
}

bool OVLinuxEventPoster::canPost() {
    if (!_backend) {
        probe();
    }
    return _backend != nullptr;
}

void OVLinuxEventPoster::postMouseEvent(int type, int button, QPointF at, std::uint64_t flags,
                                        std::int64_t clickCount) {
    if (OVEventPoster* poster = backend()) {
        poster->postMouseEvent(type, button, at, flags, clickCount);
    }
}

void OVLinuxEventPoster::postScrollWheel(std::int32_t deltaY, std::int32_t deltaX,
                                         std::uint64_t flags) {
    if (OVEventPoster* poster = backend()) {
        poster->postScrollWheel(deltaY, deltaX, flags);
    }
}

void OVLinuxEventPoster::postMagnify(double amount, std::int64_t phase, QPointF at) {
    if (OVEventPoster* poster = backend()) {
        poster->postMagnify(amount, phase, at);
    }
}

void OVLinuxEventPoster::postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
    if (OVEventPoster* poster = backend()) {
        poster->postKey(keyCode, down, flags);
    }
}

void OVLinuxEventPoster::postText(const QString& text, std::uint64_t flags) {
    if (OVEventPoster* poster = backend()) {
        poster->postText(text, flags);
    }
}

void OVLinuxEventPoster::postSystemKey(int key, bool down) {
    if (OVEventPoster* poster = backend()) {
        poster->postSystemKey(key, down);
    }
}

void OVLinuxEventPoster::warpCursor(QPointF to) {
    if (OVEventPoster* poster = backend()) {
        poster->warpCursor(to);
    }
}

void OVLinuxEventPoster::openSystemApplication(const QString& name) {
    if (OVEventPoster* poster = backend()) {
        poster->openSystemApplication(name);
    }
}

double OVLinuxEventPoster::doubleClickInterval() const {
    return _backend ? _backend->doubleClickInterval() : OVDesktopDoubleClickInterval();
}
