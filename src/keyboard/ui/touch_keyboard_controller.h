#pragma once

#include <QFont>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>

#include "base/notification_center.h"
#include "keyboard/touch_keyboard_model.h"

class QAbstractButton;
class QWidget;
class OVKeyboardButton;

// The on-screen touch keyboard: a floating panel that never takes the keyboard focus, so that the
// application being typed into stays active, with one button per key of the current layout. The
// keys' state and actions live in the model; this class makes the panel, lays out and dresses the
// buttons, and shows, hides and places the panel at one of six saved screen positions.
class OVTouchKeyboardController : public QObject, public OVTouchKeyboardPanel {
    Q_OBJECT

  public:
    explicit OVTouchKeyboardController(QObject* parent = nullptr);
    ~OVTouchKeyboardController() override;

    OVTouchKeyboardModel& model() { return _model; }
    const OVTouchKeyboardModel& model() const { return _model; }

    void showKeyboardNotification(const OVNotification& notification);
    void showKeyboard();
    // Shows the panel at the saved position and brings it to the front without activating it.
    void showKeyboardCentered();
    // Hides the panel and resets hold mode, the one-shot modifiers and the minimized layout.
    void hideKeyboard() override;
    bool visible() const;

    static const QStringList& keyboardPositions();
    // The saved position, read leniently.
    QString keyboardPosition() const;
    void cycleKeyboardPosition() override;
    void positionKeyboardAtSavedPosition() override;

    void ensurePanel();
    void buildKeys() override;
    static QSizeF panelSizeForRowCount(unsigned rows);
    void resizePanelForRowCount(unsigned rows);
    OVKeyboardButton* keyButtonWithTitle(const QString& title, const QRect& frame,
                                         const OVKeyDescriptor& descriptor);

    // The action of every key button.
    void keyPressed(OVKeyboardButton* button);
    void refreshModifierButtons() override;
    void applyIconForButton(OVKeyboardButton* button, const OVKeyDescriptor& descriptor,
                            bool active);
    QFont fontForDescriptor(const OVKeyDescriptor& descriptor) const;
    static OVKeyDescriptor descriptorForButton(const QAbstractButton* button);

    // The panel and the view whose children are the key buttons; null before the first show.
    QWidget* panel() const { return _panel.get(); }
    QWidget* keyView() const { return _keyView; }
    // The buttons of the current layout, row by row from the top left.
    QList<OVKeyboardButton*> keyButtons() const;

    // Where the key icons are read from (tests point it elsewhere).
    void setIconDirectory(const QString& directory) { _iconDirectory = directory; }

  signals:
    // The panel appeared or went away, however that came about.
    void visibilityChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void removeKeyButtons();

    OVTouchKeyboardModel _model;
    std::unique_ptr<QWidget> _panel;
    QWidget* _keyView = nullptr;
    QList<QPointer<OVKeyboardButton>> _keyButtons;
    QString _iconDirectory;
    OVScopedObservers _observers;
};
