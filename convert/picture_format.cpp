#include "convert/picture_format.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <new>

#include "convert/library_log.h"
#include "convert/output/parameter_sets.h"
#include "convert/source/chunk_reader.h"
#include "convert/source/recording.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

struct DecoderDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

template <typename T> T* Allocated(T* object) {
    if (object == nullptr)
        throw std::bad_alloc();
    return object;
}

// A decoder on the caller's thread only: the answer never depends on timing.
std::unique_ptr<AVCodecContext, DecoderDeleter> OpenDecoder() {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (codec == nullptr)
        return nullptr;
    std::unique_ptr<AVCodecContext, DecoderDeleter> decoder(
        Allocated(avcodec_alloc_context3(codec)));
    decoder->thread_count = 1;
    const int ret = avcodec_open2(decoder.get(), codec, nullptr);
    if (ret == AVERROR(ENOMEM))
        throw std::bad_alloc();
    return ret < 0 ? nullptr : std::move(decoder);
}

// Decodes the one access unit and takes the picture it gives.
std::optional<PictureFormat> Decode(AVCodecContext* decoder, const std::uint8_t* frame,
                                    std::int64_t size) {
    std::unique_ptr<AVPacket, PacketDeleter> packet(Allocated(av_packet_alloc()));
    std::unique_ptr<AVFrame, FrameDeleter> picture(Allocated(av_frame_alloc()));
    // The decoder reads a little past the data: the packet has its own,
    // padded copy.
    if (av_new_packet(packet.get(), static_cast<int>(size)) < 0)
        throw std::bad_alloc();
    std::copy(frame, frame + size, packet->data);
    packet->flags = AV_PKT_FLAG_KEY;
    if (avcodec_send_packet(decoder, packet.get()) < 0 || avcodec_send_packet(decoder, nullptr) < 0)
        return std::nullopt;
    if (avcodec_receive_frame(decoder, picture.get()) < 0 || picture->width <= 0 ||
        picture->height <= 0)
        return std::nullopt;
    PictureFormat format;
    format.width = picture->width;
    format.height = picture->height;
    if (picture->sample_aspect_ratio.num > 0 && picture->sample_aspect_ratio.den > 0) {
        format.sarNum = picture->sample_aspect_ratio.num;
        format.sarDen = picture->sample_aspect_ratio.den;
    }
    format.profile = decoder->profile;
    format.level = decoder->level;
    format.fromStream = true;
    return format;
}

} // namespace

std::optional<PictureFormat> ReadPictureFormat(const std::uint8_t* frame, std::int64_t size) {
    if (size <= 0 || size > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE)
        return std::nullopt;
    std::optional<PictureFormat> format;
    if (auto decoder = OpenDecoder())
        format = Decode(decoder.get(), frame, size);
    // What the decoder said of a damaged frame explains nothing that fails
    // later.
    if (!format)
        ClearLibraryError();
    return format;
}

Expected<PictureFormat> FindPictureFormat(SourceFile& file, std::int64_t size) {
    const std::int64_t limit = std::min(size, kPictureLookAheadBytes);
    ChunkReader reader(file, limit);
    PictureWatch watch;
    Chunk chunk;
    for (;;) {
        Expected<ReadResult> read = reader.Next(chunk);
        if (!read)
            return read.TakeFailure();
        // The window reads ahead of the chunks it gives: where they are
        // tells how far the search has come.
        if (*read == ReadResult::End || (*read == ReadResult::Chunk && chunk.fileOffset >= limit) ||
            (*read == ReadResult::Searched && reader.BytesRead() >= limit))
            break;
        if (*read == ReadResult::Chunk && chunk.kind == KIND_KEY_VIDEO)
            if (auto format = watch.Read(chunk.payload, chunk.payloadBytes))
                return *format;
    }
    return PictureFormat{};
}

Expected<PictureFormat> FindPictureFormat(const std::string& path) {
    Recording recording;
    if (Failure failure = OpenRecording(path, kMinFrameRate, recording))
        return failure;
    return FindPictureFormat(recording.file, recording.file.Size());
}

std::optional<PictureFormat> PictureWatch::Read(const std::uint8_t* frame, std::int64_t size) {
    std::vector<std::uint8_t> sets = ParameterSetsOf(frame, size);
    if (sets.empty())
        return std::nullopt;
    if (sets != m_sets || !m_picture) {
        m_picture = ReadPictureFormat(frame, size);
        m_sets = std::move(sets);
    }
    return m_picture;
}

std::string ProfileName(const PictureFormat& format) {
    const char* name = avcodec_profile_name(AV_CODEC_ID_H264, format.profile);
    if (name != nullptr)
        return name;
    return format.profile >= 0 ? "profile " + std::to_string(format.profile) : "unknown";
}

std::string LevelName(const PictureFormat& format) {
    if (format.level <= 0)
        return "unknown";
    // Level 1b travels as 9 (or as 11 with a constraint flag, read as 1.1).
    if (format.level == 9)
        return "1b";
    return std::to_string(format.level / 10) + "." + std::to_string(format.level % 10);
}
