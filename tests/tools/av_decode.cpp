#include "tests/tools/av_decode.h"

#include <memory>

#include "tests/support/ffmpeg_owners.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
}

namespace {

std::string ErrorText(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

} // namespace

DecodedVideo DecodeH264(const std::vector<std::span<const std::uint8_t>>& accessUnits) {
    DecodedVideo result;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    CodecPtr context(avcodec_alloc_context3(codec));
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!codec || !context || !frame || !packet) {
        result.error = "no h264 decoder";
        return result;
    }
    context->thread_count = 1;
    context->err_recognition = AV_EF_EXPLODE | AV_EF_CRCCHECK | AV_EF_BITSTREAM;
    if (int rc = avcodec_open2(context.get(), codec, nullptr); rc < 0) {
        result.error = ErrorText("open", rc);
        return result;
    }
    auto drain = [&]() {
        for (;;) {
            const int rc = avcodec_receive_frame(context.get(), frame.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
                return true;
            }
            if (rc < 0) {
                result.error = ErrorText("decode", rc);
                return false;
            }
            if (frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT)) {
                result.error = "frame " + std::to_string(result.frames) + " decoded with errors";
                return false;
            }
            if (result.frames++ == 0) {
                result.firstWidth = frame->width;
                result.firstHeight = frame->height;
            }
            result.width = frame->width;
            result.height = frame->height;
            result.sarNum = frame->sample_aspect_ratio.num;
            result.sarDen = frame->sample_aspect_ratio.den;
            av_frame_unref(frame.get());
        }
    };
    for (const auto& unit : accessUnits) {
        packet->data = const_cast<std::uint8_t*>(unit.data());
        packet->size = static_cast<int>(unit.size());
        if (int rc = avcodec_send_packet(context.get(), packet.get()); rc < 0) {
            result.error = ErrorText("send", rc);
            return result;
        }
        if (!drain()) {
            return result;
        }
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    return result;
}

std::string DecodeImaBlock(std::span<const std::uint8_t> block, std::vector<std::int16_t>* out) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_ADPCM_IMA_WAV);
    CodecPtr context(avcodec_alloc_context3(codec));
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!codec || !context || !frame || !packet) {
        return "no adpcm_ima_wav decoder";
    }
    context->sample_rate = 8000;
    av_channel_layout_default(&context->ch_layout, 1);
    context->block_align = 164;
    context->bits_per_coded_sample = 4;
    if (int rc = avcodec_open2(context.get(), codec, nullptr); rc < 0) {
        return ErrorText("open", rc);
    }
    packet->data = const_cast<std::uint8_t*>(block.data());
    packet->size = static_cast<int>(block.size());
    if (int rc = avcodec_send_packet(context.get(), packet.get()); rc < 0) {
        return ErrorText("send", rc);
    }
    if (int rc = avcodec_receive_frame(context.get(), frame.get()); rc < 0) {
        return ErrorText("receive", rc);
    }
    if (frame->format != AV_SAMPLE_FMT_S16 && frame->format != AV_SAMPLE_FMT_S16P) {
        return "unexpected sample format";
    }
    const auto* samples = reinterpret_cast<const std::int16_t*>(frame->data[0]);
    out->insert(out->end(), samples, samples + frame->nb_samples);
    return {};
}
