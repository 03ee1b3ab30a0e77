#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "keyboard/key_actions.h"
#include "keyboard/key_descriptor.h"
#include "keyboard/key_hold.h"
#include "keyboard/key_presentation.h"

class OVEventPoster;

// What the keyboard window does for the key actions. The window's controller implements it; a
// keyboard without a window leaves these out.
class OVTouchKeyboardPanel {
  public:
    virtual ~OVTouchKeyboardPanel() = default;

    virtual void hideKeyboard() = 0;
    virtual void cycleKeyboardPosition() = 0;
    virtual void buildKeys() = 0;
    virtual void positionKeyboardAtSavedPosition() = 0;
    // Re-dresses every key button after the state changed.
    virtual void refreshModifierButtons() = 0;
};

// The key held down in hold mode, between the start and the end of one press: what its tap
// posted when the hold began, posted again on every repeat.
struct OVHeldKey {
    bool heldKeyActive = false;
    bool heldUsesText = false;  // posts text, else a key code
    std::uint16_t heldKeyCode = 0;
    std::uint64_t heldKeyFlags = 0;  // the flags of the first post
    QString heldOutputText;          // the text posted on every repeat
    QString heldKeyCodeHint;         // the key's unshifted text, to find a key code by
};

// The touch keyboard without its window: modifier and mode state, what every key does when it is
// pressed, and hold mode. Key events and text go out through the current platform's event poster.
class OVTouchKeyboardModel : public OVKeyHoldTarget {
  public:
    explicit OVTouchKeyboardModel(OVTouchKeyboardPanel* panel = nullptr) : _panel(panel) {}

    void setPanel(OVTouchKeyboardPanel* panel) { _panel = panel; }

    OVTouchKeyboardState& state() { return _state; }
    const OVTouchKeyboardState& state() const { return _state; }
    const OVHeldKey& heldKey() const { return _held; }

    // Layout and presentation under the current state.
    OVKeyboardLayout keyboardRows() const;
    QString displayTitleForDescriptor(const OVKeyDescriptor& key) const;
    QString outputTextForDescriptor(const OVKeyDescriptor& key) const;
    QString shiftedTextForText(const QString& text) const;
    QString iconNameForDescriptor(const OVKeyDescriptor& key) const;

    // A key was pressed and released. `identifier` names the action of a key whose descriptor has
    // none.
    void keyPressed(const OVKeyDescriptor& key, const QString& identifier = QString());

    // The armed one-shot modifiers as event flags; caps lock contributes none.
    std::uint64_t currentModifierFlags() const;
    // Disarms shift, command, option and control; caps lock and hold mode stay.
    void clearOneShotModifiers();

    void postKeyCode(std::uint16_t keyCode, std::uint64_t flags);
    void postSystemKey(int mediaKey);
    void openMissionControl();
    void postTextFromDescriptor(const OVKeyDescriptor& key);
    // Types `text` with the armed modifiers and disarms them. With command, option or control
    // armed and a key code for the hint (or for the text when there is no hint), the key code is
    // posted instead, so that shortcuts such as command-S work. Text carries its own case and
    // symbol: it goes out with the armed control and command only, never with shift or option.
    // Text is cut to 8 UTF-16 code units.
    void postOutputText(const QString& text, const std::optional<QString>& keyCodeHint);

    // Hold mode.
    bool keyButtonShouldUseHold(const OVKeyDescriptor& key) override;
    void keyButtonHoldBegan(const OVKeyDescriptor& key) override;
    void keyButtonHoldRepeat(const OVKeyDescriptor& key) override;
    void keyButtonHoldEnded(const OVKeyDescriptor& key) override;
    // The active settings profile's "holdRepeatInterval", read at each hold start.
    double keyButtonHoldRepeatInterval() override;
    void postHeldInput();
    // Forgets the held key without touching the modifiers.
    void releaseHeldKeyIfNeeded();

    // The state reset of hiding the keyboard: hold mode, the one-shot modifiers and the minimized
    // layout go; caps lock and the choice of the symbol layout stay.
    void resetForHiding();

    // The longest text one key event carries, in UTF-16 code units.
    static constexpr qsizetype maximumTextUnits = 8;

  private:
    void toggle(bool OVTouchKeyboardState::*flag);
    OVKeyChord chordFor(const OVKeyboardAction& action) const;
    bool postText(const QString& text, const std::optional<QString>& keyCodeHint,
                  std::uint64_t flags);
    void hideKeyboard();
    void cycleKeyboardPosition();
    void toggleMinimized();
    void toggleSymbols();
    void toggleHoldMode();
    void forgetHeldKey();
    void refreshModifierButtons();
    OVEventPoster& poster();

    OVTouchKeyboardPanel* _panel = nullptr;
    OVTouchKeyboardState _state;
    OVHeldKey _held;
};
