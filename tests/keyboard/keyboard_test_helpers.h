#pragma once

#include <gtest/gtest.h>

#include <QString>

#include "keyboard/key_descriptor.h"
#include "keyboard/touch_keyboard_model.h"

// The first key of the model's current layout whose action is `action`.
inline OVKeyDescriptor OVTestKeyWithAction(const OVTouchKeyboardModel& model,
                                           const QString& action) {
    for (const OVKeyboardRow& row : model.keyboardRows()) {
        for (const OVKeyDescriptor& key : row) {
            if (OVKeyAction(key) == action) {
                return key;
            }
        }
    }
    ADD_FAILURE() << "no key with action " << action.toStdString();
    return {};
}

// The first "text" key of the model's current layout that types `text` unshifted.
inline OVKeyDescriptor OVTestKeyWithText(const OVTouchKeyboardModel& model, const QString& text) {
    for (const OVKeyboardRow& row : model.keyboardRows()) {
        for (const OVKeyDescriptor& key : row) {
            if (OVKeyAction(key) == OVKeyActionText && OVKeyText(key) == text) {
                return key;
            }
        }
    }
    ADD_FAILURE() << "no key typing " << text.toStdString();
    return {};
}
