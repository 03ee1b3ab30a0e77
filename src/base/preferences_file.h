#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include "base/error.h"

// The preference document on disk: one JSON object, read whole and written whole, atomically.

struct OVPreferencesFileRead {
    enum class State {
        // No file: nothing stored yet.
        Absent,
        // Read and parsed: `values` holds the document.
        Loaded,
        // The file is there but could not be read (permissions, an I/O error, a folder in its
        // place): it is left alone.
        Unreadable,
        // Read, but not a JSON object: it was moved aside to `keptAsidePath` (empty when the
        // move failed) so that nothing the user had is lost.
        KeptAside,
    };
    State state = State::Absent;
    QVariantMap values;
    // The bytes read (Loaded and KeptAside).
    QByteArray bytes;
    // Why the file could not be used (Unreadable and KeptAside).
    QString problem;
    QString keptAsidePath;
};

// Reads the document at `path`. JSON nulls read as absent members. A document that does not parse
// is moved aside under "<path>.corrupt-<time>".
OVPreferencesFileRead OVReadPreferencesFile(const QString& path);

// The bytes of `values` as the document stores them.
QByteArray OVPreferencesFileBytes(const QVariantMap& values);

// Writes `bytes` to `path` atomically, creating its folder; the file is either as it was or as it
// became, never torn.
bool OVWritePreferencesFile(const QString& path, const QByteArray& bytes, OVError* error = nullptr);
