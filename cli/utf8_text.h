// Walking UTF-8 text one character at a time, for the quoting of names and
// the layout of the progress line.
#pragma once

#include <cstddef>
#include <string_view>

// The byte length of the character starting at text[at], with its code point
// in *codePoint; 0 when the bytes there are not valid UTF-8 (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate, or
// beyond U+10FFFF).
inline std::size_t Utf8Character(std::string_view text, std::size_t at, char32_t* codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (byte(i) & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}
