#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <cstdint>

#include "platform/event_poster.h"

// An event poster that records every call with its arguments, for tests to read back.
class OVRecordingEventPoster : public OVEventPoster {
  public:
    enum class Kind { Mouse, Scroll, Magnify, Key, Text, SystemKey, Warp, OpenApplication };

    struct Call {
        Kind kind;
        std::uint16_t keyCode = 0;
        bool down = false;
        std::uint64_t flags = 0;
        QString text;  // postText's text, or openSystemApplication's name
        int systemKey = -1;
    };

    void postMouseEvent(int, int, QPointF, std::uint64_t flags, std::int64_t) override {
        calls.append({Kind::Mouse, 0, false, flags, {}, -1});
    }
    void postScrollWheel(std::int32_t, std::int32_t, std::uint64_t flags) override {
        calls.append({Kind::Scroll, 0, false, flags, {}, -1});
    }
    void postMagnify(double, std::int64_t, QPointF) override {
        calls.append({Kind::Magnify, 0, false, 0, {}, -1});
    }
    void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override {
        calls.append({Kind::Key, keyCode, down, flags, {}, -1});
    }
    void postText(const QString& text, std::uint64_t flags) override {
        calls.append({Kind::Text, 0, false, flags, text, -1});
    }
    void postSystemKey(int key, bool down) override {
        calls.append({Kind::SystemKey, 0, down, 0, {}, key});
    }
    void warpCursor(QPointF) override { calls.append({Kind::Warp, 0, false, 0, {}, -1}); }
    void openSystemApplication(const QString& name) override {
        calls.append({Kind::OpenApplication, 0, false, 0, name, -1});
    }
    double doubleClickInterval() const override { return 0.5; }

    // One line per call, easy to compare: "key 1 down 0x100000", "text é 0x80000",
    // "system 0 up", "open missionControl".
    QStringList lines() const {
        QStringList out;
        for (const Call& call : calls) {
            out.append(describe(call));
        }
        return out;
    }

    static QString describe(const Call& call) {
        const QString flags = QStringLiteral("0x%1").arg(call.flags, 0, 16);
        switch (call.kind) {
            case Kind::Key:
                return QStringLiteral("key %1 %2 %3")
                    .arg(call.keyCode)
                    .arg(call.down ? QStringLiteral("down") : QStringLiteral("up"), flags);
            case Kind::Text:
                return QStringLiteral("text %1 %2").arg(call.text, flags);
            case Kind::SystemKey:
                return QStringLiteral("system %1 %2")
                    .arg(call.systemKey)
                    .arg(call.down ? QStringLiteral("down") : QStringLiteral("up"));
            case Kind::OpenApplication:
                return QStringLiteral("open %1").arg(call.text);
            default:
                return QStringLiteral("pointer");
        }
    }

    QList<Call> calls;
};
