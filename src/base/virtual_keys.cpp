#include "base/virtual_keys.h"

namespace {

struct CharacterKey {
    char character;
    std::uint16_t keyCode;
};

constexpr CharacterKey kCharacterKeys[] = {
    {'a', 0},   {'s', 1},  {'d', 2},  {'f', 3},  {'h', 4},  {'g', 5},   {'z', 6},  {'x', 7},
    {'c', 8},   {'v', 9},  {'b', 11}, {'q', 12}, {'w', 13}, {'e', 14},  {'r', 15}, {'y', 16},
    {'t', 17},  {'1', 18}, {'2', 19}, {'3', 20}, {'4', 21}, {'6', 22},  {'5', 23}, {'=', 24},
    {'9', 25},  {'7', 26}, {'-', 27}, {'8', 28}, {'0', 29}, {']', 30},  {'o', 31}, {'u', 32},
    {'[', 33},  {'i', 34}, {'p', 35}, {'l', 37}, {'j', 38}, {'\'', 39}, {'k', 40}, {';', 41},
    {'\\', 42}, {',', 43}, {'/', 44}, {'n', 45}, {'m', 46}, {'.', 47},  {' ', 49}, {'`', 50},
};

}  // namespace

std::optional<std::uint16_t> OVVirtualKeyForCharacter(char32_t character) {
    for (const CharacterKey& key : kCharacterKeys) {
        if (char32_t(key.character) == character) {
            return key.keyCode;
        }
    }
    return std::nullopt;
}

std::optional<char32_t> OVCharacterForVirtualKey(std::uint16_t keyCode) {
    for (const CharacterKey& key : kCharacterKeys) {
        if (key.keyCode == keyCode) {
            return char32_t(key.character);
        }
    }
    return std::nullopt;
}
