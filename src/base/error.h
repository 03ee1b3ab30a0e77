#pragma once

#include <QString>

// A failure that a fallible call reports through its `OVError* error` out-parameter.
struct OVError {
    QString domain = QStringLiteral("Orvetta");
    qint64 code = 0;
    QString description;
};

// Fills `error` when the caller asked for one; always returns false so that callers can write
// `return OVSetError(error, 3, text);`.
inline bool OVSetError(OVError* error, qint64 code, const QString& description) {
    if (error) {
        *error = OVError{QStringLiteral("Orvetta"), code, description};
    }
    return false;
}
