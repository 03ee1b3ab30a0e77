#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>

#include "base/error.h"
#include "base/scheduler.h"

class QFileSystemWatcher;

// The application's preference domain: a stored layer (a JSON document on disk, or memory only)
// above a layer of registered defaults that is never written.
//
// Reads fall through stored value -> registered default -> nothing (an invalid QVariant).
// Writes are visible to the next read at once; a file-backed store writes the document
// atomically soon after, through the scheduler, or at once on synchronize().
//
// Other programs write the same file (orvetta-tool, an editor, a later start of Orvetta): every
// write first reads the file again and keeps what others wrote in the keys this store did not
// change, so that neither side undoes the other; a store that follows its file also takes in
// such changes as they land.
// The integer reading of a stored value: a double loses its fraction (1.9 reads 1, -1.9 reads -1)
// and saturates at the ends of the range; booleans read 0 or 1; strings as QVariant converts them.
qint64 OVIntegerValue(const QVariant& value);

class OVPreferences {
  public:
    // A store that lives in memory only.
    OVPreferences();
    // A store backed by the JSON file at `path`. A file that is read but is not a JSON object is
    // kept aside under a new name and the store starts empty. A file that cannot be read
    // (permissions, an I/O error) is left in place: the store starts empty and writes nothing
    // while the file stays unreadable, which it says once in the log. JSON nulls read as absent
    // members.
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

    // Writes pending changes to disk now, merged with what others wrote meanwhile. True when
    // nothing was pending or the write succeeded; false while the file cannot be read.
    bool synchronize(OVError* error = nullptr);

    // Called with the keys whose values changed because another program wrote the file.
    using ChangeHandler = std::function<void(const QStringList& keys)>;
    // Watches the file from now on and takes in what others write (see takeInFileChanges).
    void followFileChanges(ChangeHandler changed);
    void stopFollowingFileChanges();
    // Reads the file again: the values others wrote replace this store's, except in keys changed
    // here and not written yet. Returns the keys whose values changed (also told to the handler).
    QStringList takeInFileChanges();

    QString path() const { return _path; }
    // Where a corrupt file was moved, or empty.
    QString keptAsidePath() const { return _keptAsidePath; }
    // The file is there but cannot be read; why.
    bool fileUnreadable() const { return _fileUnreadable; }
    QString fileProblem() const { return _fileProblem; }

  private:
    struct Watch;

    // Reads the file and notes its state; says once that it cannot be read.
    struct FileContent {
        bool usable = false;  // Loaded or absent: its values are the others' current word
        QVariantMap values;
        QByteArray bytes;
    };
    FileContent readFile();
    // `base` with this store's pending changes over it.
    QVariantMap withPendingChanges(QVariantMap base) const;
    // Makes `values` the stored layer and tells the handler what changed.
    QStringList adopt(const QVariantMap& values);
    void scheduleWrite();
    void scheduleTakeIn();
    void watchFile();

    QString _path;
    OVScheduler* _scheduler = nullptr;
    QVariantMap _stored;
    QVariantMap _defaults;
    // Keys set or removed here since the last write.
    QSet<QString> _pendingKeys;
    OVTimer _writeTimer;
    // The file's bytes as last read or written: an unchanged file is not read again.
    QByteArray _fileBytes;
    QString _keptAsidePath;
    bool _fileUnreadable = false;
    bool _unreadableReported = false;
    QString _fileProblem;
    ChangeHandler _changed;
    std::unique_ptr<Watch> _watch;
};
