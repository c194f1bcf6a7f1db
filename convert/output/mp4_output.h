// The MP4 output, for sharing: every H.264 chunk one sample, its NAL units
// unchanged (the muxer stores them behind lengths instead of start codes),
// and the sound in AAC (SoundEncoder). The index comes before the media
// data, so a browser plays the file as it downloads and seeks by ranges.
//
// Frames before the first key frame that carries parameter sets that decode
// cannot be shown by any decoder: they are left out, and so is the sound that
// plays before that key frame, so picture and sound start together.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "convert/output/media_output.h"
#include "convert/output/sound_encoder.h"
#include "convert/video_slots.h"

class Muxer;

class Mp4Output : public MediaOutput {
public:
    Mp4Output();
    ~Mp4Output() override;

    Failure Open(TemporaryOutput& file, int frameRate, const PictureFormat& picture) override;
    Expected<WriteResult> WriteVideo(const std::uint8_t* data, std::int64_t size,
                                     bool key) override;
    void SkipVideoFrame() override;
    Expected<WriteResult> WriteAudio(const std::uint8_t* data, std::int64_t size) override;
    Failure Close() override;
    std::int64_t VideoSlotsInFile() const override { return m_slots.InFile(); }
    OutputNotes Notes() const override;

private:
    bool StartPicture(const std::vector<std::uint8_t>& sets, const PictureFormat& picture);
    Failure TakeSound();
    Failure WriteSound(std::vector<SoundEncoder::Packet>& packets);

    std::unique_ptr<Muxer> m_muxer;
    SoundEncoder m_sound;
    int m_frameRate = 0;
    bool m_pictureStarted = false;
    // The slots as the AVI would hold them, to time the sound left out; the
    // MP4's own start at the first key frame.
    VideoSlots m_recordingSlots;
    VideoSlots m_slots;
    std::int64_t m_framesLeftOut = 0;
    std::int64_t m_soundLeftOut = 0;
    std::int64_t m_soundWritten = 0;
    std::int64_t m_blocksSubmitted = 0;
    std::vector<SoundEncoder::Packet> m_ready;
};
