#pragma once

#include <QString>
#include <memory>

#include "platform/display_services.h"
#include "platform/event_poster.h"
#include "platform/linux/input_translation.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_keymap.h"
#include "platform/linux/x11_text_typer.h"

// Synthetic input through the X server's XTEST extension, for X11 sessions where /dev/uinput
// cannot be written. The core protocol has whole wheel detents only.
class OVXTestEventPoster : public OVEventPoster {
  public:
    // Nothing (and the reason in `why`) when there is no X display or it lacks XTEST.
    static std::unique_ptr<OVXTestEventPoster> create(OVDisplayServices& displays,
                                                      const QByteArray& displayName = {},
                                                      QString* why = nullptr);
    ~OVXTestEventPoster() override;

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

    // Waits until the X server has handled everything posted so far.
    void synchronize();

  private:
    OVXTestEventPoster(OVDisplayServices& displays, OVX11Display display,
                       std::unique_ptr<OVX11Keymap> keymap);
    QPoint devicePoint(QPointF at) const;
    void perform(const OVInputSteps& steps);

    OVDisplayServices& _displays;
    OVX11Display _display;
    std::unique_ptr<OVX11Keymap> _keymap;
    OVInputTranslator _translator;
    OVX11TextTyper _typer;
};
