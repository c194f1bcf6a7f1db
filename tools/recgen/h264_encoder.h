// libx264 through libavcodec, set up the way the recordings need it: yuv420p
// at the given size (720x576 unless told), ultrafast, no B-frames, key frames
// exactly every keyInterval frames and SPS/PPS repeated in every key frame (no
// global header), so each key chunk decodes on its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace recgen {

constexpr int kPictureWidth = 720;
constexpr int kPictureHeight = 576;

struct EncoderSettings {
    int rate = 25;
    int keyInterval = 25;
    int width = kPictureWidth;
    int height = kPictureHeight;
    // Sample aspect ratio written into the SPS's VUI; 0:0 writes none.
    int sarNum = 0, sarDen = 0;
};

struct EncodedFrame {
    std::vector<std::uint8_t> bytes; // one access unit, Annex B
    bool key = false;
};

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

class H264Encoder {
public:
    // False with *error (the cause only) when libx264 is missing or refuses.
    bool Open(const EncoderSettings& settings, std::string* error);

    // The frame to draw the next picture into; writable until the next Encode.
    AVFrame* NextPicture(std::string* error);

    // Encodes the picture from NextPicture (or, with flush, drains the
    // encoder) and appends every access unit that came out.
    bool Encode(bool flush, std::vector<EncodedFrame>* out, std::string* error);

private:
    std::unique_ptr<AVCodecContext, CodecContextFree> m_context;
    std::unique_ptr<AVFrame, FrameFree> m_frame;
    std::unique_ptr<AVPacket, PacketFree> m_packet;
    std::int64_t m_nextPts = 0;
};

// libav* error code as text.
std::string AvErrorText(int code);

} // namespace recgen
