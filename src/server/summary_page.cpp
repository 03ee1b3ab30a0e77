#include "server/summary_page.h"

#include <QStringList>

namespace {

const char kHead[] = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Orvetta service</title>
<style>
body { font: 15px/1.45 system-ui, sans-serif; margin: 2em; color: #1d1d1f; }
table { border-collapse: collapse; margin-bottom: 2em; }
th, td { padding: 5px 12px; border-bottom: 1px solid #d8d8dc; text-align: left; }
th { background: #f2f2f5; }
td.number { text-align: right; font-variant-numeric: tabular-nums; }
td.failed { color: #b3261e; }
</style>
</head>
<body>
)";

QString cell(const QString& text, const QString& type = QString()) {
    const QString shown = text.isEmpty() ? QStringLiteral("\u2014") : text.toHtmlEscaped();
    return type.isEmpty() ? QStringLiteral("<td>%1</td>").arg(shown)
                          : QStringLiteral("<td class=\"%1\">%2</td>").arg(type, shown);
}

QString number(qint64 value, bool failed = false) {
    return cell(QString::number(value),
                failed && value > 0 ? QStringLiteral("number failed") : QStringLiteral("number"));
}

QString headerRow(const QStringList& titles) {
    return QStringLiteral("<tr><th>") + titles.join(QStringLiteral("</th><th>")) +
           QStringLiteral("</th></tr>\n");
}

}  // namespace

QByteArray OVSummaryPageHTML(const OVReportSummary& summary, const QDateTime& generatedAt) {
    qint64 reports = 0;
    for (const OVDisplaySummary& display : summary.displays) {
        reports += display.reports;
    }
    QString page = QString::fromLatin1(kHead);
    page += QStringLiteral(
                "<h1>Compatibility reports</h1>\n<p>%1 reports of %2 display models, "
                "as of %3 (UTC).</p>\n<table>\n")
                .arg(reports)
                .arg(summary.displays.size())
                .arg(generatedAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    page += headerRow({QStringLiteral("Vendor"), QStringLiteral("Product"),
                       QStringLiteral("Display model"), QStringLiteral("Reports"),
                       QStringLiteral("Passed inputs"), QStringLiteral("Failed inputs"),
                       QStringLiteral("Last report")});
    for (const OVDisplaySummary& display : summary.displays) {
        page += QStringLiteral("<tr>") + cell(display.vendorID) + cell(display.productID) +
                cell(display.displayModel) + number(display.reports) +
                number(display.passedInputs) + number(display.failedInputs, true) +
                cell(display.lastSeen.left(16).replace(QLatin1Char('T'), QLatin1Char(' '))) +
                QStringLiteral("</tr>\n");
    }
    page += QStringLiteral("</table>\n<h2>Installations seen in the last 30 days</h2>\n<table>\n");
    page += headerRow(
        {QStringLiteral("Version"), QStringLiteral("Platform"), QStringLiteral("Installations")});
    for (const OVInstallationCount& count : summary.installations) {
        page += QStringLiteral("<tr>") + cell(count.version) + cell(count.platform) +
                number(count.installations) + QStringLiteral("</tr>\n");
    }
    page += QStringLiteral("</table>\n</body>\n</html>\n");
    return page.toUtf8();
}
