#include "compat/debug_report_log.h"

#include <QStringList>

const QString& OVDebugReportLog::startText() {
    static const QString text =
        QStringLiteral("Touch with finger and pen. New raw reports appear here.\n");
    return text;
}

OVDebugReportLog::Change OVDebugReportLog::append(const QString& text) {
    if (text.isEmpty()) {
        return Change::None;
    }
    _text += text;
    _text += QLatin1Char('\n');
    _lineCount += static_cast<std::uint64_t>(text.count(QLatin1Char('\n'))) + 1;
    if (_lineCount <= TrimThreshold) {
        return Change::Appended;
    }
    trim();
    return Change::Replaced;
}

void OVDebugReportLog::clear() {
    _text.clear();
    _lineCount = 0;
}

// Keeps whole lines, dropping the oldest. The log ends with a line feed, so its last piece is
// empty and the kept text holds one line less than the pieces it keeps.
void OVDebugReportLog::trim() {
    const QStringList pieces = _text.split(QLatin1Char('\n'));
    const qsizetype drop = pieces.size() > KeptPieces ? pieces.size() - KeptPieces : 0;
    _text = pieces.mid(drop).join(QLatin1Char('\n'));
    _lineCount = static_cast<std::uint64_t>(pieces.size() - drop);
}
