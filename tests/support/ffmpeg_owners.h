// Owners for the FFmpeg objects the tests open to read results back.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

struct FfmpegFree {
    void operator()(AVFormatContext* input) const { avformat_close_input(&input); }
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using InputPtr = std::unique_ptr<AVFormatContext, FfmpegFree>;
using CodecPtr = std::unique_ptr<AVCodecContext, FfmpegFree>;
using PacketPtr = std::unique_ptr<AVPacket, FfmpegFree>;
using FramePtr = std::unique_ptr<AVFrame, FfmpegFree>;
