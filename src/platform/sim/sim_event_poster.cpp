#include "platform/sim/sim_event_poster.h"

#include "base/scheduler.h"

namespace {

QString pointText(QPointF at) {
    return QStringLiteral("x=%1 y=%2").arg(at.x(), 0, 'f', 2).arg(at.y(), 0, 'f', 2);
}

QString flagsText(std::uint64_t flags) {
    return QStringLiteral("flags=0x") + QString::number(flags, 16);
}

// Text between double quotes, with quotes, backslashes and control characters escaped so that
// one event stays on one line.
QString quotedText(const QString& text) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
            quoted += c;
        } else if (c == QLatin1Char('\n')) {
            quoted += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\r')) {
            quoted += QStringLiteral("\\r");
        } else if (c == QLatin1Char('\t')) {
            quoted += QStringLiteral("\\t");
        } else if (c.unicode() < 0x20) {
            quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            quoted += c;
        }
    }
    quoted += QLatin1Char('"');
    return quoted;
}

QString eventBody(const OVSimPostedEvent& event) {
    using Kind = OVSimPostedEvent::Kind;
    switch (event.kind) {
        case Kind::Mouse: {
            QString body =
                QStringLiteral("mouse type=%1 button=%2 ").arg(event.type).arg(event.button) +
                pointText(event.at) + QLatin1Char(' ') + flagsText(event.flags);
            if (event.button == 0) {
                body += QStringLiteral(" clicks=%1").arg(event.clickCount);
            }
            return body;
        }
        case Kind::Scroll:
            return QStringLiteral("scroll dy=%1 dx=%2 ").arg(event.deltaY).arg(event.deltaX) +
                   flagsText(event.flags);
        case Kind::Magnify:
            return QStringLiteral("magnify amount=%1 phase=%2 ")
                       .arg(QString::number(event.amount, 'g', 6))
                       .arg(event.phase) +
                   pointText(event.at);
        case Kind::Key:
            return QStringLiteral("key code=%1 down=%2 ").arg(event.code).arg(event.down ? 1 : 0) +
                   flagsText(event.flags);
        case Kind::Text:
            return QStringLiteral("text ") + quotedText(event.text) + QLatin1Char(' ') +
                   flagsText(event.flags);
        case Kind::SystemKey:
            return QStringLiteral("system key=%1 down=%2").arg(event.code).arg(event.down ? 1 : 0);
        case Kind::Warp:
            return QStringLiteral("warp ") + pointText(event.at);
        case Kind::Open:
            return QStringLiteral("open app=") + event.text;
    }
    return QString();
}

}  // namespace

QString OVSimEventLogLine(const OVSimPostedEvent& event) {
    return QString::number(event.time, 'f', 3) + QLatin1Char(' ') + eventBody(event);
}

OVSimEventPoster::OVSimEventPoster(OVScheduler& scheduler)
    : _scheduler(scheduler), _start(scheduler.now()) {}

double OVSimEventPoster::elapsed() const {
    return _scheduler.now() - _start;
}

void OVSimEventPoster::append(OVSimPostedEvent event) {
    event.time = elapsed();
    _events.push_back(std::move(event));
    if (_lineHandler) {
        _lineHandler(OVSimEventLogLine(_events.back()));
    }
}

void OVSimEventPoster::postMouseEvent(int type, int button, QPointF at, std::uint64_t flags,
                                      std::int64_t clickCount) {
    OVSimPostedEvent event;
    event.kind = OVSimPostedEvent::Kind::Mouse;
    event.type = type;
    event.button = button;
    event.at = at;
    event.flags = flags;
    event.clickCount = button == 0 ? clickCount : 0;
    append(std::move(event));
}

void OVSimEventPoster::postScrollWheel(std::int32_t deltaY, std::int32_t deltaX,
                                       std::uint64_t flags) {
    OVSimPostedEvent event;
    event.kind = OVSimPostedEvent::Kind::Scroll;
    event.deltaY = deltaY;
    event.deltaX = deltaX;
    event.flags = flags;
    append(std::move(event));
}

void OVSimEventPoster::postMagnify(double amount, std::int64_t phase, QPointF at) {
    OVSimPostedEvent event;
    event.kind = OVSimPostedEvent::Kind::Magnify;
    event.amount = amount;
    event.phase = phase;
    event.at = at;
    append(std::move(event));
}

void OVSimEventPoster::postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
    OVSimPostedEvent event;
    event.kind = OVSimPostedEvent::Kind::Key;
    event.code = keyCode;
    event.down = down;
    event.flags = flags;
    append(std::move(event));
}

void OVSimEventPoster::postText(const QString& text, std::uint64_t flags) {
    OVSimPostedEvent event;
    event.kind = OVSimPostedEvent::Kind::Text;
    event.text = text;
    event.flags = flags;
    append(std::move(event));
}

void OVSimEventPoster::postSystemKey(int key, bool down) {
    OVSimPostedEvent event;
    event.kind = OVSimPostedEvent::Kind::SystemKey;
    event.code = key;
    event.down = down;
    append(std::move(event));
}

void OVSimEventPoster::warpCursor(QPointF to) {
    OVSimPostedEvent event;
    event.kind = OVSimPostedEvent::Kind::Warp;
    event.at = to;
    append(std::move(event));
}

void OVSimEventPoster::openSystemApplication(const QString& name) {
    OVSimPostedEvent event;
    event.kind = OVSimPostedEvent::Kind::Open;
    event.text = name;
    append(std::move(event));
}

QStringList OVSimEventPoster::lines() const {
    QStringList result;
    result.reserve(static_cast<qsizetype>(_events.size()));
    for (const OVSimPostedEvent& event : _events) {
        result << OVSimEventLogLine(event);
    }
    return result;
}

QString OVSimEventPoster::text() const {
    QString result;
    for (const OVSimPostedEvent& event : _events) {
        result += OVSimEventLogLine(event);
        result += QLatin1Char('\n');
    }
    return result;
}

void OVSimEventPoster::clear() {
    _events.clear();
    _start = _scheduler.now();
}
