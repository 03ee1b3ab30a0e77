#pragma once

#include <QObject>
#include <memory>

#include "base/notification_center.h"
#include "compat/debug_report_log.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The "Orvetta Debug Reports" window: a running log of the decoded raw input reports, so that a
// finger's report can be compared with the pen's. It collects reports while its window is shown
// and keeps the log while it is hidden.
class OVDebugWindowController : public QObject {
    Q_OBJECT

  public:
    static constexpr int ContentWidth = 720;
    static constexpr int ContentHeight = 520;
    static constexpr int BottomStripHeight = 44;

    explicit OVDebugWindowController(QObject* parent = nullptr);
    ~OVDebugWindowController() override;

    // Shows the window in front.
    void showWindow();
    // The Clear button.
    void clear();
    void debugReport(const OVNotification& notification);

    const OVDebugReportLog& log() const { return _log; }
    QWidget* window() const { return _window.get(); }
    QPlainTextEdit* textView() const { return _textView; }
    QPushButton* clearButton() const { return _clearButton; }
    QLabel* hintLabel() const { return _hintLabel; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildContent();
    void scrollToEnd();

    OVDebugReportLog _log;
    std::unique_ptr<QWidget> _window;
    QPlainTextEdit* _textView = nullptr;
    QPushButton* _clearButton = nullptr;
    QLabel* _hintLabel = nullptr;
    OVScopedObservers _observers;
};
