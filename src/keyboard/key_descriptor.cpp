#include "keyboard/key_descriptor.h"

#include <algorithm>

namespace {

// Functions rather than constants, so that descriptors can be made during static initialisation.
QString titleKey() {
    return QStringLiteral("title");
}
QString textKey() {
    return QStringLiteral("text");
}
QString shiftTextKey() {
    return QStringLiteral("shiftText");
}
QString actionKey() {
    return QStringLiteral("action");
}
QString spanKey() {
    return QStringLiteral("span");
}
QString rowSpanKey() {
    return QStringLiteral("rowSpan");
}

QString stringEntry(const OVKeyDescriptor& key, const QString& name) {
    const QVariant value = key.value(name);
    return value.isValid() ? value.toString() : QStringLiteral("");
}

int spanEntry(const OVKeyDescriptor& key, const QString& name) {
    const QVariant value = key.value(name);
    return value.isValid() ? std::max(value.toInt(), 1) : 1;
}

}  // namespace

OVKeyDescriptor OVKeyboardKey(const QString& title, const QString& text, const QString& action,
                              int span) {
    return OVKeyboardKeyShift(title, text, QStringLiteral(""), action, span);
}

OVKeyDescriptor OVKeyboardKeyTall(const QString& title, const QString& text, const QString& action,
                                  int span, int rowSpan) {
    OVKeyDescriptor key = OVKeyboardKey(title, text, action, span);
    key.insert(rowSpanKey(), std::max(rowSpan, 1));
    return key;
}

OVKeyDescriptor OVKeyboardKeyShift(const QString& title, const QString& text,
                                   const QString& shiftText, const QString& action, int span) {
    return OVKeyDescriptor{{titleKey(), title.isNull() ? QStringLiteral("") : title},
                           {textKey(), text.isNull() ? QStringLiteral("") : text},
                           {shiftTextKey(), shiftText.isNull() ? QStringLiteral("") : shiftText},
                           {actionKey(), action.isEmpty() ? QString(OVKeyActionText) : action},
                           {spanKey(), std::max(span, 1)},
                           {rowSpanKey(), 1}};
}

QString OVKeyTitle(const OVKeyDescriptor& key) {
    return stringEntry(key, titleKey());
}

QString OVKeyText(const OVKeyDescriptor& key) {
    return stringEntry(key, textKey());
}

QString OVKeyShiftText(const OVKeyDescriptor& key) {
    return stringEntry(key, shiftTextKey());
}

QString OVKeyAction(const OVKeyDescriptor& key) {
    const QVariant value = key.value(actionKey());
    return value.isValid() ? value.toString() : QString(OVKeyActionText);
}

int OVKeySpan(const OVKeyDescriptor& key) {
    return spanEntry(key, spanKey());
}

int OVKeyRowSpan(const OVKeyDescriptor& key) {
    return spanEntry(key, rowSpanKey());
}

QString OVKeyDispatchAction(const OVKeyDescriptor& key, const QString& identifier) {
    const QVariant value = key.value(actionKey());
    return value.isValid() ? value.toString() : identifier;
}
