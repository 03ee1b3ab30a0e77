#include "server/sqlite_report_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "server/connection_pool.h"
#include "server/report_sql.h"

namespace {

constexpr int kReadConnections = 4;
// A transaction holds at most this many requests' writes.
constexpr std::size_t kLargestBatch = 256;
constexpr int kBusyTimeoutMilliseconds = 10000;

class SQLiteConnection final : public OVSQLConnection {
  public:
    static std::unique_ptr<SQLiteConnection> open(const QString& path, bool readOnly,
                                                  OVError* error) {
        sqlite3* db = nullptr;
        const int flags =
            (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
            SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) !=
            SQLITE_OK) {
            OVSetError(
                error, 1,
                QStringLiteral("Cannot open the database %1: %2")
                    .arg(path, QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory")));
            sqlite3_close_v2(db);
            return nullptr;
        }
        sqlite3_busy_timeout(db, kBusyTimeoutMilliseconds);
        return std::unique_ptr<SQLiteConnection>(new SQLiteConnection(db));
    }

    ~SQLiteConnection() override {
        for (sqlite3_stmt* statement : std::as_const(_statements)) {
            sqlite3_finalize(statement);
        }
        sqlite3_close_v2(_db);
    }

    using OVSQLConnection::execute;
    Dialect dialect() const override { return Dialect::SQLite; }

    bool execute(const QByteArray& sql, const QVariantList& parameters, QList<Row>* rows,
                 OVError* error) override {
        sqlite3_stmt* statement = prepared(sql, error);
        if (!statement || !bind(statement, parameters, error)) {
            return false;
        }
        int status;
        while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
            if (rows) {
                rows->append(row(statement));
            }
        }
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        return status == SQLITE_DONE || fail(error);
    }

    bool executeScript(const QByteArray& sql, OVError* error) override {
        return sqlite3_exec(_db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK ||
               fail(error);
    }

  private:
    explicit SQLiteConnection(sqlite3* db) : _db(db) {}

    bool fail(OVError* error) const {
        return OVSetError(error, sqlite3_extended_errcode(_db),
                          QStringLiteral("SQLite: %1").arg(QString::fromUtf8(sqlite3_errmsg(_db))));
    }

    sqlite3_stmt* prepared(const QByteArray& sql, OVError* error) {
        if (sqlite3_stmt* statement = _statements.value(sql)) {
            return statement;
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(_db, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                               &statement, nullptr) != SQLITE_OK) {
            fail(error);
            return nullptr;
        }
        _statements.insert(sql, statement);
        return statement;
    }

    bool bind(sqlite3_stmt* statement, const QVariantList& parameters, OVError* error) {
        for (qsizetype i = 0; i < parameters.size(); ++i) {
            const QByteArray name = '$' + QByteArray::number(i + 1);
            const int index = sqlite3_bind_parameter_index(statement, name.constData());
            const QVariant& value = parameters[i];
            int status;
            if (index == 0) {
                return OVSetError(error, SQLITE_RANGE,
                                  QStringLiteral("SQLite: the statement has no %1")
                                      .arg(QString::fromLatin1(name)));
            } else if (value.isNull()) {
                status = sqlite3_bind_null(statement, index);
            } else if (value.typeId() == QMetaType::LongLong) {
                status = sqlite3_bind_int64(statement, index, value.toLongLong());
            } else {
                const QByteArray text = value.toString().toUtf8();
                status =
                    sqlite3_bind_text64(statement, index, text.constData(),
                                        sqlite3_uint64(text.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
            }
            if (status != SQLITE_OK) {
                sqlite3_reset(statement);
                return fail(error);
            }
        }
        return true;
    }

    static Row row(sqlite3_stmt* statement) {
        Row values;
        const int columns = sqlite3_column_count(statement);
        values.reserve(columns);
        for (int column = 0; column < columns; ++column) {
            switch (sqlite3_column_type(statement, column)) {
                case SQLITE_NULL:
                    values.append(QVariant());
                    break;
                case SQLITE_INTEGER:
                    values.append(qint64(sqlite3_column_int64(statement, column)));
                    break;
                default:
                    values.append(QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                        sqlite3_column_bytes(statement, column)));
                    break;
            }
        }
        return values;
    }

    sqlite3* _db;
    QHash<QByteArray, sqlite3_stmt*> _statements;
};

// A write of one request, done inside a batch's transaction.
struct WriteJob {
    const OVSQLConnectionPool::Work* work = nullptr;
    bool done = false;
    bool written = false;
    OVError error;
};

class SQLiteReportStore final : public OVSQLReportStore {
  public:
    SQLiteReportStore(std::unique_ptr<SQLiteConnection> writer, const QString& path,
                      QByteArray hashKey, int lockFile)
        : OVSQLReportStore(std::move(hashKey)),
          _writer(std::move(writer)),
          _readers(kReadConnections,
                   [path](OVError* error) -> std::unique_ptr<OVSQLConnection> {
                       return SQLiteConnection::open(path, true, error);
                   }),
          _lockFile(lockFile) {}

    ~SQLiteReportStore() override {
        _writer.reset();
        ::close(_lockFile);
    }

  protected:
    // Queues `work` and returns once its transaction is committed. The first thread that finds
    // no commit under way commits everything queued, its own work among it; the others wait for
    // that commit, and one of them commits what queued up meanwhile (group commit).
    bool write(const Work& work, OVError* error) override {
        WriteJob job;
        job.work = &work;
        std::unique_lock lock(_mutex);
        _pending.push_back(&job);
        while (!job.done) {
            if (_committing) {
                _committed.wait(lock);
                continue;
            }
            _committing = true;
            const std::size_t count = std::min(_pending.size(), kLargestBatch);
            std::vector<WriteJob*> batch(_pending.begin(), _pending.begin() + count);
            _pending.erase(_pending.begin(), _pending.begin() + count);
            lock.unlock();
            commit(batch);
            lock.lock();
            for (WriteJob* written : batch) {
                written->done = true;
            }
            _committing = false;
            _committed.notify_all();
        }
        if (!job.written && error) {
            *error = job.error;
        }
        return job.written;
    }

    bool read(const Work& work, OVError* error) override { return _readers.run(work, error); }

  private:
    // One transaction for the batch; a job that fails is rolled back to its savepoint alone.
    void commit(const std::vector<WriteJob*>& batch) {
        OVError error;
        if (!_writer->execute("BEGIN IMMEDIATE", &error)) {
            for (WriteJob* job : batch) {
                job->error = error;
            }
            return;
        }
        for (WriteJob* job : batch) {
            _writer->execute("SAVEPOINT job", nullptr);
            job->written = (*job->work)(*_writer, &job->error);
            if (!job->written) {
                _writer->execute("ROLLBACK TO job", nullptr);
            }
            _writer->execute("RELEASE job", nullptr);
        }
        if (!_writer->execute("COMMIT", &error)) {
            _writer->execute("ROLLBACK", nullptr);
            for (WriteJob* job : batch) {
                job->written = false;
                job->error = error;
            }
        }
    }

    std::unique_ptr<SQLiteConnection> _writer;
    OVSQLConnectionPool _readers;
    const int _lockFile;

    std::mutex _mutex;
    std::condition_variable _committed;
    std::vector<WriteJob*> _pending;
    bool _committing = false;  // a thread is committing a batch with the writer connection
};

// Creates the directory, readable by its owner only, when it is missing.
bool makeDataDirectory(const QString& directory, OVError* error) {
    if (QDir(directory).exists()) {
        return true;
    }
    if (!QDir().mkpath(directory) ||
        !QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        return OVSetError(error, 1,
                          QStringLiteral("Cannot create the data folder %1.").arg(directory));
    }
    return true;
}

// The lock that keeps a second server off the directory; -1 when another server holds it.
int lockDataDirectory(const QString& directory, OVError* error) {
    const QByteArray path = QFile::encodeName(directory + QStringLiteral("/orvetta-server.lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        OVSetError(error, 1,
                   QStringLiteral("Another orvetta-server uses the data folder %1, or it cannot "
                                  "be written.")
                       .arg(directory));
        return -1;
    }
    return fd;
}

}  // namespace

std::unique_ptr<OVReportStore> OVOpenSQLiteReportStore(const QString& directory, OVError* error) {
    if (!makeDataDirectory(directory, error)) {
        return nullptr;
    }
    const int lockFile = lockDataDirectory(directory, error);
    if (lockFile < 0) {
        return nullptr;
    }
    const QString path = QDir(directory).filePath(QStringLiteral("reports.sqlite3"));
    std::unique_ptr<SQLiteConnection> writer = SQLiteConnection::open(path, false, error);
    std::optional<QByteArray> hashKey;
    if (writer &&
        writer->executeScript("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", error)) {
        hashKey = OVMigrateReportDatabase(*writer, error);
    }
    if (!hashKey) {
        ::close(lockFile);
        return nullptr;
    }
    return std::make_unique<SQLiteReportStore>(std::move(writer), path, *hashKey, lockFile);
}
