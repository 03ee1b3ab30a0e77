#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the program's log lines (qDebug, qWarning, ...) while it lives, instead of printing
// them. One at a time.
class OVLogCapture {
  public:
    OVLogCapture();
    ~OVLogCapture();
    OVLogCapture(const OVLogCapture&) = delete;
    OVLogCapture& operator=(const OVLogCapture&) = delete;

    const QStringList& lines() const { return _lines; }
    // Whether some line contains `text`.
    bool contains(const QString& text) const;

  private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    QStringList _lines;
    QtMessageHandler _previous;
};
