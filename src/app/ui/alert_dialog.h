#pragma once

#include <QDialog>
#include <QList>

#include "base/modal_alert.h"

class QHBoxLayout;
class QLineEdit;
class QPushButton;

// A modal alert: the program's icon, a bold message, the informative text, an optional text field
// or extra button, and the buttons in a row from the right, the first one the default.
class OVAlertDialog : public QDialog {
    Q_OBJECT

  public:
    explicit OVAlertDialog(const OVModalAlert& alert, QWidget* parent = nullptr);

    // Runs the dialog modally; returns the pressed button's index, or -1 when it was closed.
    int run();
    // The pressed button's index, or -1.
    int chosenButton() const { return _chosen; }

    // The buttons in the order of the alert's titles.
    const QList<QPushButton*>& buttons() const { return _buttons; }
    QLineEdit* textField() const { return _textField; }
    QPushButton* accessoryButton() const { return _accessoryButton; }
    QString textFieldValue() const;

  private:
    QHBoxLayout* buttonRow(const OVModalAlert& alert);

    QList<QPushButton*> _buttons;
    QLineEdit* _textField = nullptr;
    QPushButton* _accessoryButton = nullptr;
    std::function<void()> _accessoryAction;
    int _chosen = -1;
};

// Shows each alert as an OVAlertDialog.
class OVQtModalAlertRunner : public OVModalAlertRunner {
  public:
    int runModalAlert(OVModalAlert& alert) override;
};
