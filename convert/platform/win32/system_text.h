// UTF-8, the text of the rest of the program, to and from UTF-16, the text
// of the Win32 API; and the system's own text for its error codes.
#pragma once

#include <string>

// Invalid sequences become U+FFFD, as the system does for file names.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

// FormatMessage's text for a Win32 error code, without the line break.
std::string ErrorText(unsigned long error);

// What the system says of a folder used as a file: "An operation is not
// supported on a directory." where it has that text; otherwise what opening
// one as a file reports.
std::string IsADirectoryText();
