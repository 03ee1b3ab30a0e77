#include "server/postgres_report_store.h"

#include <libpq-fe.h>

#include <QHash>
#include <vector>

#include "server/connection_pool.h"
#include "server/report_sql.h"

namespace {

class PostgresConnection final : public OVSQLConnection {
  public:
    static std::unique_ptr<PostgresConnection> open(const QByteArray& url, OVError* error) {
        PGconn* connection = PQconnectdb(url.constData());
        if (PQstatus(connection) != CONNECTION_OK) {
            OVSetError(error, 1,
                       QStringLiteral("Cannot connect to PostgreSQL: %1")
                           .arg(QString::fromUtf8(PQerrorMessage(connection)).trimmed()));
            PQfinish(connection);
            return nullptr;
        }
        return std::unique_ptr<PostgresConnection>(new PostgresConnection(connection));
    }

    ~PostgresConnection() override { PQfinish(_connection); }

    using OVSQLConnection::execute;
    Dialect dialect() const override { return Dialect::PostgreSQL; }

    bool execute(const QByteArray& sql, const QVariantList& parameters, QList<Row>* rows,
                 OVError* error) override {
        if (!reconnectIfBroken(error)) {
            return false;
        }
        if (parameters.isEmpty()) {
            return finish(PQexec(_connection, sql.constData()), rows, error);
        }
        const QByteArray name = prepared(sql, error);
        if (name.isEmpty()) {
            return false;
        }
        std::vector<QByteArray> texts;
        std::vector<const char*> values;
        texts.reserve(std::size_t(parameters.size()));
        for (const QVariant& parameter : parameters) {
            if (parameter.isNull()) {
                values.push_back(nullptr);
            } else {
                texts.push_back(parameter.toString().toUtf8());
                values.push_back(texts.back().constData());
            }
        }
        return finish(PQexecPrepared(_connection, name.constData(), int(values.size()),
                                     values.data(), nullptr, nullptr, 0),
                      rows, error);
    }

    bool executeScript(const QByteArray& sql, OVError* error) override {
        return execute(sql, {}, nullptr, error);
    }

  private:
    explicit PostgresConnection(PGconn* connection) : _connection(connection) {}

    bool fail(const char* message, OVError* error) const {
        return OVSetError(
            error, 1, QStringLiteral("PostgreSQL: %1").arg(QString::fromUtf8(message).trimmed()));
    }

    // A connection the server lost (a restarted database) is opened again for the next
    // statement; the statements prepared on it are gone with it.
    bool reconnectIfBroken(OVError* error) {
        if (PQstatus(_connection) == CONNECTION_OK) {
            return true;
        }
        _prepared.clear();
        PQreset(_connection);
        return PQstatus(_connection) == CONNECTION_OK || fail(PQerrorMessage(_connection), error);
    }

    // The name of the statement prepared for `sql`; empty when it could not be prepared.
    QByteArray prepared(const QByteArray& sql, OVError* error) {
        QByteArray name = _prepared.value(sql);
        if (!name.isEmpty()) {
            return name;
        }
        name = "orvetta_" + QByteArray::number(_prepared.size() + 1);
        PGresult* result = PQprepare(_connection, name.constData(), sql.constData(), 0, nullptr);
        if (!finish(result, nullptr, error)) {
            return QByteArray();
        }
        _prepared.insert(sql, name);
        return name;
    }

    bool finish(PGresult* result, QList<Row>* rows, OVError* error) {
        const ExecStatusType status = PQresultStatus(result);
        const bool done = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!done) {
            fail(result ? PQresultErrorMessage(result) : PQerrorMessage(_connection), error);
        } else if (rows && status == PGRES_TUPLES_OK) {
            const int columns = PQnfields(result);
            for (int tuple = 0; tuple < PQntuples(result); ++tuple) {
                Row row;
                row.reserve(columns);
                for (int column = 0; column < columns; ++column) {
                    row.append(
                        PQgetisnull(result, tuple, column)
                            ? QVariant()
                            : QVariant(QString::fromUtf8(PQgetvalue(result, tuple, column),
                                                         PQgetlength(result, tuple, column))));
                }
                rows->append(row);
            }
        }
        PQclear(result);
        return done;
    }

    PGconn* _connection;
    QHash<QByteArray, QByteArray> _prepared;
};

class PostgresReportStore final : public OVSQLReportStore {
  public:
    PostgresReportStore(int connections, const QByteArray& url,
                        std::unique_ptr<PostgresConnection> first, QByteArray hashKey)
        : OVSQLReportStore(std::move(hashKey)),
          _pool(
              connections,
              [url](OVError* error) -> std::unique_ptr<OVSQLConnection> {
                  return PostgresConnection::open(url, error);
              },
              std::move(first)) {}

  protected:
    bool write(const Work& work, OVError* error) override {
        return _pool.run(
            [&](OVSQLConnection& connection, OVError* runError) {
                if (!connection.execute("BEGIN", runError)) {
                    return false;
                }
                if (!work(connection, runError) || !connection.execute("COMMIT", runError)) {
                    connection.execute("ROLLBACK", nullptr);
                    return false;
                }
                return true;
            },
            error);
    }

    bool read(const Work& work, OVError* error) override { return _pool.run(work, error); }

  private:
    OVSQLConnectionPool _pool;
};

}  // namespace

std::unique_ptr<OVReportStore> OVOpenPostgresReportStore(const QString& url, int connections,
                                                         OVError* error) {
    const QByteArray address = url.toUtf8();
    std::unique_ptr<PostgresConnection> first = PostgresConnection::open(address, error);
    if (!first) {
        return nullptr;
    }
    const std::optional<QByteArray> hashKey = OVMigrateReportDatabase(*first, error);
    if (!hashKey) {
        return nullptr;
    }
    return std::make_unique<PostgresReportStore>(connections, address, std::move(first), *hashKey);
}
