// The AVI output: one H.264 stream and one IMA ADPCM stream, written through
// libavformat. Chunk payloads go out unchanged, one packet each, in the order
// they are handed in.
#pragma once

#include <cstdint>
#include <memory>

#include "convert/media_output.h"
#include "convert/video_slots.h"

class Muxer;

constexpr int kVideoWidth = 720;
constexpr int kVideoHeight = 576;
constexpr int kAudioSampleRate = 8000;
constexpr int kAudioBitRate = 32000;
constexpr int kAudioBlockAlign = 164;
// A 164-byte mono IMA block: one sample in its header, two per data byte.
constexpr int kAudioSamplesPerBlock = 321;

class AviOutput : public MediaOutput {
public:
    AviOutput();
    ~AviOutput() override;

    Failure Open(TemporaryOutput& file, int frameRate) override;
    WriteResult WriteVideo(const std::uint8_t* data, std::int64_t size, bool key) override;
    void SkipVideoFrame() override;
    WriteResult WriteAudio(const std::uint8_t* data, std::int64_t size) override;
    Failure Close() override;
    const Failure& GetFailure() const override;
    std::int64_t VideoSlotsInFile() const override { return m_slots.InFile(); }

private:
    Failure ClearAudioSampleSize();

    std::unique_ptr<Muxer> m_muxer;
    int m_frameRate = 0;
    VideoSlots m_slots;
    std::int64_t m_audioIndex = 0;
    Failure m_noFile; // before Open
};
