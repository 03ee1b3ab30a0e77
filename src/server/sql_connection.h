#pragma once

#include <QByteArray>
#include <QList>
#include <QVariant>
#include <QVariantList>

#include "base/error.h"

// One connection to the report database, as the queries of report_sql.cpp need it. Statements
// are written once for both engines, with $1, $2, ... as parameters. A parameter is a QString,
// a qint64 or null; a result value is a QString, a qint64 or null (PostgreSQL gives every value
// as text, so readers convert with toLongLong() and toString()). A connection is used by one
// thread at a time.
class OVSQLConnection {
  public:
    enum class Dialect { SQLite, PostgreSQL };
    using Row = QVariantList;

    virtual ~OVSQLConnection() = default;
    virtual Dialect dialect() const = 0;

    // Runs one statement; its rows go to `rows` when given.
    virtual bool execute(const QByteArray& sql, const QVariantList& parameters, QList<Row>* rows,
                         OVError* error) = 0;
    // Runs statements without parameters, separated by semicolons.
    virtual bool executeScript(const QByteArray& sql, OVError* error) = 0;

    bool execute(const QByteArray& sql, OVError* error) { return execute(sql, {}, nullptr, error); }
};
