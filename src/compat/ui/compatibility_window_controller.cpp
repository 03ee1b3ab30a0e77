#include "compat/ui/compatibility_window_controller.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "compat/ui/compat_controls.h"
#include "keyboard/ui/window_placement.h"

OVCompatibilityWindowController::OVCompatibilityWindowController(QObject* parent)
    : QObject(parent),
      _window(std::make_unique<OVCompatWindow>(QStringLiteral("Compatibility Test"))) {
    _window->setFixedSize(ContentWidth, ContentHeight);
    _window->setCloseHandler([this] { windowWillClose(); });
    buildContent();
    _model.setContactFilter(OVContactFilterForWindow(_window.get()));
    _model.setChangeHandler([this] { refresh(); });
    OVCenterWindowOnPreferredScreen(_window.get());
    refresh();
}

OVCompatibilityWindowController::~OVCompatibilityWindowController() {
    _model.setChangeHandler(nullptr);
    _window->setCloseHandler(nullptr);
}

QWidget* OVCompatibilityWindowController::window() const {
    return _window.get();
}

void OVCompatibilityWindowController::buildContent() {
    QWidget* content = _window.get();
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(8);

    layout->addWidget(OVCompatBoldLabel(QStringLiteral("Compatibility Test"), content, 20));

    auto* modelRow = new QHBoxLayout();
    modelRow->addWidget(OVCompatLabel(QStringLiteral("Display model"), content));
    _modelPopup = OVDisplayModelPopup(content);
    modelRow->addWidget(_modelPopup);
    _otherModelField = OVOtherDisplayModelField(content);
    modelRow->addWidget(_otherModelField, 1);
    layout->addLayout(modelRow);

    auto* startRow = new QHBoxLayout();
    _startButton = OVCompatButton(QStringLiteral("Start Test"), content);
    startRow->addWidget(_startButton);
    startRow->addStretch(1);
    layout->addLayout(startRow);

    _stepLabel = OVCompatBoldLabel(QString(), content);
    layout->addWidget(_stepLabel);
    _promptLabel = OVCompatLabel(QString(), content);
    layout->addWidget(_promptLabel);

    _progress = new QProgressBar(content);
    _progress->setRange(0, static_cast<int>(_model.steps().size()));
    _progress->setValue(0);
    _progress->setTextVisible(false);
    layout->addWidget(_progress);

    _timerLabel = OVCompatLabel(QString(), content);
    _timerLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(_timerLabel);
    _statusLabel = OVCompatLabel(QString(), content);
    OVUseSecondaryTextColor(_statusLabel);
    layout->addWidget(_statusLabel);

    _summaryView = new QPlainTextEdit(content);
    _summaryView->setReadOnly(true);
    _summaryView->setTextInteractionFlags(Qt::NoTextInteraction);
    _summaryView->setUndoRedoEnabled(false);
    _summaryView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    _summaryView->setFrameShape(QFrame::StyledPanel);
    QFont summaryFont = _summaryView->font();
    summaryFont.setPixelSize(12);
    _summaryView->setFont(summaryFont);
    layout->addWidget(_summaryView, 1);

    auto* buttonRow = new QHBoxLayout();
    buttonRow->addStretch(1);
    _sendButton = OVCompatButton(QStringLiteral("Send Report (Anonymous)"), content);
    _sendButton->setEnabled(false);
    buttonRow->addWidget(_sendButton);
    _doneButton = OVCompatButton(QStringLiteral("Cancel"), content);
    buttonRow->addWidget(_doneButton);
    layout->addLayout(buttonRow);

    connect(_modelPopup, &QComboBox::activated, this,
            &OVCompatibilityWindowController::modelSelectionChanged);
    connect(_otherModelField, &QLineEdit::textEdited, this,
            &OVCompatibilityWindowController::modelSelectionChanged);
    connect(_startButton, &QPushButton::clicked, this,
            &OVCompatibilityWindowController::startButtonPressed);
    connect(_sendButton, &QPushButton::clicked, this, &OVCompatibilityWindowController::sendReport);
    connect(_doneButton, &QPushButton::clicked, this, &OVCompatibilityWindowController::done);
}

void OVCompatibilityWindowController::showWindow() {
    _window->show();
    _window->raise();
    _window->activateWindow();
    _model.resetIntro();
}

void OVCompatibilityWindowController::modelSelectionChanged() {
    _model.modelSelectionChanged(_modelPopup->currentText(), _otherModelField->text());
}

void OVCompatibilityWindowController::startButtonPressed() {
    _model.startTest();
}

void OVCompatibilityWindowController::sendReport() {
    _model.sendReport();
}

void OVCompatibilityWindowController::done() {
    _window->close();
}

void OVCompatibilityWindowController::windowWillClose() {
    _model.windowWillClose();
}

void OVCompatibilityWindowController::refresh() {
    const OVCompatibilityTestModel::Presentation& shown = _model.presentation();
    _stepLabel->setText(shown.stepText);
    _promptLabel->setText(shown.promptText);
    _timerLabel->setText(shown.timerText);
    _statusLabel->setText(shown.statusText);
    if (_summaryView->toPlainText() != shown.summaryText) {
        _summaryView->setPlainText(shown.summaryText);
    }
    _progress->setValue(shown.progress);
    _startButton->setEnabled(shown.startEnabled);
    _sendButton->setEnabled(shown.sendEnabled);
    _doneButton->setText(shown.doneTitle);
    OVShowDisplayModelChoice(_model.modelChoice(), shown.modelChoiceEnabled, _modelPopup,
                             _otherModelField);
}
