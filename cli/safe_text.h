// Text from outside the program (file names, system messages, whatever the
// library passes on) made safe to print: a name could otherwise move the
// cursor, retitle the terminal, ring its bell or forge a line of its own.
#pragma once

#include <string>
#include <string_view>

struct Failure;

// `text` itself when it is valid UTF-8 without control characters; otherwise
// quoted as coreutils quotes file names for a shell: the printable runs in
// single quotes, the rest in $'...' escapes, e.g. 'a'$'\n''b' or $'\033'.
// The result holds neither control characters nor invalid UTF-8, and stays
// as it is when passed through again.
std::string SafeText(std::string_view text);

// "FILE: cause" with both parts made safe.
std::string SafeMessage(const Failure& failure);
