#include "server/policy_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <QUrl>

#include "service/bounded_json.h"

namespace {

enum class Kind { Object, Array, Text, Version, Link, Flag, OneOf };

struct Rule {
    QLatin1String name;
    Kind kind;
    QStringList choices = {};  // Kind::OneOf, compared in lower case as the client does
};

const QList<Rule> kDocumentRules = {
    {QLatin1String("version_policy"), Kind::Object},
    {QLatin1String("messages"), Kind::Array},
};
const QList<Rule> kVersionPolicyRules = {
    {QLatin1String("minimum_supported_version"), Kind::Version},
    {QLatin1String("latest_version"), Kind::Version},
    {QLatin1String("download_url"), Kind::Link},
};
const QList<Rule> kMessageRules = {
    {QLatin1String("id"), Kind::Text},
    {QLatin1String("title"), Kind::Text},
    {QLatin1String("message"), Kind::Text},
    {QLatin1String("body"), Kind::Text},
    {QLatin1String("url"), Kind::Link},
    {QLatin1String("type"), Kind::OneOf, {"alert", "notification", "balloon", ""}},
    {QLatin1String("presentation"), Kind::OneOf, {"alert", "notification", "balloon", ""}},
    {QLatin1String("show"), Kind::OneOf, {"always", "once", "if_update_available", "never", ""}},
    {QLatin1String("show_on_launch"), Kind::Flag},
    {QLatin1String("actions"), Kind::Array},
};
const QList<Rule> kActionRules = {
    {QLatin1String("label"), Kind::Text},
    {QLatin1String("url"), Kind::Link},
    {QLatin1String("dismiss"), Kind::Flag},
};

QString valueProblem(const Rule& rule, const QJsonValue& value) {
    const bool text = rule.kind == Kind::Text || rule.kind == Kind::Version ||
                      rule.kind == Kind::Link || rule.kind == Kind::OneOf;
    if (text && !value.isString()) {
        return QStringLiteral("must be a string");
    }
    if ((rule.kind == Kind::Object && !value.isObject()) ||
        (rule.kind == Kind::Array && !value.isArray()) ||
        (rule.kind == Kind::Flag && !value.isBool())) {
        return rule.kind == Kind::Object  ? QStringLiteral("must be an object")
               : rule.kind == Kind::Array ? QStringLiteral("must be an array")
                                          : QStringLiteral("must be true or false");
    }
    const QString string = value.toString().trimmed();
    if (rule.kind == Kind::Version && !string.isEmpty() &&
        !std::any_of(string.begin(), string.end(), [](QChar c) { return c.isDigit(); })) {
        return QStringLiteral("\"%1\" has no version number").arg(string);
    }
    if (rule.kind == Kind::Link && !string.isEmpty()) {
        const QUrl url(string);
        if (!url.isValid() || (!url.scheme().isEmpty() && url.scheme() != QLatin1String("https") &&
                               url.scheme() != QLatin1String("http"))) {
            return QStringLiteral("\"%1\" is not an http or https link").arg(string);
        }
    }
    if (rule.kind == Kind::OneOf && !rule.choices.contains(string.toLower())) {
        QStringList named = rule.choices;
        named.removeAll(QString());
        return QStringLiteral("\"%1\" is not one of %2")
            .arg(string, named.join(QStringLiteral(", ")));
    }
    return QString();
}

// The first problem of `object` under `rules`, reported at `where` ("messages[2]").
QString objectProblem(const QJsonObject& object, const QList<Rule>& rules, const QString& where) {
    const QString prefix = where.isEmpty() ? QString() : where + QLatin1Char('.');
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const auto rule = std::find_if(rules.begin(), rules.end(),
                                       [&](const Rule& r) { return r.name == it.key(); });
        if (rule == rules.end()) {
            return QStringLiteral("%1\"%2\" is not a member of the policy format")
                .arg(prefix, it.key());
        }
        if (const QString problem = valueProblem(*rule, it.value()); !problem.isEmpty()) {
            return prefix + it.key() + QStringLiteral(": ") + problem;
        }
    }
    return QString();
}

QString arrayProblem(const QJsonArray& array, const QList<Rule>& rules, const QString& where) {
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString element = QStringLiteral("%1[%2]").arg(where).arg(i);
        if (!array[i].isObject()) {
            return element + QStringLiteral(": must be an object");
        }
        if (const QString problem = objectProblem(array[i].toObject(), rules, element);
            !problem.isEmpty()) {
            return problem;
        }
    }
    return QString();
}

QString documentProblem(const QJsonObject& document) {
    QString problem = objectProblem(document, kDocumentRules, QString());
    if (problem.isEmpty()) {
        problem = objectProblem(document.value(QLatin1String("version_policy")).toObject(),
                                kVersionPolicyRules, QStringLiteral("version_policy"));
    }
    const QJsonArray messages = document.value(QLatin1String("messages")).toArray();
    if (problem.isEmpty()) {
        problem = arrayProblem(messages, kMessageRules, QStringLiteral("messages"));
    }
    for (qsizetype i = 0; problem.isEmpty() && i < messages.size(); ++i) {
        problem = arrayProblem(messages[i].toObject().value(QLatin1String("actions")).toArray(),
                               kActionRules, QStringLiteral("messages[%1].actions").arg(i));
    }
    return problem;
}

}  // namespace

std::optional<QJsonObject> OVPolicyDocumentFromJSON(const QByteArray& data, QString* problem) {
    QJsonParseError parseError{};
    const std::optional<QJsonDocument> json = OVParseBoundedJSON(data, &parseError);
    if (!json) {
        *problem = QStringLiteral("not valid JSON (%1 at byte %2)")
                       .arg(parseError.errorString())
                       .arg(parseError.offset);
        return std::nullopt;
    }
    if (!json->isObject()) {
        *problem = QStringLiteral("the policy must be a JSON object");
        return std::nullopt;
    }
    QJsonObject document = json->object();
    if (document.size() == 1 && document.value(QLatin1String("policy")).isObject()) {
        document = document.value(QLatin1String("policy")).toObject();
    }
    *problem = documentProblem(document);
    if (!problem->isEmpty()) {
        return std::nullopt;
    }
    return document;
}

OVPolicyFile::OVPolicyFile(QString path)
    : _path(std::move(path)),
      _answer(std::make_shared<const QByteArray>(QByteArrayLiteral(R"({"policy":{}})"))) {}

OVPolicyReload OVPolicyFile::reload(QString* outcome) {
    if (_path.isEmpty()) {
        *outcome = QStringLiteral("policy: none given, answering the empty policy");
        return OVPolicyReload::Loaded;
    }
    QFile file(_path);
    QString problem;
    std::optional<QJsonObject> document;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
    } else if (file.size() > OVLargestPolicyFile) {
        problem = QStringLiteral("larger than %1 bytes").arg(OVLargestPolicyFile);
    } else {
        const QByteArray data = file.read(OVLargestPolicyFile + 1);
        if (data == _lastRead) {
            *outcome = QStringLiteral("policy: %1 unchanged").arg(_path);
            return OVPolicyReload::Unchanged;
        }
        _lastRead = data;
        document = OVPolicyDocumentFromJSON(data, &problem);
    }
    if (!document) {
        *outcome = QStringLiteral("policy: %1 not loaded, keeping the policy in force: %2")
                       .arg(_path, problem);
        return OVPolicyReload::Refused;
    }
    auto answer = std::make_shared<const QByteArray>(
        QJsonDocument(QJsonObject{{QStringLiteral("policy"), *document}})
            .toJson(QJsonDocument::Compact));
    {
        std::lock_guard lock(_mutex);
        _answer = std::move(answer);
    }
    *outcome = QStringLiteral("policy: loaded %1 (%2 messages)")
                   .arg(_path)
                   .arg(document->value(QLatin1String("messages")).toArray().size());
    return OVPolicyReload::Loaded;
}

std::shared_ptr<const QByteArray> OVPolicyFile::answer() const {
    std::lock_guard lock(_mutex);
    return _answer;
}
