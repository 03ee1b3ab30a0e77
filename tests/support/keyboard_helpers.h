#pragma once

#include <gtest/gtest.h>

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "keyboard/key_descriptor.h"
#include "keyboard/touch_keyboard_model.h"
#include "platform/event_poster.h"

// The first key of the model's current layout with `action` (and, for "text" keys, typing
// `text` unshifted).
inline OVKeyDescriptor OVTestKey(const OVTouchKeyboardModel& model, const QString& action,
                                 const QString& text = QString()) {
    for (const OVKeyboardRow& row : model.keyboardRows()) {
        for (const OVKeyDescriptor& key : row) {
            if (OVKeyAction(key) == action && (text.isNull() || OVKeyText(key) == text)) {
                return key;
            }
        }
    }
    ADD_FAILURE() << "no key " << action.toStdString() << " " << text.toStdString();
    return {};
}
inline OVKeyDescriptor OVTestKeyWithAction(const OVTouchKeyboardModel& model,
                                           const QString& action) {
    return OVTestKey(model, action);
}
inline OVKeyDescriptor OVTestKeyWithText(const OVTouchKeyboardModel& model, const QString& text) {
    return OVTestKey(model, OVKeyActionText, text);
}

// An event poster that keeps one line per key, text, system key or application call:
// "key 1 down 0x100000", "text é 0x80000", "system 0 up", "open missionControl".
class OVRecordingEventPoster : public OVEventPoster {
  public:
    void postMouseEvent(int, int, QPointF, std::uint64_t, std::int64_t) override {}
    void postScrollWheel(std::int32_t, std::int32_t, std::uint64_t) override {}
    void postMagnify(double, std::int64_t, QPointF) override {}
    void warpCursor(QPointF) override {}
    void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override {
        add(QStringLiteral("key %1 %2 %3").arg(keyCode).arg(down ? "down" : "up", hex(flags)));
    }
    void postText(const QString& text, std::uint64_t flags) override {
        add(QStringLiteral("text %1 %2").arg(text, hex(flags)));
    }
    void postSystemKey(int key, bool down) override {
        add(QStringLiteral("system %1 %2").arg(key).arg(down ? "down" : "up"));
    }
    void openSystemApplication(const QString& name) override { add("open " + name); }
    double doubleClickInterval() const override { return 0.5; }

    // The lines so far, forgetting them.
    QStringList take() { return std::exchange(calls, {}); }
    QStringList calls;

  private:
    static QString hex(std::uint64_t flags) { return QStringLiteral("0x%1").arg(flags, 0, 16); }
    void add(const QString& line) { calls.append(line); }
};
