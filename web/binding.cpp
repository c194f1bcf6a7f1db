// The page's way into the conversion library: one recording converted per
// call, in the worker that web/worker.js runs. The script hands over the
// recording (a File) and the result's storage before the call; progress
// and the outcome go back through its functions, the outcome in the words
// veltrano-convert prints.
#include <chrono>
#include <emscripten.h>
#include <string>

#include "cli/program_name.h"
#include "cli/report_format.h"
#include "cli/safe_text.h"
#include "convert/conversion.h"
#include "convert/ffmpeg_version.h"

namespace {

EM_JS(void, ReportProgress, (double bytesRead, double size),
      { Module.veltranoProgress(bytesRead, size); });

EM_JS(void, ReportEnd, (int converted, const char* lines),
      { Module.veltranoEnd(converted != 0, UTF8ToString(lines)); });

} // namespace

extern "C" {

// Converts the recording the script handed over, named `source` in the
// lines, into the result named `dest`: AVI, or MP4 when `mp4`; `fallbackRate`
// when the recording gives no rate. Ends with ReportEnd: the summary lines,
// or the error line.
EMSCRIPTEN_KEEPALIVE void veltrano_convert(const char* source, const char* dest, int fallbackRate,
                                           int mp4) {
    ConversionRequest request;
    request.sources = {source};
    request.dest = dest;
    request.fallbackRate = fallbackRate;
    request.format = mp4 != 0 ? OutputFormat::Mp4 : OutputFormat::Avi;
    const auto start = std::chrono::steady_clock::now();
    const Expected<ConversionStats> stats =
        ConvertRecording(request, [](std::int64_t bytesRead, std::int64_t size) {
            ReportProgress(static_cast<double>(bytesRead), static_cast<double>(size));
            return true;
        });
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    if (!stats) {
        ReportEnd(0, (std::string(kProgramName) + ": " + SafeMessage(stats.GetFailure())).c_str());
        return;
    }
    ReportEnd(1, FormatSummary(source, request.dest, *stats, taken.count()).c_str());
}

// "1.0.0.1 (FFmpeg 5.1.9)": what the page shows beside its name.
EMSCRIPTEN_KEEPALIVE const char* veltrano_version() {
    static const std::string version =
        std::string(VELTRANO_VERSION) + " (FFmpeg " + FfmpegVersion() + ")";
    return version.c_str();
}

} // extern "C"
