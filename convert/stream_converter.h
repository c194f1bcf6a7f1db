// The conversion job as the dialog drives it: a job object, a progress
// callback with its context, and a result code; a front on ConvertRecording.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/conversion_stats.h"
#include "convert/failure.h"
#include "convert/output/media_output.h"
#include "convert/pipeline.h"

// Progress receiver: (context, bytes read so far, file size). A report whose
// bytes-read count reaches the file size is the completion report; it comes
// once, after the AVI is complete and in place. A nonzero result asks the job
// to stop: Run then removes what it wrote and fails as Cancelled.
typedef int (*ProgressCallback)(void* context, std::int64_t bytesRead, std::int64_t fileSize);

class CStreamConverter {
public:
    CStreamConverter(const char* sourcePath, const char* destPath, int fallbackRate);

    int SetCallback(void* context, ProgressCallback callback);
    // Reads `path` after the sources before it into the same destination:
    // a join. The sources must share the frame rate and the picture size.
    void AddSource(const std::string& path) { m_sources.push_back(path); }
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
    // a recording fails as NotARecording.
    int Run();

    // The first source.
    const std::string& SourcePath() const { return m_sources.front(); }
    const std::string& DestPath() const { return m_dest; }
    const ConversionStats& Stats() const { return m_stats; }
    // No failure after a successful Run.
    const Failure& GetFailure() const { return m_failure; }

private:
    std::vector<std::string> m_sources;
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
