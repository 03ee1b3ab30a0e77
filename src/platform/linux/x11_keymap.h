#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

#include "platform/linux/xkb_keymap.h"

struct xcb_connection_t;
struct xkb_context;

// The X server's keyboard map as XKB has it, in the active group (layout), on a connection of its
// own. The server tells of a new map or another group; the next look-up then fetches it again.
class OVX11Keymap {
  public:
    // Nothing (and the reason in `why`) without an X server that has XKB.
    static std::unique_ptr<OVX11Keymap> open(const QByteArray& displayName = {},
                                             QString* why = nullptr);
    ~OVX11Keymap();
    OVX11Keymap(const OVX11Keymap&) = delete;
    OVX11Keymap& operator=(const OVX11Keymap&) = delete;

    // The keymap as the server has it now; nothing when it cannot be read.
    const OVKeymap* current();
    // The map was changed here: read it again before the next look-up.
    void invalidate() { _stale = true; }

  private:
    OVX11Keymap(xcb_connection_t* connection, std::int32_t device, std::uint8_t eventBase);
    void takeNotices();

    xcb_connection_t* _connection;
    xkb_context* _context;
    std::int32_t _device;
    std::uint8_t _eventBase;
    std::unique_ptr<OVKeymap> _keymap;
    bool _stale = true;
};
