#pragma once

#include <QList>
#include <QObject>
#include <functional>
#include <memory>

#include "compat/intro_check.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class OVCompatWindow;
class OVCompatibilityRippleView;

// The "Compatibility Check" window: the user touches the ripple area with fingers, pen and eraser
// in any order, a checklist fills as each kind of input is seen, and the anonymous report is sent.
// The check's rules live in OVIntroCompatibilityCheckModel; this class lays out the controls,
// shows the model's state and forwards the user's actions. Made once and kept; every showing
// restarts the check.
class OVIntroCompatibilityWindowController : public QObject {
    Q_OBJECT

  public:
    static constexpr int ContentWidth = 680;
    static constexpr int ContentHeight = 520;
    static constexpr int RippleWidth = 430;
    static constexpr int RippleHeight = 340;

    explicit OVIntroCompatibilityWindowController(QObject* parent = nullptr);
    ~OVIntroCompatibilityWindowController() override;

    // Shows the window in front and starts the check afresh.
    void showWindow();
    // What closing a required check before it is finished does (quitting the application unless
    // replaced).
    void setQuitHandler(std::function<void()> handler);

    void modelSelectionChanged();
    void displaySelectionChanged();
    void openHelpPage();
    void sendReport();
    void finish();

    OVIntroCompatibilityCheckModel& model() { return _model; }
    QWidget* window() const;
    OVCompatibilityRippleView* rippleView() const { return _rippleView; }
    QComboBox* modelPopup() const { return _modelPopup; }
    QLineEdit* otherModelField() const { return _otherModelField; }
    QComboBox* displayPopup() const { return _displayPopup; }
    const QList<QLabel*>& checkLabels() const { return _checkLabels; }
    QLabel* statusLabel() const { return _statusLabel; }
    QPushButton* helpButton() const { return _helpButton; }
    QPushButton* saveButton() const { return _saveButton; }
    QPushButton* finishButton() const { return _finishButton; }

  private:
    void buildContent();
    void fillDisplayPopup();
    void refresh();
    void windowWillClose();

    OVIntroCompatibilityCheckModel _model;
    std::unique_ptr<OVCompatWindow> _window;
    QList<QLabel*> _checkLabels;
    OVCompatibilityRippleView* _rippleView = nullptr;
    QComboBox* _modelPopup = nullptr;
    QComboBox* _displayPopup = nullptr;
    QLineEdit* _otherModelField = nullptr;
    QLabel* _statusLabel = nullptr;
    QPushButton* _helpButton = nullptr;
    QPushButton* _saveButton = nullptr;
    QPushButton* _finishButton = nullptr;
};
