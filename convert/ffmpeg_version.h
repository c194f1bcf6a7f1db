// The FFmpeg the conversion runs on: linked into the program or loaded from
// the system's shared libraries, whichever this build chose.
#pragma once

#include <string>

// FFmpeg's own version text ("5.1.9", or with a distribution's suffix), read
// from the library at run time, so it names what is really there.
std::string FfmpegVersion();
