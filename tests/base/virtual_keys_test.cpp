#include <gtest/gtest.h>

#include <map>

#include "base/virtual_keys.h"

// Every character of a US keyboard's keys has its own key, which types it back.
TEST(VirtualKeys, EachCharacterHasItsOwnKeyWhichTypesItBack) {
    const std::u32string characters = U"abcdefghijklmnopqrstuvwxyz0123456789-=[]\\;',./` ";
    std::map<std::uint16_t, char32_t> owners;
    for (const char32_t character : characters) {
        const std::optional<std::uint16_t> code = OVVirtualKeyForCharacter(character);
        ASSERT_TRUE(code) << static_cast<char>(character);
        EXPECT_TRUE(owners.emplace(*code, character).second) << static_cast<char>(character);
        EXPECT_EQ(OVCharacterForVirtualKey(*code), character);
    }
    EXPECT_EQ(OVVirtualKeyForCharacter(U'a'), 0);
    EXPECT_EQ(OVVirtualKeyForCharacter(U' '), 49);
    EXPECT_FALSE(OVVirtualKeyForCharacter(U'A'));
    EXPECT_FALSE(OVVirtualKeyForCharacter(U'é'));
}
