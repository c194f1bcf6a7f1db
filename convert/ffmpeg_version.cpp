#include "convert/ffmpeg_version.h"

extern "C" {
#include <libavutil/avutil.h>
}

std::string FfmpegVersion() {
    return av_version_info();
}
