#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>

#include "compat/compat_window_support.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Controls the compatibility windows build alike.

// A window that is kept when closed and tells its controller when it closes.
class OVCompatWindow : public QWidget {
  public:
    explicit OVCompatWindow(const QString& title);
    void setCloseHandler(std::function<void()> handler) { _closeHandler = std::move(handler); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    std::function<void()> _closeHandler;
};

// A plain text label: no frame, not editable, not selectable.
QLabel* OVCompatLabel(const QString& text, QWidget* parent);
// The same in bold at `pixelSize` (the system size when 0).
QLabel* OVCompatBoldLabel(const QString& text, QWidget* parent, int pixelSize = 0);
// Shows `label`'s text in the secondary text colour.
void OVUseSecondaryTextColor(QLabel* label);
void OVSetTextColor(QLabel* label, const QColor& color);
QPushButton* OVCompatButton(const QString& title, QWidget* parent);

// The display model pop-up ("Select", the models, "Other") and its text field for another model.
QComboBox* OVDisplayModelPopup(QWidget* parent);
QLineEdit* OVOtherDisplayModelField(QWidget* parent);
// Shows a model's display model choice in the pop-up's text field.
void OVShowDisplayModelChoice(const OVDisplayModelChoice& choice, bool choiceEnabled,
                              QComboBox* popup, QLineEdit* field);

// The contacts that land inside `window` (its frame on the screen), in their order.
OVContactFilter OVContactFilterForWindow(const QWidget* window);
