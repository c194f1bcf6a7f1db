#include "cli/convert_command.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

#include "cli/job_plan.h"
#include "cli/program_name.h"
#include "cli/progress_bar.h"
#include "cli/report_format.h"
#include "cli/utf8_path.h"
#include "convert/file_layer.h"
#include "convert/probe.h"
#include "convert/stream_converter.h"

namespace fs = std::filesystem;

namespace {

void ReportError(std::ostream& err, const std::string& message) {
    err << kProgramName << ": " << message << '\n' << std::flush;
}

// A probe hears an interrupt as it reads, as a conversion does.
int StopOnInterrupt(void*, std::int64_t, std::int64_t) {
    return InterruptSignal();
}

int ProbeAll(const CommandOptions& options, std::ostream& out, std::ostream& err) {
    int status = kExitSuccess;
    for (const std::string& source : options.sources) {
        if (InterruptSignal() != 0)
            break; // the caller ends the process as the interrupt asks
        ProbeResult probe;
        if (const Failure failure =
                ProbeRecording(source, options.fallbackRate, probe, StopOnInterrupt, nullptr)) {
            ReportError(err, failure.Message());
            status = kExitFailure;
            continue;
        }
        out << FormatProbe(source, probe) << std::flush;
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
        ReportError(err, dir + ": " + std::make_error_code(std::errc::not_a_directory).message());
        return false;
    }
    fs::create_directories(FsPath(dir), ec);
    if (ec) {
        ReportError(err, dir + ": " + ec.message());
        return false;
    }
    return true;
}

// Passes reports on to the progress bar, if any, and asks the job to stop
// once an interrupt has arrived.
int OnProgress(void* bar, std::int64_t bytesRead, std::int64_t fileSize) {
    if (bar != nullptr)
        ProgressBar::Callback(bar, bytesRead, fileSize);
    return StopOnInterrupt(bar, bytesRead, fileSize);
}

bool ConvertOne(const PlannedJob& planned, const CommandOptions& options, std::ostream& out,
                std::ostream& err, const Terminal& terminal) {
    CStreamConverter job(planned.source.c_str(), planned.dest.c_str(), options.fallbackRate);
    job.SetReplace(options.force);
    std::optional<ProgressBar> bar;
    if (terminal.showProgress && !options.quiet)
        bar.emplace(err, Utf8(FsPath(planned.source).filename()), terminal.width);
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
        ReportError(err, failure.Message() + (appeared ? "; use --force to replace it" : ""));
        return false;
    }
    if (!options.quiet)
        out << FormatSummary(planned.source, planned.dest, job.Stats(), taken.count()) << '\n'
            << std::flush;
    return true;
}

} // namespace

int RunCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
               const Terminal& terminal) {
    if (options.probe)
        return ProbeAll(options, out, err);
    if (!options.outputDir.empty() && !PrepareOutputDir(options.outputDir, err))
        return kExitFailure;

    int converted = 0;
    int failed = 0;
    for (const PlannedJob& job : PlanJobs(options)) {
        if (InterruptSignal() != 0)
            break; // the caller ends the process as the interrupt asks
        if (!job.refusal.empty()) {
            ReportError(err, job.refusal);
            ++failed;
        } else if (ConvertOne(job, options, out, err, terminal)) {
            ++converted;
        } else {
            ++failed;
        }
    }
    // In a long batch the error lines are easy to miss.
    if (failed > 0 && options.sources.size() > 1)
        ReportError(err, std::to_string(converted) + " converted, " + std::to_string(failed) +
                             " failed");
    return failed > 0 ? kExitFailure : kExitSuccess;
}
