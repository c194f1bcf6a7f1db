// What the job writes a recording into: one H.264 stream and one stream of
// sound, as an AVI (the chunks as they are) or an MP4 (the picture as it
// is, the sound in AAC). The job hands in chunks in the order it finds them.
#pragma once

#include <cstdint>
#include <string>

#include "convert/expected.h"
#include "convert/failure.h"

class TemporaryOutput;
struct PictureFormat;

enum class OutputFormat { Avi, Mp4 };

// "avi" or "mp4", as in a file name.
const char* ExtensionOf(OutputFormat format);
// Whether the name ends in the format's extension, in any case.
bool HasExtension(const std::string& path, OutputFormat format);
// MP4 when the name ends in ".mp4", in any case; AVI otherwise.
OutputFormat FormatOfName(const std::string& path);

// Outcome of a packet write.
enum class WriteResult {
    Written,
    Refused, // the muxer rejected this packet's data; the file itself is fine
    LeftOut, // a frame no decoder can show: one before the first key frame (MP4)
    Damaged, // a key frame whose parameter sets do not decode, dropped (MP4)
};

// What an output left out of the recording, besides the damage the job
// counts itself.
struct OutputNotes {
    std::int64_t framesLeftOut = 0;       // video frames before the first key frame
    std::int64_t soundSamplesLeftOut = 0; // sound before it, at 8000 samples a second
    std::int64_t undecodableBlocks = 0;   // audio blocks the decoder refused, dropped
};

class MediaOutput {
public:
    virtual ~MediaOutput() = default;

    // Writes the container's header into `file`, new and empty, which must
    // outlive this object, declaring `picture` (the first key frame's, as
    // far as it is known before the header).
    virtual Failure Open(TemporaryOutput& file, int frameRate, const PictureFormat& picture) = 0;
    // A frame that is refused or skipped keeps its time slot once a frame
    // has been written (VideoSlots), so the later frames stay in step with
    // the sound. A failure means the output is broken (write error, full
    // disk, ...).
    virtual Expected<WriteResult> WriteVideo(const std::uint8_t* data, std::int64_t size,
                                             bool key) = 0;
    virtual void SkipVideoFrame() = 0;
    // One IMA ADPCM block, its data nibbles already in playing order.
    virtual Expected<WriteResult> WriteAudio(const std::uint8_t* data, std::int64_t size) = 0;
    // Writes what is left and the index. The file stays open for its owner
    // to close or drop.
    virtual Failure Close() = 0;

    // The video's time slots in the file: up to the last frame written,
    // those of lost frames between included.
    virtual std::int64_t VideoSlotsInFile() const = 0;
    virtual OutputNotes Notes() const { return {}; }
};
