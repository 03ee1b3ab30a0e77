#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

#include "base/notification_center.h"
#include "settings/settings_window_model.h"
#include "settings/ui/key_combo_recorder.h"

class OVModalAlertRunner;
class OVKeyComboRecorderWindowController;
class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;

// The settings window: the touch device, the target display, the settings profiles with
// automatic switching, for each input its mouse action, keyboard action and inertia, and under
// the inputs whether press and hold right-clicks. It keeps no settings of its own: every change
// is written to the preferences and the content is rebuilt from them, also whenever another part
// changes the profiles.
class OVSettingsWindowController : public QObject {
    Q_OBJECT

  public:
    // Where the device and display choices come from.
    struct Sources {
        std::function<QVariantList()> candidateDevices;
        std::function<QString()> currentDeviceSelection;
        std::function<QVariantList()> displaySelectionOptions;
        std::function<QString()> currentDisplaySelection;
        // How the key-combo recorder reads the keyboard's scan codes; empty for Qt's keys.
        OVScanCodeTranslator scanCodeTranslator;
    };
    static Sources defaultSources();

    static constexpr int kContentWidth = 520;
    // The device, display, profile and input rows; the options row lies below them.
    static constexpr int kLayoutHeight = 382;
    static constexpr int kContentHeight = kLayoutHeight + 32;

    explicit OVSettingsWindowController(OVModalAlertRunner& alerts,
                                        Sources sources = defaultSources(),
                                        QObject* parent = nullptr);
    ~OVSettingsWindowController() override;

    void showWindow();
    QWidget* window() const { return _window.get(); }
    QWidget* contentView() const { return _content; }

    // Removes the content and builds it anew from the preferences.
    void buildContent();

    QComboBox* devicePopup() const { return _devicePopup; }
    QComboBox* displayPopup() const { return _displayPopup; }
    QComboBox* profilePopup() const { return _profilePopup; }
    QComboBox* mousePopupForInput(const QString& input) const;
    QComboBox* modifierPopupForInput(const QString& input) const;
    QCheckBox* inertiaCheckBoxForInput(const QString& input) const;
    OVKeyComboRecorderWindowController* comboRecorder() const { return _comboRecorder.get(); }

    // Control actions; the sender is the control that changed.
    void deviceSelectionChanged(QComboBox* sender);
    void displaySelectionChanged(QComboBox* sender);
    void profileSelectionChanged(QComboBox* sender);
    void mappingChanged(QComboBox* sender);
    void inertiaEnabledChanged(QCheckBox* sender);

    // Asks for a name; a name that an existing profile has is replaced only when the user says so.
    void saveCurrentProfileAsNew();
    void removeCurrentProfile();
    void updateInertiaControlForInput(const QString& input);
    void recordKeyComboForInput(const QString& input, QComboBox* popup);

    // A rectangle given from the bottom left of the rows' layout, in the window's top-left terms.
    static QRect flipped(int x, int y, int width, int height);

  private:
    QLabel* label(const QString& text, const QRect& frame);
    QLabel* sectionLabel(const QString& text, const QRect& frame);
    QComboBox* popupWithModel(const OVPopupModel& model, const QRect& frame);
    QComboBox* devicePopupWithFrame(const QRect& frame);
    QComboBox* displayPopupWithFrame(const QRect& frame);
    QComboBox* profilePopupWithFrame(const QRect& frame);
    QComboBox* mousePopupForInput(const QString& input, const QRect& frame);
    QComboBox* modifierPopupForInput(const QString& input, const QRect& frame);
    void addMappingRowWithTitle(const QString& title, const QString& input, int y);
    void finishRecording(const QString& input, QPointer<QComboBox> popup, std::int64_t previous,
                         bool cancelled);
    void releaseRecorderLater();
    bool confirmReplacingProfile(const QString& name);

    OVModalAlertRunner& _alerts;
    Sources _sources;
    std::unique_ptr<QWidget> _window;
    QWidget* _content = nullptr;
    QComboBox* _devicePopup = nullptr;
    QComboBox* _displayPopup = nullptr;
    QComboBox* _profilePopup = nullptr;
    std::unique_ptr<OVKeyComboRecorderWindowController> _comboRecorder;
    OVScopedObservers _observers;
};
