// The AVI side of a conversion: one H.264 stream and one IMA ADPCM stream,
// written through libavformat. Chunk payloads go out unchanged, one packet
// each, in the order they are handed in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct AVFormatContext;
struct AVIOContext;
struct AVPacket;

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

    // Writes the AVI header into `path`, an empty file made for it (created
    // if missing). A negative libavformat error code on failure.
    int Open(const std::string& path, int frameRate);

    // A frame that is refused or skipped keeps its time slot once a frame
    // has been written: the muxer fills the slot with an empty frame, so the
    // later frames stay in step with the sound.
    WriteResult WriteVideo(const std::uint8_t* data, std::int64_t size, bool key);
    void SkipVideoFrame();
    WriteResult WriteAudio(const std::uint8_t* data, std::int64_t size);

    // Writes the trailer and closes the file; a negative error code when
    // either fails. After a failed Open or write, the destructor just closes.
    int Close();

    // The error code of the last failed call.
    int LastError() const { return m_lastError; }

private:
    struct ContextDeleter {
        void operator()(AVFormatContext* context) const;
    };
    struct PacketDeleter {
        void operator()(AVPacket* packet) const;
    };
    struct ReaderCloser {
        void operator()(AVIOContext* in) const;
    };

    int ClearAudioSampleSize();
    WriteResult Write(int streamIndex, const std::uint8_t* data, std::int64_t size, bool key,
                      std::int64_t pts, std::int64_t duration, int timeBaseDen);

    std::unique_ptr<AVFormatContext, ContextDeleter> m_context;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    int m_frameRate = 0;
    std::int64_t m_videoIndex = 0; // the next frame's time slot
    bool m_videoWritten = false;
    std::int64_t m_audioIndex = 0;
    int m_lastError = 0;
};

// The library's text for an error code ("No space left on device", ...).
std::string AvErrorText(int error);
