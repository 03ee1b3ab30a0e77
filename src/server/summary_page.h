#pragma once

#include <QByteArray>
#include <QDateTime>

#include "server/report_store.h"

// The summary as a small HTML page for a browser: one table of display models and one of the
// installations seen per version, with no script and nothing loaded from elsewhere.
QByteArray OVSummaryPageHTML(const OVReportSummary& summary, const QDateTime& generatedAt);
