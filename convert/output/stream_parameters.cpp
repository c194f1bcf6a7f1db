#include "convert/output/stream_parameters.h"

#include "convert/picture_format.h"

extern "C" {
#include <libavformat/avformat.h>
}

void SetVideoParameters(AVStream* stream, int frameRate, const PictureFormat& picture) {
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    SetPictureParameters(stream, picture);
    stream->time_base = AVRational{1, frameRate};
}

void SetPictureParameters(AVStream* stream, const PictureFormat& picture) {
    AVCodecParameters* par = stream->codecpar;
    par->width = picture.width;
    par->height = picture.height;
    // The AVI's video properties header and the MP4's pasp box come from
    // the stream's ratio, the MP4's track width from the parameters'.
    const AVRational sar =
        picture.sarNum > 0 ? AVRational{picture.sarNum, picture.sarDen} : AVRational{0, 1};
    par->sample_aspect_ratio = sar;
    stream->sample_aspect_ratio = sar;
}
