#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariantList>
#include <cstdint>
#include <memory>

#include "base/error.h"
#include "base/scheduler.h"
#include "hid/digitizer_layout.h"
#include "hid/touch_contact.h"
#include "hid/touch_frame_assembly.h"
#include "hid/touch_status.h"
#include "platform/hid_manager.h"

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
    // Also forgets a frame waiting for its next report.
    void resetHybridState() {
        _hybridOffset = 0;
        _hybridModeObserved = false;
        _frame.reset();
    }

    // --- Touch session --------------------------------------------------------------------------
    // Starts the session: the two permissions, the device of the user's choice and its touch
    // layout, then its reports. True when the session runs afterwards (also when it already
    // ran); otherwise the status text says why and `error` holds the message to show, with one
    // of the codes below or, when the device could not be opened, the platform's code.
    bool start(OVError* error = nullptr);
    static constexpr qint64 MissingPermissionError = 10;
    static constexpr qint64 DeviceNotFoundError = 3;
    static constexpr qint64 NoTouchDescriptorError = 4;
    // Ends the session and everything the touch was doing; safe when it does not run.
    void stop();
    // The device that stopped delivering (unplugged, a read error): the session ends at once with
    // "Device not found" and posts OVTouchDeviceLostNotification, on which the shell starts it
    // again when the device returns.
    void touchDeviceStopped(int errorNumber);

    // One input report of the device, in this order: decode, the debug notification, then the
    // frame assembly. Once a frame is complete (at once for a report that completes on its
    // own), the compatibility notification and (unless in compatibility test mode) the gesture
    // engine get it. An incomplete frame waits at most OVTouchFrameWaitSeconds for its next
    // report, then goes on as it is. Returns the decoded contacts of the report.
    OVTouchContactList handleInputReport(const std::uint8_t* report, qsizetype length);
    // One dictionary of 12 keys per contact, in list order.
    QVariantList contactDictionariesFromList(const OVTouchContactList& contacts) const;

    bool running() const { return _manager != nullptr; }
    // While the session runs, the status says whether the desktop also receives the touches.
    OVTouchStatus status() const;
    QString statusText() const { return OVTouchStatusText(status()); }
    bool compatibilityTestMode() const { return _compatibilityTestMode; }
    // A change ends whatever the touch was doing; leaving test mode ignores the contacts still
    // down until every contact has lifted.
    void setCompatibilityTestMode(bool enabled);
    // After a display change: ends the gesture, re-reads the target display and ignores touches
    // until every contact has lifted.
    void refreshDisplayMapping();

    // --- Display mapping
    // --------------------------------------------------------------------------
    QRectF targetDisplayBounds() const;
    // Caches the target display's bounds for mapping (done when touch input starts).
    void loadTargetDisplayBounds() { _bounds = targetDisplayBounds(); }
    QRectF bounds() const { return _bounds; }
    QPointF mapRawX(std::uint32_t x, std::uint32_t y, std::int32_t xMinimum, std::int32_t xMaximum,
                    std::int32_t yMinimum, std::int32_t yMaximum) const;
    // The mapping with the fixed logical limits 0-4800 and 0-3000.
    QPointF mapRawX(std::uint32_t x, std::uint32_t y) const;
    QPointF mapContact(const OVTouchContact& contact) const;

    // --- Gestures -----------------------------------------------------------------------------
    // The gesture engine's entry point, once per report.
    void handleContacts(OVTouchContactList contacts);
    void handleMappedInput(const QString& input, QPointF at, bool moved, QPointF delta);
    void scheduleMouseDownAt(QPointF at, std::uint64_t flags);
    void firePendingMouseDown();
    void cancelPendingMouseDown();
    std::int64_t beginLeftClickCountAtPoint(QPointF at);
    void finishLeftClickAtPoint(QPointF at, bool dragged);
    void releaseMouseIfNeededAt(QPointF at);
    void releaseRightMouseIfNeededAt(QPointF at);
    void releaseMiddleMouseIfNeededAt(QPointF at);
    void releaseActiveButtonsAt(QPointF at);
    void beginGroupGestureWithContactCount(std::int64_t count, QPointF center);
    void resetGroupGestureState();
    void triggerKeyboardActionForInputIfNeeded(const QString& input);
    double keyboardActionMouseDelayRemaining() const;

    // --- Scrolling, pinch and inertia --------------------------------------------------------
    void handleScrollInput(const QString& input, QPointF at, std::uint64_t flags);
    void beginScrollInput(const QString& input, QPointF at, std::uint64_t flags);
    void handleScrollAndPinchAtCenter(QPointF center, double distance, std::uint64_t flags);
    void postScrollDeltaX(double deltaX, double deltaY, std::uint64_t flags);
    void scheduleScrollRelease();
    void finishScrollRelease();
    void cancelScrollRelease();
    void startInertiaIfNeeded();
    void inertiaTick();
    void cancelInertiaTimer();
    void stopInertia();
    void resetPinchState();

    // --- Event output and per-input settings -------------------------------------------------
    // Read from the active settings profile on every call.
    std::int64_t mouseActionForInput(const QString& input) const;
    std::int64_t keyboardActionForInput(const QString& input) const;
    bool inertiaEnabledForInput(const QString& input) const;
    std::uint64_t modifierFlagsForInput(const QString& input) const;
    double scrollScale() const;
    bool naturalScroll() const;
    double inertiaDecay() const;
    double inertiaBoost() const;
    double touchDelay() const;
    double scrollReleaseDelay() const;
    bool longPressRightClick() const;

    void postMouse(int type, QPointF at, std::uint64_t flags = 0, std::int64_t clickCount = 1);
    void postRightMouse(int type, QPointF at, std::uint64_t flags = 0);
    void postMiddleMouse(int type, QPointF at, std::uint64_t flags = 0);
    void postKeyCode(std::uint16_t keyCode, bool down, std::uint64_t flags);
    // Key down, then key up.
    void postKeyCode(std::uint16_t keyCode, std::uint64_t flags);
    void postMagnify(double amount, std::int64_t phase, QPointF at);
    void openMissionControl();
    void openScreenshot();
    void postKeyComboForInput(const QString& input);

    // --- Gesture state, for the shell, tests and tools -----------------------------------------
    bool mouseDown() const { return _mouseDown; }
    bool rightMouseDown() const { return _rightMouseDown; }
    bool middleMouseDown() const { return _middleMouseDown; }
    bool pendingMouseDown() const { return _pendingMouseDown; }
    bool scrollActive() const { return _scrollActive; }
    bool scrollReleasePending() const { return _scrollReleasePending; }
    bool inertiaRunning() const { return _inertiaTimer.isValid(); }
    bool pinchLocked() const { return _pinchLocked; }
    bool pinchGestureActive() const { return _pinchGestureActive; }
    bool ignoreSingleTouchUntilAllUp() const { return _ignoreSingleTouchUntilAllUp; }
    bool suppressInputUntilAllContactsUp() const { return _suppressInputUntilAllContactsUp; }
    QPointF lastPoint() const { return _lastPoint; }
    QPointF scrollVelocity() const { return {_scrollVelocityX, _scrollVelocityY}; }
    QPointF scrollRemainder() const { return {_scrollRemainderX, _scrollRemainderY}; }
    const QString& keyboardActionInput() const { return _keyboardActionInput; }

  private:
    // The clock of click counting, keyboard-action timing and scroll velocity: monotonic
    // seconds, never 0 (0 means "never" in the times below).
    double currentTime() const;
    // Whether |to - from| reaches a whole point on either axis, and the delta from the last
    // point (zero when there is none).
    bool movedFromLastPoint(QPointF to) const;
    QPointF deltaFromLastPoint(QPointF to) const;
    void handleGroupOfContacts(const OVTouchContactList& contacts);
    // Frame assembly (touch_bridge_reports.cpp). `reportText`: the debug text of the report
    // taken, or nothing when no window listens.
    void takeIntoFrame(const OVTouchContactList& contacts, const QString& reportText);
    // The compatibility notification and the gestures for one frame; `lastReportText` is the
    // text of a report the frame ends with that is not in the frame's text yet.
    void deliverFrame(const OVTouchContactList& frame, const QString& lastReportText);
    void waitForFrame();
    void frameWaitEnded();
    // Fires the one-shot keyboard action `action` of `input` unless it fired during this touch.
    void triggerKeyboardAction(const QString& input, std::int64_t action);
    void handleAllContactsUp();
    // A report with fewer contacts than the group had: it acts on nothing until all lift.
    void handleLingeringContacts();
    // Where the engine acted last: both the pointer position and the start of the next move.
    void setLastPoint(QPointF at);
    void pressLeftMouseAt(QPointF at, std::uint64_t flags);
    void dragLeftMouseTo(QPointF at);
    // Press and hold for right click (`longPressRightClick`): finger1's left press waits while
    // the finger stays near where it touched; moving away presses there and drags, lifting
    // clicks, and holding still long enough right-clicks instead.
    bool waitsForLongPress(const QString& input) const;
    void holdLeftPressAt(QPointF at, std::uint64_t flags);
    void fireLongPress();
    // Ends whatever the touch was doing (display refresh, test mode, stop): releases the
    // buttons, ends a magnify, stops scrolling and coasting, and clears every latch.
    void endGesture();
    // Session helpers (touch_session.cpp).
    bool failStart(OVError* error, qint64 code, const QString& message, OVTouchStatus status);
    bool chooseDevice(const QList<std::shared_ptr<OVHIDDevice>>& devices, const QString& selection);
    void sessionReport(const std::uint8_t* report, qsizetype length);
    // Takes the device's input from the desktop; while some of it is not held, tries again on the
    // scheduler, 1 s later and twice as long each time up to 30 s.
    void holdDeviceInput();
    // Logs a change of what is held, keeps it for the device report and tells the menu.
    void noteExclusiveUse(const OVExclusiveUse& held);
    // Ends the gesture (endGesture) and lets go of the manager and the device.
    void endSession();

    // Report decoding state.
    OVHIDDigitizerLayout _hidLayout{};
    QString _hidDecoderStatus;
    std::int32_t _hybridOffset = 0;
    bool _hybridModeObserved = false;
    OVTouchFrameState _frame;

    // Touch session state.
    std::unique_ptr<OVHIDManager> _manager;
    std::shared_ptr<OVHIDDevice> _device;  // the chosen device while the session runs
    OVTouchStatus _status = OVTouchStatus::Stopped;
    struct ExclusiveUseState {
        OVExclusiveUse held;
        bool tried = false;  // held is the answer of a try of this session
        OVTimer retryTimer;
        double retryDelay = 0.0;
        bool lastReportHadContacts = false;
    } _exclusiveUse;
    bool _compatibilityTestMode = false;
    bool _suppressInputUntilAllContactsUp = false;

    // Display mapping: the target display's bounds, cached.
    QRectF _bounds;

    // Gesture state.
    bool _mouseDown = false;
    bool _rightMouseDown = false;
    bool _middleMouseDown = false;
    bool _pendingMouseDown = false;
    // The pending press was scheduled by a two- or three-finger input, so the lingering-touch
    // latch that those inputs set must not drop it.
    bool _pendingMouseFromGroup = false;
    bool _leftMouseDragged = false;
    bool _ignoreSingleTouchUntilAllUp = false;
    QPointF _lastPoint;
    QPointF _pendingMousePoint;
    QPointF _lastLeftClickPoint;
    std::uint64_t _leftMouseFlags = 0;
    std::uint64_t _rightMouseFlags = 0;
    std::uint64_t _middleMouseFlags = 0;
    std::uint64_t _pendingMouseFlags = 0;
    double _lastLeftClickTime = 0.0;
    double _lastKeyboardActionTime = 0.0;
    OVTimer _pendingMouseTimer;
    std::int64_t _activeGroupContactCount = 0;
    std::int64_t _lastLeftClickCount = 0;
    std::int64_t _activeLeftClickCount = 0;
    QString _keyboardActionInput;

    // Scrolling, pinch and inertia state.
    bool _scrollActive = false;
    bool _scrollInertiaEnabled = false;
    bool _scrollReleasePending = false;
    QString _scrollInput;
    std::uint64_t _scrollFlags = 0;
    QPointF _lastScrollCenter;
    double _lastScrollTime = 0.0;
    double _scrollRemainderX = 0.0;
    double _scrollRemainderY = 0.0;
    double _scrollVelocityX = 0.0;
    double _scrollVelocityY = 0.0;
    OVTimer _inertiaTimer;
    OVTimer _scrollReleaseTimer;
    bool _pinchCandidateActive = false;
    bool _pinchLocked = false;
    bool _pinchGestureActive = false;
    double _pinchStartDistance = 0.0;
    double _lastPinchDistance = 0.0;

    // What the current touch has done, beyond the state above.
    struct TouchProgress {
        // Movement is measured from the point where the gesture last acted until it crosses the
        // threshold, so that a slow drag or scroll still moves.
        QPointF movementAnchor{-1.0, -1.0};
        // The most contacts the current group had at once.
        std::int64_t groupPeakContactCount = 0;
        // A left press waits for press and hold, which began at `longPressStart`.
        bool longPressWaiting = false;
        QPointF longPressStart;
        // Press and hold right-clicked: the rest of the touch posts nothing.
        bool longPressDone = false;
    };
    TouchProgress _touch;
};
