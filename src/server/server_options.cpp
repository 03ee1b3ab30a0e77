#include "server/server_options.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

QString defaultDataDirectory() {
    const QString state = qEnvironmentVariable("STATE_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    if (!state.isEmpty()) {
        return state;
    }
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty()) {
        base = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/orvetta-server");
}

// Reads a whole number from `lowest` to `highest`.
bool readNumber(const QString& text, int lowest, int highest, int* value) {
    bool number = false;
    const int parsed = text.toInt(&number);
    if (!number || parsed < lowest || parsed > highest) {
        return false;
    }
    *value = parsed;
    return true;
}

OVServerCommandLine failure(const QString& problem) {
    return {std::nullopt,
            QStringLiteral("orvetta-server: %1\nTry orvetta-server --help.\n").arg(problem), 2};
}

}  // namespace

bool OVParseListenAddress(const QString& text, QString* host, quint16* port) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
        return false;
    }
    QString name = text.left(colon);
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']'))) {
        name = name.mid(1, name.size() - 2);
    } else if (name.contains(QLatin1Char(':'))) {
        return false;  // an IPv6 address needs its brackets
    }
    bool number = false;
    const uint value = text.mid(colon + 1).toUInt(&number);
    if (name.isEmpty() || !number || value > 65535) {
        return false;
    }
    *host = name;
    *port = quint16(value);
    return true;
}

OVServerCommandLine OVParseServerCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The Orvetta service: collects the compatibility reports of a fleet's touch "
                       "displays and hands out the app policy."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version."));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address and port (default 127.0.0.1:8470)."),
                                    QStringLiteral("ADDR:PORT"));
    const QCommandLineOption data(QStringLiteral("data"),
                                  QStringLiteral("Folder of the SQLite database."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("PostgreSQL database instead of SQLite (postgresql://...)."),
        QStringLiteral("URL"));
    const QCommandLineOption policy(
        QStringLiteral("policy"),
        QStringLiteral("JSON file of the app policy (reloaded on SIGHUP "
                       "and when it changes)."),
        QStringLiteral("FILE"));
    const QCommandLineOption token(QStringLiteral("admin-token-file"),
                                   QStringLiteral("File holding the token of the admin reads."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption cert(QStringLiteral("cert"),
                                  QStringLiteral("TLS certificate chain (PEM)."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("TLS private key (PEM)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption requestTimeout(
        QStringLiteral("request-timeout"),
        QStringLiteral("Seconds a client may take to send a whole request (default 10)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption idleTimeout(
        QStringLiteral("idle-timeout"),
        QStringLiteral("Seconds an idle connection is kept open (default 5)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption maxConnections(
        QStringLiteral("max-connections"),
        QStringLiteral("Connections served at once (default 64)."), QStringLiteral("N"));
    const QCommandLineOption databaseConnections(
        QStringLiteral("database-connections"),
        QStringLiteral("PostgreSQL connections of this server (default 8)."), QStringLiteral("N"));
    parser.addOptions({help, version, listen, data, database, policy, token, cert, key,
                       requestTimeout, idleTimeout, maxConnections, databaseConnections});
    if (!parser.parse(arguments)) {
        return failure(parser.errorText());
    }
    if (parser.isSet(help)) {
        return {std::nullopt, parser.helpText(), 0};
    }
    if (parser.isSet(version)) {
        return {std::nullopt, QStringLiteral("orvetta-server %1\n").arg(ORVETTA_SERVER_VERSION), 0};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return failure(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
    }

    OVServerOptions options;
    if (parser.isSet(listen) &&
        !OVParseListenAddress(parser.value(listen), &options.listenHost, &options.listenPort)) {
        return failure(
            QStringLiteral("--listen wants ADDR:PORT, such as 0.0.0.0:8470 or [::]:443"));
    }
    options.dataDirectory = parser.isSet(data) ? parser.value(data) : defaultDataDirectory();
    options.databaseURL = parser.value(database);
    if (!options.databaseURL.isEmpty() &&
        !options.databaseURL.startsWith(QLatin1String("postgresql://")) &&
        !options.databaseURL.startsWith(QLatin1String("postgres://"))) {
        return failure(QStringLiteral("--database wants a URL that begins with postgresql://"));
    }
    options.policyPath = parser.value(policy);
    options.adminTokenPath = parser.value(token);
    options.certificatePath = parser.value(cert);
    options.keyPath = parser.value(key);
    if (options.certificatePath.isEmpty() != options.keyPath.isEmpty()) {
        return failure(QStringLiteral("TLS needs both --cert and --key"));
    }
    const struct {
        const QCommandLineOption& option;
        int lowest;
        int highest;
        int* value;
    } numbers[] = {
        {requestTimeout, 1, 3600, &options.requestTimeoutSeconds},
        {idleTimeout, 1, 3600, &options.idleTimeoutSeconds},
        {maxConnections, 1, 10000, &options.maxConnections},
        {databaseConnections, 1, 1000, &options.databaseConnections},
    };
    for (const auto& number : numbers) {
        if (parser.isSet(number.option) &&
            !readNumber(parser.value(number.option), number.lowest, number.highest, number.value)) {
            return failure(QStringLiteral("--%1 wants a whole number from %2 to %3")
                               .arg(number.option.names().first())
                               .arg(number.lowest)
                               .arg(number.highest));
        }
    }
    return {options, QString(), 0};
}
