#pragma once

#include <QObject>
#include <memory>

#include "compat/step_test.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QWidget;
class OVCompatWindow;

// The "Compatibility Test" window: the guided test of finger, pen and eraser input. The test's
// rules live in OVCompatibilityTestModel; this class lays out the controls, shows the model's
// state and forwards the user's actions. Made once and kept; every showing resets it.
class OVCompatibilityWindowController : public QObject {
    Q_OBJECT

  public:
    static constexpr int ContentWidth = 480;
    static constexpr int ContentHeight = 430;

    explicit OVCompatibilityWindowController(QObject* parent = nullptr);
    ~OVCompatibilityWindowController() override;

    // Shows the window in front and resets it to Ready.
    void showWindow();

    void modelSelectionChanged();
    void startButtonPressed();
    void sendReport();
    // Closes the window (the Cancel / Done button).
    void done();

    OVCompatibilityTestModel& model() { return _model; }
    QWidget* window() const;
    QComboBox* modelPopup() const { return _modelPopup; }
    QLineEdit* otherModelField() const { return _otherModelField; }
    QPushButton* startButton() const { return _startButton; }
    QPushButton* sendButton() const { return _sendButton; }
    QPushButton* doneButton() const { return _doneButton; }
    QLabel* stepLabel() const { return _stepLabel; }
    QLabel* promptLabel() const { return _promptLabel; }
    QLabel* timerLabel() const { return _timerLabel; }
    QLabel* statusLabel() const { return _statusLabel; }
    QProgressBar* progress() const { return _progress; }
    QPlainTextEdit* summaryView() const { return _summaryView; }

  private:
    void buildContent();
    void refresh();
    void windowWillClose();

    OVCompatibilityTestModel _model;
    std::unique_ptr<OVCompatWindow> _window;
    QLabel* _stepLabel = nullptr;
    QLabel* _promptLabel = nullptr;
    QLabel* _timerLabel = nullptr;
    QLabel* _statusLabel = nullptr;
    QProgressBar* _progress = nullptr;
    QPlainTextEdit* _summaryView = nullptr;
    QComboBox* _modelPopup = nullptr;
    QLineEdit* _otherModelField = nullptr;
    QPushButton* _startButton = nullptr;
    QPushButton* _sendButton = nullptr;
    QPushButton* _doneButton = nullptr;
};
