#include "service/app_policy.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QJsonObject>
#include <QUuid>
#include <limits>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/scheduler.h"
#include "base/services.h"
#include "platform/platform.h"
#include "service/bounded_json.h"
#include "service/environment.h"

namespace {

const QString kLastLaunchedVersionKey = QStringLiteral("lastLaunchedVersion");
const QString kLastLaunchedBuildKey = QStringLiteral("lastLaunchedBuild");
const QString kShownPolicyMessageIDsKey = QStringLiteral("shownPolicyMessageIDs");
const QString kVersionPolicy = QStringLiteral("version_policy");
const QString kOK = QStringLiteral("OK");

constexpr int kMaximumAlertButtons = 3;
constexpr double kQuitDelayAfterDownload = 0.6;
// The "once" messages remembered; the oldest are forgotten first.
constexpr qsizetype kMaximumShownPolicyMessageIDs = 256;

// The value under `key` when it is a string, else an empty text (a wrong type counts as absent).
QString stringValue(const QVariantMap& map, const QString& key) {
    const QVariant value = map.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QVariantMap dismissAction() {
    return {{QStringLiteral("label"), kOK}, {QStringLiteral("dismiss"), true}};
}

bool isWebScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

std::optional<QUrl> refuseScheme(const QString& text, const QString& scheme) {
    qWarning().noquote() << QStringLiteral(
                                "Orvetta ignored a policy link with the scheme \"%1\" (%2); only "
                                "http and https links are opened.")
                                .arg(OVLogSafeText(scheme), OVLogSafeText(text));
    return std::nullopt;
}

bool isDecimalDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The next run of decimal digits in `text` from `position`, with its leading zeros dropped; an
// empty view when there is none. Moves `position` past it.
QStringView nextNumber(QStringView text, qsizetype& position) {
    while (position < text.size() && !isDecimalDigit(text[position])) {
        ++position;
    }
    while (position + 1 < text.size() && text[position] == QLatin1Char('0') &&
           isDecimalDigit(text[position + 1])) {
        ++position;
    }
    const qsizetype start = position;
    while (position < text.size() && isDecimalDigit(text[position])) {
        ++position;
    }
    return text.mid(start, position - start);
}

// Compares two runs of digits without leading zeros by their value; an empty run is 0.
int compareNumbers(QStringView a, QStringView b) {
    if (a.isEmpty()) {
        a = u"0";
    }
    if (b.isEmpty()) {
        b = u"0";
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// Title and body joined by a newline; empty when both are.
QString legacyPolicyMessageIdentifier(const QVariantMap& message) {
    const QString title = stringValue(message, QStringLiteral("title"));
    const QString body = OVPolicyMessageBody(message);
    if (title.isEmpty() && body.isEmpty()) {
        return QString();
    }
    return title + QLatin1Char('\n') + body;
}

QString applicationIdentifier() {
    const QString identifier = OVCurrentPlatform().workspace().ownBundleIdentifier();
    return identifier.isEmpty() ? OVServiceAppName : identifier;
}

void logFailedLaunchFetch(const std::optional<OVError>& error) {
    if (error && error->code == OVServiceErrorInvalidURL && !OVServiceConfigured()) {
        qInfo().noquote() << "Orvetta: no service is configured; the built-in app policy applies.";
        return;
    }
    qWarning().noquote() << QStringLiteral("Orvetta app policy check failed: %1")
                                .arg(error ? OVLogSafeText(error->description)
                                           : QStringLiteral("no policy in the answer"));
}

void finishLaunchFetch(OVPolicyAlertPresenter& presenter,
                       const std::function<void()>& continueStartup,
                       const std::optional<QVariantMap>& dictionary,
                       const std::optional<OVError>& error) {
    if (error || !dictionary) {
        logFailedLaunchFetch(error);
        continueStartup();
        return;
    }
    OVCurrentProcessState().currentAppPolicy = OVPolicyFromAPIResponse(*dictionary);
    OVMarkCurrentLaunchReported();
    if (OVEnforceMinimumSupportedVersionIfNeeded(presenter)) {
        return;
    }
    OVShowFirstLaunchPolicyMessageIfNeeded(presenter);
    continueStartup();
}

// The launch fetch in flight: start-up continues once, when the answer is read or when the
// deadline passes, whichever comes first.
struct LaunchFetch {
    std::function<void()> continueStartup;
    OVTimer deadline;

    void continueOnce() {
        if (auto next = std::exchange(continueStartup, nullptr)) {
            next();
        }
    }
};

}  // namespace

bool OVLoadBundledAppPolicy() {
    static const bool resourcesRegistered = [] {
        Q_INIT_RESOURCE(orvetta_core);
        return true;
    }();
    Q_UNUSED(resourcesRegistered);
    QFile file(QStringLiteral(":/OrvettaPolicy.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const std::optional<QVariantMap> policy = OVAppPolicyFromJSON(file.readAll());
    if (!policy) {
        return false;
    }
    OVCurrentProcessState().currentAppPolicy = *policy;
    return true;
}

std::optional<QVariantMap> OVAppPolicyFromJSON(const QByteArray& data) {
    const std::optional<QJsonDocument> document = OVParseBoundedJSON(data);
    if (!document || !document->isObject()) {
        return std::nullopt;
    }
    return document->object().toVariantMap();
}

QString OVInstallEventForCurrentLaunch() {
    const OVPreferences& preferences = OVStandardPreferences();
    const QString version = preferences.stringForKey(kLastLaunchedVersionKey);
    const QString build = preferences.stringForKey(kLastLaunchedBuildKey);
    if (version.isEmpty() || build.isEmpty()) {
        return QStringLiteral("first_launch");
    }
    if (version == OVBundleVersion() && build == OVBundleBuild()) {
        return QStringLiteral("policy_check");
    }
    return QStringLiteral("update");
}

void OVMarkCurrentLaunchReported() {
    OVPreferences& preferences = OVStandardPreferences();
    preferences.setObject(kLastLaunchedVersionKey, OVBundleVersion());
    preferences.setObject(kLastLaunchedBuildKey, OVBundleBuild());
}

OVQueryParameters OVAppPolicyLaunchQuery(const QString& installEvent) {
    return {
        {QStringLiteral("app"), OVServiceAppName},
        {QStringLiteral("platform"), OVPlatformName()},
        {QStringLiteral("channel"), OVServiceChannel},
        {QStringLiteral("version"), OVBundleVersion()},
        {QStringLiteral("app_build"), OVBundleBuild()},
        {QStringLiteral("install_id"), OVStableInstallID()},
        {QStringLiteral("install_event"), installEvent},
        {QStringLiteral("os_version"), OVOperatingSystemVersionString()},
        {QStringLiteral("arch"), OVArchitectureName()},
        {QStringLiteral("locale"), OVLocaleIdentifier()},
        {QStringLiteral("timezone"), OVTimeZoneIdentifier()},
    };
}

void OVFetchAppPolicyOnLaunch(OVPolicyAlertPresenter& presenter,
                              std::function<void()> continueStartup) {
    auto fetch = std::make_shared<LaunchFetch>();
    fetch->continueStartup = std::move(continueStartup);
    const OVQueryParameters query = OVAppPolicyLaunchQuery(OVInstallEventForCurrentLaunch());
    OVGetJSON(QStringLiteral("/app-policy/"), query,
              [&presenter, fetch](const std::optional<QVariantMap>& dictionary,
                                  const std::optional<OVError>& error) {
                  // An answer, also one that stops the application, ends the wait.
                  fetch->deadline.invalidate();
                  finishLaunchFetch(
                      presenter, [fetch] { fetch->continueOnce(); }, dictionary, error);
              });
    if (fetch->continueStartup) {
        // Touch does not wait longer than a request may take, whatever the transport does.
        fetch->deadline = OVMainScheduler().after(OVServiceRequestTimeout, [fetch] {
            if (fetch->continueStartup) {
                qWarning().noquote() << "Orvetta app policy check failed: no answer within"
                                     << OVServiceRequestTimeout << "seconds";
                fetch->continueOnce();
            }
        });
    }
}

QVariantMap OVPolicyFromAPIResponse(const QVariantMap& response) {
    const QVariant policy = response.value(QStringLiteral("policy"));
    return policy.typeId() == QMetaType::QVariantMap ? policy.toMap() : response;
}

QVariant OVPolicyValueAtPath(const QStringList& keys) {
    QVariant value = OVCurrentProcessState().currentAppPolicy;
    for (const QString& key : keys) {
        if (value.typeId() != QMetaType::QVariantMap) {
            return QVariant();
        }
        value = value.toMap().value(key);
    }
    return value;
}

QString OVPolicyStringAtPath(const QStringList& keys) {
    const QVariant value = OVPolicyValueAtPath(keys);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QVariantList OVPolicyArrayAtPath(const QStringList& keys) {
    const QVariant value = OVPolicyValueAtPath(keys);
    return value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

QList<qint64> OVVersionNumberParts(const QString& version) {
    QList<qint64> parts;
    qsizetype position = 0;
    while (true) {
        const QStringView number = nextNumber(version, position);
        if (number.isEmpty()) {
            return parts;
        }
        bool fits = false;
        const qint64 value = number.toLongLong(&fits);
        parts.append(fits ? value : std::numeric_limits<qint64>::max());
    }
}

int OVCompareVersionStrings(const QString& a, const QString& b) {
    qsizetype positionA = 0;
    qsizetype positionB = 0;
    while (true) {
        const QStringView numberA = nextNumber(a, positionA);
        const QStringView numberB = nextNumber(b, positionB);
        if (numberA.isEmpty() && numberB.isEmpty()) {
            return 0;
        }
        if (const int order = compareNumbers(numberA, numberB); order != 0) {
            return order;
        }
    }
}

bool OVCurrentVersionIsBelowMinimumSupportedVersion() {
    const QString minimum =
        OVPolicyStringAtPath({kVersionPolicy, QStringLiteral("minimum_supported_version")});
    return !minimum.isEmpty() && OVCompareVersionStrings(OVBundleVersion(), minimum) == -1;
}

bool OVPolicyHasUpdateAvailable() {
    const QString latest = OVPolicyStringAtPath({kVersionPolicy, QStringLiteral("latest_version")});
    return !latest.isEmpty() && OVCompareVersionStrings(OVBundleVersion(), latest) == -1;
}

bool OVEnforceMinimumSupportedVersionIfNeeded(OVPolicyAlertPresenter& presenter) {
    OVProcessState& state = OVCurrentProcessState();
    if (state.minimumVersionAlertRaised || !OVCurrentVersionIsBelowMinimumSupportedVersion()) {
        return false;
    }
    state.minimumVersionAlertRaised = true;
    state.updateRequired = true;
    OVDefaultCenter().post(OVMinimumSupportedVersionFailedNotification);

    const QString download =
        OVTrimmedString(OVPolicyStringAtPath({kVersionPolicy, QStringLiteral("download_url")}));
    OVModalAlert alert;
    alert.messageText = QStringLiteral("Orvetta update required");
    alert.informativeText = QStringLiteral("This version is no longer supported.");
    if (!download.isEmpty()) {
        alert.buttonTitles.append(QStringLiteral("Download Update"));
    }
    alert.buttonTitles.append(QStringLiteral("Quit"));
    const int choice = presenter.runModalAlert(alert);
    if (download.isEmpty() || choice != 0) {
        presenter.terminateApplication();
        return true;
    }
    OVOpenPolicyURL(download);
    OVMainScheduler().after(kQuitDelayAfterDownload,
                            [&presenter] { presenter.terminateApplication(); });
    return true;
}

void OVShowFirstLaunchPolicyMessageIfNeeded(OVPolicyAlertPresenter& presenter) {
    const std::optional<QVariantMap> message = OVFirstLaunchPolicyMessage();
    if (!message || OVPolicyMessageWasShownThisLaunch(*message)) {
        return;
    }
    if (OVPolicyMessageShowMode(*message) == QLatin1String("once")) {
        OVMarkPolicyMessageShownOnce(*message);
    }
    OVMainScheduler().async(
        [&presenter, message = *message] { OVShowPolicyMessage(presenter, message); });
}

std::optional<QVariantMap> OVFirstLaunchPolicyMessage() {
    for (const QVariant& candidate : OVPolicyArrayAtPath({QStringLiteral("messages")})) {
        if (candidate.typeId() != QMetaType::QVariantMap) {
            continue;
        }
        const QVariantMap message = candidate.toMap();
        if (OVPolicyMessageShouldShowOnLaunch(message)) {
            return message;
        }
    }
    return std::nullopt;
}

bool OVPolicyMessageShouldShowOnLaunch(const QVariantMap& message) {
    const QString mode = OVPolicyMessageShowMode(message);
    if (mode == QLatin1String("always")) {
        return true;
    }
    if (mode == QLatin1String("once")) {
        return !OVPolicyMessageWasShownOnce(message);
    }
    if (mode == QLatin1String("if_update_available")) {
        return OVPolicyHasUpdateAvailable();
    }
    return false;
}

QString OVPolicyMessageShowMode(const QVariantMap& message) {
    const QString show = stringValue(message, QStringLiteral("show"));
    if (!show.isEmpty()) {
        return show.toLower();
    }
    const QVariant showOnLaunch = message.value(QStringLiteral("show_on_launch"));
    if (showOnLaunch.typeId() == QMetaType::Bool && showOnLaunch.toBool()) {
        return QStringLiteral("always");
    }
    return QString();
}

QString OVPolicyMessageIdentifier(const QVariantMap& message) {
    const QString identifier = stringValue(message, QStringLiteral("id"));
    if (!identifier.isEmpty()) {
        return identifier;
    }
    const QString text = legacyPolicyMessageIdentifier(message);
    if (text.isEmpty()) {
        return QString();
    }
    return QStringLiteral("sha256:") +
           QString::fromLatin1(
               QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

bool OVPolicyMessageWasShownThisLaunch(const QVariantMap& message) {
    const QString identifier = OVPolicyMessageIdentifier(message);
    if (identifier.isEmpty()) {
        return false;
    }
    QSet<QString>& shown = OVCurrentProcessState().policyMessageIDsShownThisLaunch;
    if (shown.contains(identifier)) {
        return true;
    }
    shown.insert(identifier);
    return false;
}

bool OVPolicyMessageWasShownOnce(const QVariantMap& message) {
    const QString identifier = OVPolicyMessageIdentifier(message);
    if (identifier.isEmpty()) {
        return false;
    }
    // Earlier versions stored a message without an id by its title and body.
    const QString legacy = stringValue(message, QStringLiteral("id")).isEmpty()
                               ? legacyPolicyMessageIdentifier(message)
                               : QString();
    for (const QVariant& shown : OVStandardPreferences().arrayForKey(kShownPolicyMessageIDsKey)) {
        if (shown.typeId() != QMetaType::QString) {
            continue;
        }
        const QString stored = shown.toString();
        if (stored == identifier || (!legacy.isEmpty() && stored == legacy)) {
            return true;
        }
    }
    return false;
}

void OVMarkPolicyMessageShownOnce(const QVariantMap& message) {
    const QString identifier = OVPolicyMessageIdentifier(message);
    if (identifier.isEmpty() || OVPolicyMessageWasShownOnce(message)) {
        return;
    }
    OVPreferences& preferences = OVStandardPreferences();
    QVariantList shown = preferences.arrayForKey(kShownPolicyMessageIDsKey);
    shown.append(identifier);
    if (shown.size() > kMaximumShownPolicyMessageIDs) {
        shown.remove(0, shown.size() - kMaximumShownPolicyMessageIDs);
    }
    preferences.setObject(kShownPolicyMessageIDsKey, shown);
}

void OVShowPolicyMessage(OVPolicyAlertPresenter& presenter, const QVariant& message) {
    if (message.typeId() != QMetaType::QVariantMap) {
        return;
    }
    const QVariantMap fields = message.toMap();
    QString presentation = stringValue(fields, QStringLiteral("type")).toLower();
    if (presentation.isEmpty()) {
        presentation = stringValue(fields, QStringLiteral("presentation")).toLower();
    }
    const QString title = stringValue(fields, QStringLiteral("title"));
    const QString body = OVPolicyMessageBody(fields);
    if (presentation == QLatin1String("notification") || presentation == QLatin1String("balloon")) {
        OVShowPolicyNotification(title, body, OVPolicyMessageURLString(fields));
    } else {
        OVShowPolicyAlert(presenter, title, body, OVActionsForPolicyMessage(fields));
    }
}

QString OVPolicyMessageBody(const QVariantMap& message) {
    const QString text = stringValue(message, QStringLiteral("message"));
    return text.isEmpty() ? stringValue(message, QStringLiteral("body")) : text;
}

QString OVPolicyMessageURLString(const QVariantMap& message) {
    const QString url = stringValue(message, QStringLiteral("url"));
    if (!url.isEmpty()) {
        return url;
    }
    for (const QVariant& action : OVPolicyMessageActions(message)) {
        const QString actionURL = stringValue(action.toMap(), QStringLiteral("url"));
        if (!actionURL.isEmpty()) {
            return actionURL;
        }
    }
    return QString();
}

QVariantList OVPolicyMessageActions(const QVariantMap& message) {
    const QVariant actions = message.value(QStringLiteral("actions"));
    return actions.typeId() == QMetaType::QVariantList ? actions.toList() : QVariantList();
}

QVariantList OVActionsForPolicyMessage(const QVariantMap& message) {
    const QVariantList actions = OVPolicyMessageActions(message);
    if (!actions.isEmpty()) {
        return actions;
    }
    const QString link = OVPolicyMessageURLString(message);
    if (!link.isEmpty()) {
        return {QVariantMap{{QStringLiteral("label"), QStringLiteral("Open")},
                            {QStringLiteral("url"), link}},
                dismissAction()};
    }
    return {};
}

void OVShowPolicyAlert(OVPolicyAlertPresenter& presenter, const QString& title, const QString& body,
                       const QVariantList& actions) {
    OVModalAlert alert;
    alert.messageText = title.isEmpty() ? QStringLiteral("Orvetta") : title;
    alert.informativeText = body;
    const QVariantList shown =
        (actions.isEmpty() ? QVariantList{dismissAction()} : actions).mid(0, kMaximumAlertButtons);
    for (const QVariant& action : shown) {
        const QString label = stringValue(action.toMap(), QStringLiteral("label"));
        alert.buttonTitles.append(label.isEmpty() ? kOK : label);
    }
    const int choice = presenter.runModalAlert(alert);
    if (choice < 0 || choice >= shown.size()) {
        return;
    }
    const QString url = stringValue(shown[choice].toMap(), QStringLiteral("url"));
    if (!url.isEmpty()) {
        OVOpenPolicyURL(url);
    }
}

void OVShowPolicyNotification(const QString& title, const QString& body, const QString& urlString) {
    OVUserNotifications& notifications = OVCurrentPlatform().userNotifications();
    notifications.requestAuthorization([&notifications, title, body, urlString](bool granted) {
        if (!granted) {
            qWarning().noquote() << "Orvetta notification authorization failed: not granted";
            return;
        }
        QUrl link;
        if (!urlString.isEmpty()) {
            link = OVURLFromPolicyString(urlString).value_or(QUrl());
        }
        const QString identifier = applicationIdentifier() + QStringLiteral(".policy.") +
                                   QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        notifications.deliver(identifier, title.isEmpty() ? QStringLiteral("Orvetta") : title, body,
                              link);
    });
}

std::optional<QUrl> OVURLFromPolicyString(const QString& text) {
    const QString trimmed = OVTrimmedString(text);
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    const QUrl absolute(trimmed);
    if (absolute.isValid() && !absolute.scheme().isEmpty()) {
        if (!isWebScheme(absolute.scheme()) || absolute.host().isEmpty()) {
            return refuseScheme(trimmed, absolute.scheme());
        }
        return absolute;
    }

    const QUrl base(OVAPIBaseURL());
    if (base.scheme().isEmpty() || base.host().isEmpty()) {
        return std::nullopt;
    }
    if (!isWebScheme(base.scheme())) {
        return refuseScheme(trimmed, base.scheme());
    }
    QUrl origin;
    origin.setScheme(base.scheme());
    origin.setHost(base.host());
    origin.setPort(base.port());
    const QString originText = origin.toString(QUrl::FullyEncoded);

    QUrl resolved;
    if (trimmed.startsWith(QLatin1Char('/'))) {
        resolved = QUrl(originText + trimmed);
    } else {
        QString path = base.path(QUrl::FullyEncoded);
        if (path.isEmpty()) {
            path = QStringLiteral("/");
        }
        if (!path.endsWith(QLatin1Char('/'))) {
            path += QLatin1Char('/');
        }
        resolved = QUrl(originText + path).resolved(QUrl(trimmed));
    }
    if (!resolved.isValid() || !isWebScheme(resolved.scheme()) || resolved.host().isEmpty()) {
        return std::nullopt;
    }
    return resolved;
}

bool OVOpenPolicyURL(const QString& text) {
    const std::optional<QUrl> url = OVURLFromPolicyString(text);
    if (!url) {
        return false;
    }
    OVCurrentPlatform().workspace().openURL(*url);
    return true;
}

void OVShowUpdatePolicyMessage(OVPolicyAlertPresenter& presenter) {
    const QString latest = OVPolicyStringAtPath({kVersionPolicy, QStringLiteral("latest_version")});
    const QString download = OVPolicyStringAtPath({kVersionPolicy, QStringLiteral("download_url")});
    const int result = latest.isEmpty() ? 0 : OVCompareVersionStrings(OVBundleVersion(), latest);
    const bool newer = result == -1;
    const QString title = newer ? QStringLiteral("A newer version is available")
                                : QStringLiteral("You are using the latest version");
    const QString body =
        newer ? QStringLiteral("Version %1 is ready to download.").arg(latest) : QString();
    QVariantList actions;
    if (!download.isEmpty()) {
        actions.append(QVariantMap{{QStringLiteral("label"), QStringLiteral("Download")},
                                   {QStringLiteral("url"), download}});
    }
    actions.append(dismissAction());
    OVShowPolicyAlert(presenter, title, body, actions);
}
