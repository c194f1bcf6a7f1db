// A libavformat muxing context that writes through the job's own file, and
// the packet handling both outputs share.
#pragma once

#include <cstdint>
#include <memory>

#include "convert/failure.h"
#include "convert/output/media_output.h"
#include "convert/output/muxer_io.h"

struct AVDictionary;
struct AVFormatContext;
struct AVPacket;
struct AVRational;
struct AVStream;

class Muxer {
public:
    explicit Muxer(TemporaryOutput& file);
    ~Muxer();
    Muxer(const Muxer&) = delete;
    Muxer& operator=(const Muxer&) = delete;

    // The context for the muxer named `format` ("avi", "mp4").
    Failure Open(const char* format);
    AVFormatContext* Context() const { return m_context.get(); }
    MuxerIo& Io() { return m_io; }
    // The picture's stream (0), an H.264 one timed in frames, and the
    // sound's (1), whose parameters the caller sets; null when out of memory.
    AVStream* AddStreams(int frameRate, const PictureFormat& picture);
    Failure WriteHeader(AVDictionary** options);

    // A packet borrowing `data` for the length of the call, its times in
    // 1/`timeBaseDen` units, written at once.
    Expected<WriteResult> Write(int stream, const std::uint8_t* data, std::int64_t size, bool key,
                                std::int64_t pts, std::int64_t duration, int timeBaseDen);
    // A packet the caller made; the muxer takes its reference.
    Expected<WriteResult> WriteOwned(AVPacket* packet);
    Failure WriteTrailer();
    // Releases the context; the file stays open.
    void Finish();

    // The failure for a library call that returned `error`: the file's own
    // cause where the file failed.
    Failure Fail(int error) const;

private:
    struct ContextDeleter {
        void operator()(AVFormatContext* context) const;
    };
    struct PacketDeleter {
        void operator()(AVPacket* packet) const;
    };
    Expected<WriteResult> Outcome(int ret) const;

    MuxerIo m_io; // outlives m_context, which borrows its writer
    std::unique_ptr<AVFormatContext, ContextDeleter> m_context;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
};
