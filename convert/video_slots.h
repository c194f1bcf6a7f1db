// The time slots of the video stream. A frame lost to damage, or refused by
// the muxer, keeps its slot once a frame is in the file, so the frames after
// it stay in step with the sound; slots before the first frame are not kept,
// since they would only delay the picture against the sound.
#pragma once

#include <cstdint>

class VideoSlots {
public:
    // The slot of the next frame.
    std::int64_t Next() const { return m_next; }
    // Slots in the file: up to the last frame written, the empty frames
    // that keep the lost ones' slots included.
    std::int64_t InFile() const { return m_inFile; }
    // Slots lost since the last frame written, which get empty frames when
    // the next one is written.
    std::int64_t Gap() const { return m_next - m_inFile; }

    void Written() { m_inFile = ++m_next; }
    void Filled() { ++m_inFile; }
    void Lost() { m_next += m_inFile > 0 ? 1 : 0; }

private:
    std::int64_t m_next = 0;
    std::int64_t m_inFile = 0;
};
