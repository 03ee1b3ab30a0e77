#pragma once

#include <QString>
#include <cstdint>

// The running log of the debug reports window: the debug text of every input report, one entry
// after another, bounded so that it never grows much past 1200 counted lines.
class OVDebugReportLog {
  public:
    // Shown until the first trim or Clear; never counted as log lines.
    static const QString& startText();
    // More counted lines than this trim the log ...
    static constexpr std::uint64_t TrimThreshold = 1200;
    // ... to its last this many pieces split at line feeds.
    static constexpr qsizetype KeptPieces = 900;

    // What an append did to the log text.
    enum class Change {
        None,      // nothing (an empty report text)
        Appended,  // the entry was added at the end
        Replaced,  // the log was cut back and holds a new text
    };

    // Adds one report's text and a line feed, trimming the oldest lines when the count passes
    // the threshold.
    Change append(const QString& text);
    // Empties the log; the start text does not come back.
    void clear();

    const QString& text() const { return _text; }
    std::uint64_t lineCount() const { return _lineCount; }

  private:
    void trim();

    QString _text = startText();
    std::uint64_t _lineCount = 0;
};
