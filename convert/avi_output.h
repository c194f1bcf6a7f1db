// The AVI side of a conversion: one H.264 stream and one IMA ADPCM stream,
// written through libavformat. Chunk payloads go out unchanged, one packet
// each, in the order they are handed in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "convert/failure.h"
#include "convert/video_slots.h"

struct AVFormatContext;
struct AVIOContext;
struct AVPacket;
class TemporaryOutput;

constexpr int kVideoWidth = 720;
constexpr int kVideoHeight = 576;
constexpr int kAudioSampleRate = 8000;
constexpr int kAudioBitRate = 32000;
constexpr int kAudioBlockAlign = 164;
// A 164-byte mono IMA block: one sample in its header, two per data byte.
constexpr int kAudioSamplesPerBlock = 321;

// Outcome of a packet write.
enum class WriteResult {
    Written,
    Refused, // the muxer rejected this packet's data; the file itself is fine
    Failed,  // the output is broken (write error, full disk, ...)
};

class AviOutput {
public:
    AviOutput();
    ~AviOutput();
    AviOutput(const AviOutput&) = delete;
    AviOutput& operator=(const AviOutput&) = delete;

    // Writes the AVI header into `file`, new and empty, which must outlive
    // this object.
    Failure Open(TemporaryOutput& file, int frameRate);

    // A frame that is refused or skipped keeps its time slot once a frame
    // has been written (VideoSlots): the slot gets an empty frame, so the
    // later frames stay in step with the sound. After Failed, GetFailure()
    // says why.
    WriteResult WriteVideo(const std::uint8_t* data, std::int64_t size, bool key);
    void SkipVideoFrame();
    WriteResult WriteAudio(const std::uint8_t* data, std::int64_t size);
    // The video's time slots in the file so far: up to the last frame
    // written, empty frames in the slots of lost ones included.
    std::int64_t VideoSlotsInFile() const { return m_slots.InFile(); }

    // Writes the trailer and the last buffered bytes. The file stays open
    // for its owner to close or drop.
    Failure Close();

    // Why the last packet write failed: the system's own text where the
    // file failed, libavformat's otherwise.
    const Failure& GetFailure() const { return m_failure; }

private:
    struct ContextDeleter {
        void operator()(AVFormatContext* context) const;
    };
    struct PacketDeleter {
        void operator()(AVPacket* packet) const;
    };
    struct IoDeleter {
        void operator()(AVIOContext* io) const;
    };
    // Where libavformat's reads and writes stand in the file.
    struct FileCursor {
        TemporaryOutput* file = nullptr;
        std::int64_t position = 0;
        std::int64_t end = 0;
        Failure failure; // of the last failed read or write
    };
    using Io = std::unique_ptr<AVIOContext, IoDeleter>;
    static Io OpenIo(FileCursor& cursor, bool write);
    static int WritePacket(void* opaque, std::uint8_t* data, int size);
    static int ReadPacket(void* opaque, std::uint8_t* data, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);

    int ClearAudioSampleSize();
    // Records the failure of a library call that returned `error`.
    Failure Fail(int error);
    WriteResult Write(int streamIndex, const std::uint8_t* data, std::int64_t size, bool key,
                      std::int64_t pts, std::int64_t duration, int timeBaseDen);

    FileCursor m_writer;
    Io m_io; // outlives m_context, which borrows it
    std::unique_ptr<AVFormatContext, ContextDeleter> m_context;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    int m_frameRate = 0;
    VideoSlots m_slots;
    std::int64_t m_audioIndex = 0;
    Failure m_failure;
};
