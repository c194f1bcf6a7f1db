// The conversion job: one recording in, one AVI out, in one synchronous call.
#pragma once

#include <cstdint>
#include <string>

#include "convert/chunk_reader.h"
#include "convert/failure.h"
#include "convert/file_layer.h"
#include "convert/media_output.h"

// Progress receiver: (context, bytes read so far, file size). A report whose
// bytes-read count reaches the file size is the completion report; it comes
// once, after the AVI is complete and in place. A nonzero result asks the job
// to stop: Run then removes what it wrote and fails as Cancelled.
typedef int (*ProgressCallback)(void* context, std::int64_t bytesRead, std::int64_t fileSize);

constexpr const char* kCancelledCause = "cancelled";

// What a conversion did, filled in by Run.
struct ConversionStats {
    int frameRate = 0;            // the rate written into the AVI
    bool rateFromHeader = false;  // false: the fallback rate applied
    std::int64_t sizeAtStart = 0; // the source's size when the job began
    std::int64_t fileSize = 0;    // where the source ended: it may grow or shrink meanwhile
    std::int64_t videoSlots = 0;  // time slots of the AVI's video, frames lost to damage included
    std::int64_t videoPackets = 0;
    std::int64_t keyVideoPackets = 0;
    std::int64_t audioPackets = 0;
    std::int64_t damagedChunks = 0;  // dropped by the chunk search
    std::int64_t refusedPackets = 0; // dropped because the muxer refused them
    OutputFormat format = OutputFormat::Avi;
    // MP4 only: frames before the first key frame, and the sound with them
    // (in samples at 8000 Hz), left out because no decoder can show them.
    std::int64_t framesLeftOut = 0;
    std::int64_t soundSamplesLeftOut = 0;
    std::int64_t outputBytes = 0; // size of the finished file
};

class CStreamConverter {
public:
    CStreamConverter(const char* sourcePath, const char* destPath, int fallbackRate);

    int SetCallback(void* context, ProgressCallback callback);
    // Whether an existing destination is replaced (the default, for callers
    // that asked the user first). Without, a destination that exists when
    // the AVI is ready, even one that appeared during the run, is left
    // alone and the job fails with kExistsCause.
    void SetReplace(bool replace) { m_replace = replace; }
    // AVI or MP4; by default MP4 when the destination's name ends in ".mp4".
    void SetFormat(OutputFormat format) { m_format = format; }

    // 0 when the AVI is complete and in place; nonzero on failure, with
    // GetFailure() saying what failed and why. On failure nothing is left
    // behind and an existing destination is untouched. A source that is not
    // a recording (ChunkReader::HoldsARecording) fails as NotARecording.
    int Run();

    const std::string& SourcePath() const { return m_source; }
    const std::string& DestPath() const { return m_dest; }
    const ConversionStats& Stats() const { return m_stats; }
    // No failure after a successful Run.
    const Failure& GetFailure() const { return m_failure; }

private:
    int Convert();
    int Fail(Failure failure);
    // False, with the failure set, when the callback asks the job to stop.
    bool Report(std::int64_t bytesRead, std::int64_t fileSize);

    std::string m_source;
    std::string m_dest;
    ProgressCallback m_callback = nullptr;
    void* m_context = nullptr;
    int m_fallbackRate;
    ConversionStats m_stats;
    Failure m_failure;
    bool m_replace = true;
    OutputFormat m_format;
};

// Runs the job on the calling thread; returns Run's result.
int RunConverter(CStreamConverter* job);
