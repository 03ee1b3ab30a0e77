#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QPushButton;

// Called once per recorder: cancelled, or the pressed key's virtual key code, its combo flags and
// label.
using OVKeyComboCompletion = std::function<void(bool cancelled, std::uint16_t keyCode,
                                                std::uint64_t flags, const QString& label)>;

// Translates a key event's native scan code into a virtual key code, so that a combo names the
// key's place on the keyboard whatever the layout; nothing when it does not know the key.
using OVScanCodeTranslator = std::function<std::optional<std::uint16_t>(quint32 nativeScanCode)>;

// The recorder's content: takes the keyboard focus and reports the next key press, with or
// without modifiers (Escape, Return and Tab included). A modifier pressed alone records nothing.
class OVKeyComboCaptureView : public QWidget {
    Q_OBJECT

  public:
    explicit OVKeyComboCaptureView(QWidget* parent = nullptr);

    OVKeyComboCompletion completion;
    OVScanCodeTranslator scanCodeTranslator;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Tab is a key to record, not a way to another control.
    bool focusNextPrevChild(bool next) override;
};

// "Record Key Combo": a small window-modal sheet on the settings window whose capture view
// records the next key press. "Cancel" and the close button finish it as cancelled.
class OVKeyComboRecorderWindowController {
  public:
    OVKeyComboRecorderWindowController(OVKeyComboCompletion completion, QWidget* parentWindow,
                                       OVScanCodeTranslator scanCodeTranslator = {});
    ~OVKeyComboRecorderWindowController();
    OVKeyComboRecorderWindowController(const OVKeyComboRecorderWindowController&) = delete;
    OVKeyComboRecorderWindowController& operator=(const OVKeyComboRecorderWindowController&) =
        delete;

    // Shows the sheet and gives the capture view the keyboard focus.
    void showWindow();
    // The "Cancel" button.
    void cancel();
    // Takes the completion (a second finish does nothing), hides the window, then calls it.
    void finishCancelled(bool cancelled, std::uint16_t keyCode, std::uint64_t flags,
                         const QString& label);

    QDialog* window() const { return _window.get(); }
    OVKeyComboCaptureView* captureView() const { return _captureView; }
    QPushButton* cancelButton() const { return _cancelButton; }
    bool finished() const { return !_completion; }

  private:
    OVKeyComboCompletion _completion;
    std::unique_ptr<QDialog> _window;
    OVKeyComboCaptureView* _captureView = nullptr;
    QPushButton* _cancelButton = nullptr;
};
