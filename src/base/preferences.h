#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include "base/error.h"
#include "base/scheduler.h"

// The application's preference domain: a stored layer (a JSON document on disk, or memory only)
// above a layer of registered defaults that is never written.
//
// Reads fall through stored value -> registered default -> nothing (an invalid QVariant).
// Writes are visible to the next read at once; a file-backed store writes the whole document
// atomically soon after, through the scheduler, or at once on synchronize().
// The integer reading of a stored value: a double loses its fraction (1.9 reads 1, -1.9 reads -1)
// and saturates at the ends of the range; booleans read 0 or 1; strings as QVariant converts them.
qint64 OVIntegerValue(const QVariant& value);

class OVPreferences {
  public:
    // A store that lives in memory only.
    OVPreferences() = default;
    // A store backed by the JSON file at `path`. A file that cannot be read or is not a JSON
    // object is kept aside under a new name and the store starts empty. JSON nulls read as
    // absent members.
    OVPreferences(const QString& path, OVScheduler* scheduler);
    ~OVPreferences();
    OVPreferences(const OVPreferences&) = delete;
    OVPreferences& operator=(const OVPreferences&) = delete;

    // $ORVETTA_CONFIG_DIR/preferences.json, else $XDG_CONFIG_HOME/orvetta/preferences.json
    // (~/.config when XDG_CONFIG_HOME is unset, empty or relative).
    static QString defaultPath();

    void registerDefaults(const QVariantMap& defaults);
    QVariantMap registeredDefaults() const { return _defaults; }

    QVariant object(const QString& key) const;
    // The value when it is a string, else a null QString.
    QString stringForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    // The value when it is a dictionary, else an empty map.
    QVariantMap dictionaryForKey(const QString& key) const;
    // The value when it is an array, else an empty list.
    QVariantList arrayForKey(const QString& key) const;

    // An invalid or null value removes the key.
    void setObject(const QString& key, const QVariant& value);
    void setBool(const QString& key, bool value) { setObject(key, value); }
    void removeObject(const QString& key);

    // The stored layer only (no defaults).
    QVariantMap storedValues() const { return _stored; }
    bool hasStoredValue(const QString& key) const { return _stored.contains(key); }

    // Writes pending changes to disk now. True when nothing was pending or the write succeeded.
    bool synchronize(OVError* error = nullptr);

    QString path() const { return _path; }
    // Where a corrupt file was moved at load, or empty.
    QString keptAsidePath() const { return _keptAsidePath; }

  private:
    void load();
    void scheduleWrite();

    QString _path;
    OVScheduler* _scheduler = nullptr;
    QVariantMap _stored;
    QVariantMap _defaults;
    bool _dirty = false;
    OVTimer _writeTimer;
    QString _keptAsidePath;
};
