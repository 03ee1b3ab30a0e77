#pragma once

#include <QString>
#include <cstdint>

#include "hid/digitizer_layout.h"
#include "hid/touch_contact.h"

// The touch bridge: from the touch device's input reports to synthetic input on the desktop.
// Its implementation is spread by concern: report decoding (hid/touch_bridge_decoding.cpp),
// the device session, display mapping, gestures, scrolling and event output.
class OVTouchBridge {
  public:
    OVTouchBridge();
    ~OVTouchBridge();
    OVTouchBridge(const OVTouchBridge&) = delete;
    OVTouchBridge& operator=(const OVTouchBridge&) = delete;

    // --- Report decoding ---------------------------------------------------------------------
    OVTouchContactList contactsFromReport(const std::uint8_t* report, qsizetype length);
    // The input whose settings govern a contact of `kind`: "pen", "eraser" or "finger1".
    QString inputForContactKind(std::int64_t kind) const;
    QString debugTextForReport(const std::uint8_t* report, qsizetype length,
                               const OVTouchContactList& contacts) const;

    const OVHIDDigitizerLayout& hidLayout() const { return _hidLayout; }
    void setHIDLayout(const OVHIDDigitizerLayout& layout) { _hidLayout = layout; }
    const QString& hidDecoderStatus() const { return _hidDecoderStatus; }
    void setHIDDecoderStatus(const QString& status) { _hidDecoderStatus = status; }
    std::int32_t hybridOffset() const { return _hybridOffset; }
    bool hybridModeObserved() const { return _hybridModeObserved; }
    void resetHybridState() {
        _hybridOffset = 0;
        _hybridModeObserved = false;
    }

  private:
    // Report decoding state.
    OVHIDDigitizerLayout _hidLayout{};
    QString _hidDecoderStatus;
    std::int32_t _hybridOffset = 0;
    bool _hybridModeObserved = false;
};
