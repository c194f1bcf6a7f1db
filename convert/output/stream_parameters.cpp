#include "convert/output/stream_parameters.h"

extern "C" {
#include <libavformat/avformat.h>
}

void SetVideoParameters(AVStream* stream, int frameRate) {
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    par->width = kVideoWidth;
    par->height = kVideoHeight;
    stream->time_base = AVRational{1, frameRate};
}
