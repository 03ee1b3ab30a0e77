#include "platform/linux/x11_keymap.h"

#include <xcb/xcb.h>
// xcb's XKB header names a member "explicit", a C++ keyword.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <QtDebug>
#include <cstdlib>

std::unique_ptr<OVX11Keymap> OVX11Keymap::open(const QByteArray& displayName, QString* why) {
    xcb_connection_t* connection =
        xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), nullptr);
    std::uint8_t eventBase = 0;
    if (xcb_connection_has_error(connection) ||
        !xkb_x11_setup_xkb_extension(
            connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &eventBase, nullptr)) {
        if (why) {
            *why = QStringLiteral("no X server with XKB");
        }
        xcb_disconnect(connection);
        return nullptr;
    }
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    // Notices of a new keyboard, a new map and a change of group.
    constexpr std::uint16_t kEvents = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                      XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                      XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr std::uint16_t kGroupParts = XCB_XKB_STATE_PART_GROUP_STATE;
    constexpr std::uint16_t kMapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
        XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS |
        XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = kGroupParts;
    details.stateDetails = kGroupParts;
    xcb_xkb_select_events_aux(connection, xcb_xkb_device_spec_t(device), kEvents, 0, 0, kMapParts,
                              kMapParts, &details);
    xcb_flush(connection);
    return std::unique_ptr<OVX11Keymap>(new OVX11Keymap(connection, device, eventBase));
}

OVX11Keymap::OVX11Keymap(xcb_connection_t* connection, std::int32_t device, std::uint8_t eventBase)
    : _connection(connection),
      _context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES)),
      _device(device),
      _eventBase(eventBase) {}

OVX11Keymap::~OVX11Keymap() {
    _keymap.reset();
    xkb_context_unref(_context);
    xcb_disconnect(_connection);
}

void OVX11Keymap::takeNotices() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(_connection)) {
        if ((event->response_type & 0x7f) == _eventBase) {
            _stale = true;
        }
        std::free(event);
    }
}

const OVKeymap* OVX11Keymap::current() {
    takeNotices();
    if (!_stale || xcb_connection_has_error(_connection) || !_context) {
        return _keymap.get();
    }
    xkb_keymap* keymap =
        xkb_x11_keymap_new_from_device(_context, _connection, _device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_state* state =
        keymap ? xkb_x11_state_new_from_device(keymap, _connection, _device) : nullptr;
    _stale = false;
    if (!state) {
        qWarning("Orvetta: the X server's keyboard map cannot be read");
        xkb_keymap_unref(keymap);
        return _keymap.get();
    }
    _keymap = std::make_unique<OVKeymap>(
        keymap, xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
    return _keymap.get();
}
