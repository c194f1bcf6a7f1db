// Text from outside the program (file names, system messages) as a JSON
// string, so that any name gives a valid document.
#pragma once

#include <string>
#include <string_view>

// `text` in double quotes, escaped as JSON asks: quote and backslash, and
// every control character (C0, DEL and C1, which a terminal could act on) as
// \u00XX. A byte that is not part of valid UTF-8 becomes \ufffd, the
// replacement character; valid UTF-8 is kept as it is.
std::string JsonString(std::string_view text);
