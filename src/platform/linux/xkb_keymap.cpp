#include "platform/linux/xkb_keymap.h"

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <QByteArray>

#include "base/virtual_keys.h"
#include "platform/linux/key_codes.h"

namespace {

// X key codes are evdev codes plus 8.
constexpr xkb_keycode_t kEvdevOffset = 8;
constexpr int kShiftCost = 1;
constexpr int kLevelKeyCost = 2;
constexpr int kKeypadCost = 4;

bool isKeypadKeysym(xkb_keysym_t keysym) {
    return keysym >= XKB_KEY_KP_Space && keysym <= XKB_KEY_KP_Equal;
}

xkb_layout_index_t layoutOfKey(xkb_keymap* keymap, xkb_keycode_t key, unsigned layout) {
    const xkb_layout_index_t count = xkb_keymap_num_layouts_for_key(keymap, key);
    return count == 0 ? 0 : layout % count;  // a key with fewer layouts wraps, as XKB does
}

xkb_keysym_t baseKeysym(xkb_keymap* keymap, xkb_keycode_t key, unsigned layout) {
    const xkb_keysym_t* syms = nullptr;
    const int count =
        xkb_keymap_key_get_syms_by_level(keymap, key, layoutOfKey(keymap, key, layout), 0, &syms);
    return count == 1 ? syms[0] : XKB_KEY_NoSymbol;
}

// The key that selects the third level, and the modifiers pressing it sets.
struct LevelKey {
    int code = 0;
    xkb_mod_mask_t mask = 0;
};

LevelKey findLevelKey(xkb_keymap* keymap, unsigned layout) {
    LevelKey found;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= last; ++key) {
        const int code = int(key - kEvdevOffset);
        if (key > kEvdevOffset && baseKeysym(keymap, key, layout) == XKB_KEY_ISO_Level3_Shift &&
            (found.code == 0 || code == KEY_RIGHTALT)) {
            found.code = code;  // the right Alt key when it is one, as on most layouts
        }
    }
    if (found.code != 0) {
        xkb_state* state = xkb_state_new(keymap);
        xkb_state_update_mask(state, 0, 0, 0, 0, 0, layout);
        xkb_state_update_key(state, xkb_keycode_t(found.code) + kEvdevOffset, XKB_KEY_DOWN);
        found.mask = xkb_state_serialize_mods(state, XKB_STATE_MODS_EFFECTIVE);
        xkb_state_unref(state);
    }
    return found;
}

}  // namespace

std::unique_ptr<OVKeymap> OVKeymap::compile(const OVKeymapNames& names, QString* why) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!context) {
        if (why) {
            *why = QStringLiteral("no XKB context");
        }
        return nullptr;
    }
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    const QByteArray model = names.model.toUtf8();
    const QByteArray layout = names.layout.toUtf8();
    const QByteArray variant = names.variant.toUtf8();
    const QByteArray options = names.options.toUtf8();
    const xkb_rule_names rules{"evdev", model.isEmpty() ? nullptr : model.constData(),
                               layout.isEmpty() ? nullptr : layout.constData(),
                               variant.isEmpty() ? nullptr : variant.constData(),
                               options.isEmpty() ? nullptr : options.constData()};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &rules, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    if (!keymap) {
        if (why) {
            *why =
                QStringLiteral("no keymap for the layout \"%1\" (variant \"%2\", options \"%3\")")
                    .arg(names.layout, names.variant, names.options);
        }
        return nullptr;
    }
    auto result = std::make_unique<OVKeymap>(keymap, 0);
    xkb_keymap_unref(keymap);
    return result;
}

OVKeymap::OVKeymap(xkb_keymap* keymap, unsigned layout)
    : _keymap(xkb_keymap_ref(keymap)), _layout(layout) {
    buildIndex();
}

OVKeymap::~OVKeymap() {
    xkb_keymap_unref(_keymap);
}

void OVKeymap::buildIndex() {
    const xkb_mod_index_t shiftIndex = xkb_keymap_mod_get_index(_keymap, XKB_MOD_NAME_SHIFT);
    const xkb_mod_mask_t shiftMask = shiftIndex == XKB_MOD_INVALID ? 0 : 1u << shiftIndex;
    const LevelKey levelKey = findLevelKey(_keymap, _layout);
    const xkb_mod_mask_t reachable = shiftMask | levelKey.mask;

    const xkb_keycode_t last = xkb_keymap_max_keycode(_keymap);
    for (xkb_keycode_t key = xkb_keymap_min_keycode(_keymap); key <= last; ++key) {
        if (key <= kEvdevOffset || xkb_keymap_num_layouts_for_key(_keymap, key) == 0) {
            continue;
        }
        const int code = int(key - kEvdevOffset);
        const xkb_layout_index_t layout = layoutOfKey(_keymap, key, _layout);
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(_keymap, key, layout);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(_keymap, key, layout, level, &syms) != 1) {
                continue;
            }
            const char32_t character = xkb_keysym_to_utf32(syms[0]);
            if (character == 0) {
                continue;
            }
            if (level == 0) {
                _baseCharacters.emplace(code, character);
            }
            xkb_mod_mask_t masks[8];
            std::size_t count = xkb_keymap_key_get_mods_for_level(_keymap, key, layout, level,
                                                                  masks, std::size(masks));
            if (count == 0 && level == 0) {
                masks[0] = 0;
                count = 1;
            }
            for (std::size_t i = 0; i < count; ++i) {
                const xkb_mod_mask_t mask = masks[i];
                if ((mask & ~reachable) != 0) {
                    continue;  // needs a lock or a modifier that is not for characters
                }
                const bool shift = (mask & shiftMask) != 0;
                const bool third = levelKey.mask != 0 && (mask & levelKey.mask) == levelKey.mask;
                const Entry entry{{code, shift, third ? levelKey.code : 0},
                                  (shift ? kShiftCost : 0) + (third ? kLevelKeyCost : 0) +
                                      (isKeypadKeysym(syms[0]) ? kKeypadCost : 0)};
                const auto found = _strokes.find(character);
                if (found == _strokes.end() || entry.cost < found->second.cost) {
                    _strokes[character] = entry;
                }
            }
        }
    }
}

std::optional<OVKeyStroke> OVKeymap::strokeForCharacter(char32_t character) const {
    if (character == U'\n') {
        character = U'\r';  // Return types a carriage return
    }
    const auto found = _strokes.find(character);
    if (found == _strokes.end()) {
        return std::nullopt;
    }
    return found->second.stroke;
}

std::optional<int> OVKeymap::shortcutKeyForCharacter(char32_t character) const {
    const auto found = _strokes.find(character);
    if (found == _strokes.end() || found->second.cost >= kLevelKeyCost) {
        return std::nullopt;
    }
    return found->second.stroke.code;
}

char32_t OVKeymap::characterOfKey(int code) const {
    const auto found = _baseCharacters.find(code);
    return found == _baseCharacters.end() ? 0 : found->second;
}

std::vector<int> OVKeymap::spareKeycodes() const {
    std::vector<int> spare;
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(_keymap), 255);
    for (xkb_keycode_t key = xkb_keymap_min_keycode(_keymap); key <= last; ++key) {
        if (key > kEvdevOffset && xkb_keymap_num_layouts_for_key(_keymap, key) == 0) {
            spare.push_back(int(key));
        }
    }
    return spare;
}

bool OVStrokesForText(const OVKeymap& keymap, const QString& text,
                      std::vector<OVKeyStroke>& strokes) {
    bool complete = true;
    for (char32_t character : text.toStdU32String()) {
        if (const std::optional<OVKeyStroke> stroke = keymap.strokeForCharacter(character)) {
            strokes.push_back(*stroke);
        } else {
            complete = false;
        }
    }
    return complete;
}

std::optional<std::uint16_t> OVVirtualKeyForScanCode(std::uint32_t scanCode,
                                                     const OVKeymap* keymap) {
    if (scanCode <= kEvdevOffset || scanCode > 255) {
        return std::nullopt;
    }
    const int code = int(scanCode - kEvdevOffset);
    if (keymap) {
        if (const auto virtualKey = OVVirtualKeyForCharacter(keymap->characterOfKey(code))) {
            return virtualKey;
        }
    }
    return OVVirtualKeyForEvdevCode(code);
}
