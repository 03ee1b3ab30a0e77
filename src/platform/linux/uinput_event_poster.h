#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <memory>

#include "platform/display_services.h"
#include "platform/event_poster.h"
#include "platform/linux/input_translation.h"
#include "platform/linux/pointer_space.h"
#include "platform/linux/uinput_events.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_keymap.h"
#include "platform/linux/x11_text_typer.h"

struct libevdev_uinput;

// Synthetic input through two uinput devices made with libevdev: an absolute pointer over the
// whole desktop and a keyboard. Works on X11 and Wayland alike; needs /dev/uinput writable.
// Both devices are made once: the desktop opens a new device some time after it appears, and
// what is written to it before then is lost.
class OVUInputEventPoster : public OVEventPoster {
  public:
    static constexpr const char* kDefaultNode = "/dev/uinput";

    // Nothing (and the reason in `why`) when the devices cannot be made.
    static std::unique_ptr<OVUInputEventPoster> create(
        OVDisplayServices& displays, const QByteArray& node = kDefaultNode, QString* why = nullptr,
        OVPointerSpace space = OVSessionPointerSpace());
    ~OVUInputEventPoster() override;

    void postMouseEvent(int type, int button, QPointF at, std::uint64_t flags,
                        std::int64_t clickCount) override;
    void postScrollWheel(std::int32_t deltaY, std::int32_t deltaX, std::uint64_t flags) override;
    void postMagnify(double amount, std::int64_t phase, QPointF at) override;
    void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override;
    void postText(const QString& text, std::uint64_t flags) override;
    void postSystemKey(int key, bool down) override;
    void warpCursor(QPointF to) override;
    void openSystemApplication(const QString& name) override;
    double doubleClickInterval() const override;

  private:
    struct Device {
        libevdev_uinput* uinput = nullptr;
        int fd = -1;
    };

    OVUInputEventPoster(OVDisplayServices& displays, OVPointerSpace space);
    static bool makeDevice(const QByteArray& node, bool pointer, Device& device, QString* why);
    static void destroyDevice(Device& device);
    QPoint pointerPosition(QPointF at) const;
    void perform(const OVInputSteps& steps);
    void setUpKeymap();

    OVDisplayServices& _displays;
    OVPointerSpace _space;
    Device _pointer;
    Device _keyboard;
    OVRepeatedPositionNudge _nudge;
    OVInputTranslator _translator;
    std::unique_ptr<OVX11Keymap> _x11Keymap;  // in X11 sessions
    OVX11Display _x11;                        // for text the key map lacks, in X11 sessions
    std::unique_ptr<OVX11TextTyper> _typer;
    std::unique_ptr<OVKeymap> _sessionKeymap;  // without X11
    bool _warnedAboutText = false;
};
