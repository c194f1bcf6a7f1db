// The AVI output: one H.264 stream and one IMA ADPCM stream, written through
// libavformat. Chunk payloads go out unchanged, one packet each, in the order
// they are handed in.
#pragma once

#include <cstdint>
#include <memory>

#include "convert/output/media_output.h"
#include "convert/video_slots.h"

class Muxer;

class AviOutput : public MediaOutput {
public:
    AviOutput();
    ~AviOutput() override;

    Failure Open(TemporaryOutput& file, int frameRate, const PictureFormat& picture) override;
    Expected<WriteResult> WriteVideo(const std::uint8_t* data, std::int64_t size,
                                     bool key) override;
    void SkipVideoFrame() override;
    Expected<WriteResult> WriteAudio(const std::uint8_t* data, std::int64_t size) override;
    Failure Close() override;
    std::int64_t VideoSlotsInFile() const override { return m_slots.InFile(); }

private:
    Failure ClearAudioSampleSize();

    std::unique_ptr<Muxer> m_muxer;
    int m_frameRate = 0;
    VideoSlots m_slots;
    std::int64_t m_audioIndex = 0;
};
