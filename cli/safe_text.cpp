#include "cli/safe_text.h"

#include <cstdio>

#include "cli/utf8_text.h"
#include "convert/failure.h"

namespace {

// C0 controls, DEL and the C1 controls: what a terminal may act on.
bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// The byte length of the printable character at text[at]; 0 when there is
// none there.
std::size_t PrintableAt(std::string_view text, std::size_t at) {
    char32_t c = 0;
    const std::size_t length = Utf8Character(text, at, &c);
    return length > 0 && !IsControl(c) ? length : 0;
}

// 'run' with each quote outside the quotes: it's -> 'it'\''s'.
void AppendQuoted(std::string& out, std::string_view run) {
    for (std::size_t from = 0; from <= run.size();) {
        std::size_t to = run.find('\'', from);
        if (to == std::string_view::npos)
            to = run.size();
        if (to > from)
            out.append("'").append(run.substr(from, to - from)).append("'");
        if (to == run.size())
            break;
        out += "\\'";
        from = to + 1;
    }
}

void AppendEscaped(std::string& out, std::string_view bytes) {
    out += "$'";
    for (const char c : bytes) {
        switch (c) {
        case '\a':
            out += "\\a";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\v':
            out += "\\v";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\r':
            out += "\\r";
            break;
        default: {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", unsigned(static_cast<unsigned char>(c)));
            out += octal;
        }
        }
    }
    out += "'";
}

// Where the run of printable characters starting at text[at] ends.
std::size_t PrintableRunEnd(std::string_view text, std::size_t at) {
    while (at < text.size()) {
        const std::size_t length = PrintableAt(text, at);
        if (length == 0)
            break;
        at += length;
    }
    return at;
}

} // namespace

std::string SafeText(std::string_view text) {
    if (PrintableRunEnd(text, 0) == text.size())
        return std::string(text); // the usual case: nothing to show differently

    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = PrintableRunEnd(text, at);
        if (end > at) {
            AppendQuoted(out, text.substr(at, end - at));
            at = end;
            continue;
        }
        // A run of what may not be shown: control characters, or bytes that
        // are no character, escaped byte by byte.
        while (end < text.size() && PrintableAt(text, end) == 0) {
            char32_t c = 0;
            const std::size_t length = Utf8Character(text, end, &c);
            end += length > 0 ? length : 1;
        }
        AppendEscaped(out, text.substr(at, end - at));
        at = end;
    }
    return out;
}

std::string SafeMessage(const Failure& failure) {
    return SafeText(failure.file) + ": " + SafeText(failure.cause);
}
