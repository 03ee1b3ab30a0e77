#include "compat/ui/debug_window_controller.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "base/notification_names.h"
#include "base/services.h"
#include "compat/ui/compat_controls.h"

OVDebugWindowController::OVDebugWindowController(QObject* parent)
    : QObject(parent),
      _window(std::make_unique<QWidget>(nullptr, Qt::Window)),
      _observers(OVDefaultCenter()) {
    _window->setWindowTitle(QStringLiteral("Orvetta Debug Reports"));
    _window->resize(ContentWidth, ContentHeight);
    buildContent();
    _window->installEventFilter(this);
}

OVDebugWindowController::~OVDebugWindowController() {
    _window->removeEventFilter(this);
    _observers.removeAll();
}

bool OVDebugWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == _window.get()) {
        // Reports are collected while the window is shown; a hidden window costs the report
        // path nothing.
        if (event->type() == QEvent::Show && _observers.empty()) {
            _observers.add(
                OVDebugReportNotification, nullptr,
                [this](const OVNotification& notification) { debugReport(notification); });
        } else if (event->type() == QEvent::Hide) {
            _observers.removeAll();
        }
    }
    return QObject::eventFilter(watched, event);
}

void OVDebugWindowController::buildContent() {
    QWidget* content = _window.get();
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    _textView = new QPlainTextEdit(content);
    _textView->setReadOnly(true);
    _textView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    _textView->setUndoRedoEnabled(false);
    _textView->setLineWrapMode(QPlainTextEdit::NoWrap);
    _textView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    _textView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    _textView->setFrameShape(QFrame::StyledPanel);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    font.setWeight(QFont::Normal);
    _textView->setFont(font);
    _textView->setPlainText(_log.text());
    layout->addWidget(_textView, 1);

    auto* strip = new QWidget(content);
    strip->setFixedHeight(BottomStripHeight);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(12, 0, 12, 0);
    stripLayout->setSpacing(12);
    _clearButton = OVCompatButton(QStringLiteral("Clear"), strip);
    stripLayout->addWidget(_clearButton);
    _hintLabel = OVCompatLabel(
        QStringLiteral("Compare flags, id, w, extra and raw slot bytes between finger and pen."),
        strip);
    OVUseSecondaryTextColor(_hintLabel);
    stripLayout->addWidget(_hintLabel, 1);
    layout->addWidget(strip);

    connect(_clearButton, &QPushButton::clicked, this, &OVDebugWindowController::clear);
}

void OVDebugWindowController::showWindow() {
    _window->show();
    _window->raise();
    _window->activateWindow();
}

void OVDebugWindowController::clear() {
    _log.clear();
    _textView->clear();
}

void OVDebugWindowController::debugReport(const OVNotification& notification) {
    const QString text = notification.userInfo.value(QStringLiteral("text")).toString();
    switch (_log.append(text)) {
        case OVDebugReportLog::Change::None:
            return;
        case OVDebugReportLog::Change::Appended: {
            // Only the new entry goes into the view; the whole text is set again after a trim.
            QTextCursor end(_textView->document());
            end.movePosition(QTextCursor::End);
            end.insertText(text + QLatin1Char('\n'));
            break;
        }
        case OVDebugReportLog::Change::Replaced:
            _textView->setPlainText(_log.text());
            break;
    }
    scrollToEnd();
}

void OVDebugWindowController::scrollToEnd() {
    _textView->moveCursor(QTextCursor::End);
    _textView->ensureCursorVisible();
    _textView->verticalScrollBar()->setValue(_textView->verticalScrollBar()->maximum());
    // The end of the log is the empty line after the last entry, at the left edge.
    _textView->horizontalScrollBar()->setValue(_textView->horizontalScrollBar()->minimum());
}
