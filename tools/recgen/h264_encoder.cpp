#include "tools/recgen/h264_encoder.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

namespace recgen {

std::string AvErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool H264Encoder::Open(const EncoderSettings& settings, std::string* error) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) {
        *error = "libavcodec has no libx264 encoder";
        return false;
    }
    m_context.reset(avcodec_alloc_context3(codec));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_context || !m_frame || !m_packet) {
        *error = "out of memory";
        return false;
    }
    AVCodecContext* c = m_context.get();
    c->width = settings.width;
    c->height = settings.height;
    if (settings.sarNum > 0 && settings.sarDen > 0) {
        c->sample_aspect_ratio = AVRational{settings.sarNum, settings.sarDen};
    }
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, settings.rate};
    c->framerate = AVRational{settings.rate, 1};
    c->gop_size = settings.keyInterval;
    c->keyint_min = settings.keyInterval;
    c->max_b_frames = 0;
    // One thread: no frame-threading delay, and output that never depends on timing.
    c->thread_count = 1;
    int rc = av_opt_set(c->priv_data, "preset", "ultrafast", 0);
    if (rc >= 0) {
        // Without scene-cut detection key frames fall exactly every keyInterval frames.
        rc = av_opt_set(c->priv_data, "x264-params", "scenecut=0", 0);
    }
    if (rc < 0) {
        *error = "libx264 options: " + AvErrorText(rc);
        return false;
    }
    rc = avcodec_open2(c, codec, nullptr);
    if (rc < 0) {
        *error = "cannot open libx264: " + AvErrorText(rc);
        return false;
    }
    m_frame->format = AV_PIX_FMT_YUV420P;
    m_frame->width = settings.width;
    m_frame->height = settings.height;
    rc = av_frame_get_buffer(m_frame.get(), 0);
    if (rc < 0) {
        *error = "cannot allocate a picture: " + AvErrorText(rc);
        return false;
    }
    return true;
}

AVFrame* H264Encoder::NextPicture(std::string* error) {
    // The encoder may still hold a reference to the previous picture.
    const int rc = av_frame_make_writable(m_frame.get());
    if (rc < 0) {
        *error = "cannot allocate a picture: " + AvErrorText(rc);
        return nullptr;
    }
    return m_frame.get();
}

bool H264Encoder::Encode(bool flush, std::vector<EncodedFrame>* out, std::string* error) {
    AVFrame* frame = nullptr;
    if (!flush) {
        frame = m_frame.get();
        frame->pts = m_nextPts++;
    }
    int rc = avcodec_send_frame(m_context.get(), frame);
    if (rc < 0) {
        *error = "libx264 refused a frame: " + AvErrorText(rc);
        return false;
    }
    for (;;) {
        rc = avcodec_receive_packet(m_context.get(), m_packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return true;
        }
        if (rc < 0) {
            *error = "libx264 failed: " + AvErrorText(rc);
            return false;
        }
        EncodedFrame encoded;
        encoded.bytes.assign(m_packet->data, m_packet->data + m_packet->size);
        encoded.key = (m_packet->flags & AV_PKT_FLAG_KEY) != 0;
        out->push_back(std::move(encoded));
        av_packet_unref(m_packet.get());
    }
}

} // namespace recgen
