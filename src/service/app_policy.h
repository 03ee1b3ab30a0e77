#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <optional>

#include "service/policy_presenter.h"
#include "service/service_client.h"

// The app policy: the maker's document of the minimum supported version, the latest version and
// the messages to show at launch. The policy in force is OVCurrentProcessState().currentAppPolicy.

// Loads the built-in policy (the resource OrvettaPolicy.json). Returns whether it became the
// policy in force; on failure the policy stays as it was.
bool OVLoadBundledAppPolicy();
// The JSON object in `data`, or nothing when `data` is not a JSON object.
std::optional<QVariantMap> OVAppPolicyFromJSON(const QByteArray& data);

// "first_launch", "update" or "policy_check", from the last launch the service acknowledged.
QString OVInstallEventForCurrentLaunch();
// Remembers the running version and build as the last launch the service acknowledged.
void OVMarkCurrentLaunchReported();
// The eleven query parameters of the launch request.
OVQueryParameters OVAppPolicyLaunchQuery(const QString& installEvent);

// Asks the service for the policy of this launch. When the answer is read (or the request
// failed) it enforces the minimum version, shows a launch message and calls `continueStartup`
// once — unless the running version is no longer supported, which ends the application instead.
// Start-up continues at the latest OVServiceRequestTimeout seconds after the call; without a
// service it continues at once, and the log says so.
void OVFetchAppPolicyOnLaunch(OVPolicyAlertPresenter& presenter,
                              std::function<void()> continueStartup);
// The policy inside a service answer: its "policy" object, else the whole answer.
QVariantMap OVPolicyFromAPIResponse(const QVariantMap& response);

// The value under `keys` in the policy in force; nothing where a step is not a dictionary.
QVariant OVPolicyValueAtPath(const QStringList& keys);
// The value when it is a string, else a null QString.
QString OVPolicyStringAtPath(const QStringList& keys);
// The value when it is an array, else an empty list.
QVariantList OVPolicyArrayAtPath(const QStringList& keys);

// The decimal numbers in a version ("1.2.10-beta3" gives 1, 2, 10, 3); a number too large for
// 64 bits reads as the largest one.
QList<qint64> OVVersionNumberParts(const QString& version);
// -1, 0 or 1 as `a` is below, equal to or above `b`; a missing number counts as 0.
int OVCompareVersionStrings(const QString& a, const QString& b);
bool OVCurrentVersionIsBelowMinimumSupportedVersion();
bool OVPolicyHasUpdateAvailable();

// Stops a version the policy no longer supports: the "update required" alert, then the end of the
// application. True when it raised the alert in this call (at most once per process).
bool OVEnforceMinimumSupportedVersionIfNeeded(OVPolicyAlertPresenter& presenter);

// Presents the first message that should show at launch, at most one per call, on the main loop.
void OVShowFirstLaunchPolicyMessageIfNeeded(OVPolicyAlertPresenter& presenter);
std::optional<QVariantMap> OVFirstLaunchPolicyMessage();
bool OVPolicyMessageShouldShowOnLaunch(const QVariantMap& message);
// "always", "once", "if_update_available", "never", another lower-case text, or empty.
QString OVPolicyMessageShowMode(const QVariantMap& message);
// The "id", else "sha256:" and the SHA-256 (hex) of title and body joined by a newline; empty
// when all three are empty.
QString OVPolicyMessageIdentifier(const QVariantMap& message);
// Whether the message was shown during this process; records it as shown.
bool OVPolicyMessageWasShownThisLaunch(const QVariantMap& message);
// Whether the message's identifier is among the "once" messages already shown.
bool OVPolicyMessageWasShownOnce(const QVariantMap& message);
// Remembers a "once" message as shown; the list keeps the newest 256 identifiers.
void OVMarkPolicyMessageShownOnce(const QVariantMap& message);

// Shows a message as a notification or an alert; nothing unless `message` is a dictionary.
void OVShowPolicyMessage(OVPolicyAlertPresenter& presenter, const QVariant& message);
QString OVPolicyMessageBody(const QVariantMap& message);
QString OVPolicyMessageURLString(const QVariantMap& message);
// The message's "actions" when it is an array, else an empty list.
QVariantList OVPolicyMessageActions(const QVariantMap& message);
// The alert buttons of a message: its actions, else "Open" and "OK" when it has a link.
QVariantList OVActionsForPolicyMessage(const QVariantMap& message);
// A modal alert with a button for each of the first three actions; the chosen action's link
// opens in the browser.
void OVShowPolicyAlert(OVPolicyAlertPresenter& presenter, const QString& title, const QString& body,
                       const QVariantList& actions);
// A system notification whose link opens when the user clicks it.
void OVShowPolicyNotification(const QString& title, const QString& body, const QString& urlString);

// A link of the policy as a URL: absolute, or resolved against the service's origin (a leading
// "/") or base URL (otherwise). Only http and https links are returned; any other scheme is
// refused and logged.
std::optional<QUrl> OVURLFromPolicyString(const QString& text);
// Opens a policy link in the browser when it resolves; returns whether it was handed over.
bool OVOpenPolicyURL(const QString& text);

// "Check for Updates": tells whether a newer version exists and offers its download.
void OVShowUpdatePolicyMessage(OVPolicyAlertPresenter& presenter);
