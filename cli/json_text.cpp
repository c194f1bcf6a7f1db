#include "cli/json_text.h"

#include <cstdio>

#include "cli/utf8_text.h"

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8Character(text, at, &c);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
            out += escape;
        } else {
            out.append(text.substr(at, length));
        }
        at += length;
    }
    return out + "\"";
}
