#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// How orvetta-server is started: its command line.
struct OVServerOptions {
    QString listenHost = QStringLiteral("127.0.0.1");
    quint16 listenPort = 8470;  // 0: any free port (the log names it)
    QString dataDirectory;      // the SQLite file's folder
    QString databaseURL;        // postgresql://...; when given, used instead of SQLite
    QString policyPath;         // empty: the empty policy
    QString adminTokenPath;     // empty: admin reads are off
    QString certificatePath;    // with keyPath: TLS
    QString keyPath;
    int requestTimeoutSeconds = 10;  // for reading a request and writing its answer
    int idleTimeoutSeconds = 5;      // for a kept-alive connection between requests
    int maxConnections = 64;         // connections served at once; more wait to be accepted
    int databaseConnections = 8;     // PostgreSQL connections of this server
};

struct OVServerCommandLine {
    std::optional<OVServerOptions> options;  // nothing: print `text`, exit with `exitStatus`
    QString text;
    int exitStatus = 0;
};

// Reads the arguments (the program name first). The data folder defaults to systemd's
// $STATE_DIRECTORY, else $XDG_STATE_HOME/orvetta-server, else ~/.local/state/orvetta-server.
OVServerCommandLine OVParseServerCommandLine(const QStringList& arguments);

// "HOST:PORT" or "[IPv6]:PORT" into host and port; false when it is neither.
bool OVParseListenAddress(const QString& text, QString* host, quint16* port);
