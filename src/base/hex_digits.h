#pragma once

#include <QByteArray>
#include <cstdint>

// The lower-case hexadecimal digits, indexed by their value.
inline constexpr char OVHexDigits[] = "0123456789abcdef";

// The value of one hexadecimal digit of either case, or -1 for any other character.
constexpr int OVHexDigitValue(char32_t c) {
    if (c >= '0' && c <= '9') {
        return static_cast<int>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<int>(c - 'a') + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<int>(c - 'A') + 10;
    }
    return -1;
}

// Appends each byte as a space and two lower-case hexadecimal digits (" 0a ff").
inline void OVAppendSpacedHexBytes(QByteArray& text, const std::uint8_t* bytes, qsizetype length) {
    for (qsizetype i = 0; i < length; ++i) {
        const char byteText[3] = {' ', OVHexDigits[bytes[i] >> 4], OVHexDigits[bytes[i] & 0x0F]};
        text.append(byteText, 3);
    }
}
