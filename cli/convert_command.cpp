#include "cli/convert_command.h"

#include <chrono>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>

#include "cli/job_plan.h"
#include "cli/program_name.h"
#include "cli/progress_bar.h"
#include "cli/report_format.h"
#include "cli/safe_text.h"
#include "cli/utf8_path.h"
#include "convert/file_layer.h"
#include "convert/probe.h"
#include "convert/stream_converter.h"

namespace fs = std::filesystem;

namespace {

// The cause shown when a source could not be converted for want of memory.
constexpr const char* kMemoryCause = "memory exhausted";

// `message` is already safe to print.
void ReportError(std::ostream& err, const std::string& message) {
    err << kProgramName << ": " << message << '\n' << std::flush;
}

int ProbeAll(const CommandOptions& options, std::ostream& out, std::ostream& err) {
    int status = kExitSuccess;
    for (const std::string& source : options.sources) {
        try {
            ProbeResult probe;
            if (const Failure failure = ProbeRecording(source, options.fallbackRate, probe)) {
                ReportError(err, SafeMessage(failure));
                status = kExitFailure;
                continue;
            }
            out << FormatProbe(source, probe) << std::flush;
        } catch (const std::bad_alloc&) {
            ReportError(err, SafeText(source) + ": " + kMemoryCause);
            status = kExitFailure;
        }
    }
    return status;
}

// Creates a missing --output-dir; an unusable one fails every job up front
// instead of each one with the same cause.
bool PrepareOutputDir(const std::string& dir, std::ostream& err) {
    std::error_code ec;
    if (fs::is_directory(FsPath(dir), ec))
        return true;
    if (fs::exists(FsPath(dir), ec)) {
        ReportError(err, SafeText(dir) + ": " +
                             std::make_error_code(std::errc::not_a_directory).message());
        return false;
    }
    fs::create_directories(FsPath(dir), ec);
    if (ec) {
        ReportError(err, SafeText(dir) + ": " + SafeText(ec.message()));
        return false;
    }
    return true;
}

// Passes reports on to the progress bar, if any, and asks the job to stop
// once an interrupt has arrived.
int OnProgress(void* bar, std::int64_t bytesRead, std::int64_t fileSize) {
    if (bar != nullptr)
        ProgressBar::Callback(bar, bytesRead, fileSize);
    return InterruptSignal();
}

ProgressBar::Width WidthOf(const Terminal& terminal) {
    if (terminal.currentWidth)
        return terminal.currentWidth;
    return [width = terminal.width] { return width; };
}

enum class Outcome { Converted, Failed, Cancelled };

Outcome ConvertOne(const PlannedJob& planned, const CommandOptions& options, std::ostream& out,
                   std::ostream& err, const Terminal& terminal) {
    CStreamConverter job(planned.source.c_str(), planned.dest.c_str(), options.fallbackRate);
    job.SetReplace(options.force);
    job.SetFormat(options.format);
    std::optional<ProgressBar> bar;
    if (terminal.showProgress && !options.quiet)
        bar.emplace(err, Utf8(FsPath(planned.source).filename()), WidthOf(terminal));
    job.SetCallback(bar ? &*bar : nullptr, OnProgress);
    const auto start = std::chrono::steady_clock::now();
    const int result = RunConverter(&job);
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    if (bar)
        bar->Clear();
    if (result != 0) {
        // The destination appeared while the job ran.
        const Failure& failure = job.GetFailure();
        const bool appeared = failure.kind == FailureKind::DestinationExists;
        ReportError(err, SafeMessage(failure) + (appeared ? "; use --force to replace it" : ""));
        return failure.kind == FailureKind::Cancelled ? Outcome::Cancelled : Outcome::Failed;
    }
    if (!options.quiet)
        out << FormatSummary(planned.source, planned.dest, job.Stats(), taken.count()) << '\n'
            << std::flush;
    return Outcome::Converted;
}

} // namespace

int RunCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
               const Terminal& terminal, bool* stopped) {
    if (stopped != nullptr)
        *stopped = false;
    if (options.probe)
        return ProbeAll(options, out, err);
    if (!options.outputDir.empty() && !PrepareOutputDir(options.outputDir, err))
        return kExitFailure;

    const std::vector<PlannedJob> jobs = PlanJobs(options);
    int converted = 0;
    int failed = 0;
    bool cancelled = false;
    std::size_t started = 0;
    for (; started < jobs.size(); ++started) {
        const PlannedJob& job = jobs[started];
        if (InterruptSignal() != 0)
            break; // the caller ends the process as the interrupt asks
        if (!job.refusal.empty()) {
            ReportError(err, job.refusal);
            ++failed;
            continue;
        }
        try {
            switch (ConvertOne(job, options, out, err, terminal)) {
            case Outcome::Converted:
                ++converted;
                break;
            case Outcome::Failed:
                ++failed;
                break;
            case Outcome::Cancelled:
                ++failed;
                cancelled = true;
                break;
            }
        } catch (const std::bad_alloc&) {
            // What this source held is freed again; the next may fit.
            ReportError(err, SafeText(job.source) + ": " + kMemoryCause);
            ++failed;
        }
    }
    const std::size_t unstarted = jobs.size() - started;
    if (stopped != nullptr)
        *stopped = cancelled || unstarted > 0;
    // In a long batch the error lines are easy to miss.
    if ((failed > 0 || unstarted > 0) && options.sources.size() > 1)
        ReportError(
            err, std::to_string(converted) + " converted, " + std::to_string(failed) + " failed" +
                     (unstarted > 0 ? ", " + std::to_string(unstarted) + " not started" : ""));
    return failed > 0 ? kExitFailure : kExitSuccess;
}
