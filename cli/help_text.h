// What --help and --version print, in the layout GNU programs use, which is
// also what help2man turns into the man page.
#pragma once

#include <string>

// The usage line, the options in two columns and the closing paragraphs
// (destinations, exit status, where to report bugs), no line over 79 columns.
std::string HelpText();

// The program and its version on the first line (help2man and scripts read
// it), the FFmpeg it runs on, then the copyright and the licence.
std::string VersionText();
