#include "cli/convert_command.h"

#include <chrono>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>

#include "cli/batch_report.h"
#include "cli/job_plan.h"
#include "cli/job_pool.h"
#include "cli/probe_command.h"
#include "cli/program_name.h"
#include "cli/progress_bar.h"
#include "cli/report_format.h"
#include "cli/safe_text.h"
#include "cli/utf8_path.h"
#include "convert/platform/files.h"
#include "convert/platform/interrupts.h"
#include "convert/stream_converter.h"

namespace fs = std::filesystem;

namespace {

// `message` is already safe to print.
void ReportError(std::ostream& err, const std::string& message) {
    err << kProgramName << ": " << message << '\n' << std::flush;
}

// Creates a missing --output-dir (`dir`, empty when none was given); an
// unusable one fails every job up front instead of each one with the same
// cause.
Failure PrepareOutputDir(const std::string& dir) {
    std::error_code ec;
    if (dir.empty() || fs::is_directory(FsPath(dir), ec))
        return {};
    if (fs::exists(FsPath(dir), ec))
        return DestinationFailure(dir, std::make_error_code(std::errc::not_a_directory).message());
    fs::create_directories(FsPath(dir), ec);
    if (ec)
        return DestinationFailure(dir, ec.message());
    return {};
}

// Where a job's progress reports go: its own bar (one job at a time) or the
// batch line. Either way the job is asked to stop once an interrupt has
// arrived, every running job alike.
struct JobProgress {
    ProgressBar* bar = nullptr;
    BatchReport* batch = nullptr;
    std::size_t index = 0;
};

int OnProgress(void* context, std::int64_t bytesRead, std::int64_t fileSize) {
    const JobProgress& job = *static_cast<JobProgress*>(context);
    if (job.bar != nullptr)
        job.bar->Update(bytesRead, fileSize);
    if (job.batch != nullptr)
        job.batch->Progress(job.index, bytesRead, fileSize);
    return InterruptSignal();
}

ProgressBar::Width WidthOf(const Terminal& terminal) {
    if (terminal.currentWidth)
        return terminal.currentWidth;
    return [width = terminal.width] { return width; };
}

// What a job ended with, and its summary or error line.
struct JobEnd {
    Outcome outcome;
    std::string line;
};

// A join's line counts its sources, as its summary does.
std::string SkippedLine(const PlannedJob& job) {
    const std::string what = job.joined.empty()
                                 ? SafeText(job.source)
                                 : std::to_string(job.joined.size() + 1) + " recordings";
    return what + ": skipped: " + SafeText(job.dest) + " exists";
}

// How a job ended that `failure` stopped, planned or running. A
// destination that exists is skipped with --no-clobber, and otherwise its
// line says how to replace it.
JobEnd EndedBy(const PlannedJob& job, const Failure& failure, const CommandOptions& options) {
    const bool exists = failure.kind == FailureKind::DestinationExists;
    if (exists && options.noClobber)
        return {Outcome::Skipped, options.quiet ? "" : SkippedLine(job)};
    return {failure.kind == FailureKind::Cancelled ? Outcome::Cancelled : Outcome::Failed,
            SafeMessage(failure) + (exists ? "; use --force to replace it" : "")};
}

// `fileBar`: draw the file's own bar on `err`.
JobEnd ConvertOne(const PlannedJob& planned, const CommandOptions& options, JobProgress progress,
                  std::ostream& err, bool fileBar, const Terminal& terminal) {
    CStreamConverter job(planned.source.c_str(), planned.dest.c_str(), options.fallbackRate);
    for (const std::string& source : planned.joined)
        job.AddSource(source);
    job.SetReplace(options.force);
    job.SetFormat(options.format);
    // A join's bar runs over all its sources: it is named after what it makes.
    const std::string& named = planned.joined.empty() ? planned.source : planned.dest;
    std::optional<ProgressBar> bar;
    if (fileBar)
        bar.emplace(err, Utf8(FsPath(named).filename()), WidthOf(terminal));
    progress.bar = bar ? &*bar : nullptr;
    job.SetCallback(&progress, OnProgress);
    const auto start = std::chrono::steady_clock::now();
    const int result = RunConverter(&job);
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    if (bar)
        bar->Clear();
    if (result != 0) // with DestinationExists: the destination appeared while the job ran
        return EndedBy(planned, job.GetFailure(), options);
    if (options.quiet)
        return {Outcome::Converted, {}};
    return {Outcome::Converted,
            FormatSummary(planned.source, planned.dest, job.Stats(), taken.count())};
}

JobEnd RunJob(const PlannedJob& job, const CommandOptions& options, JobProgress progress,
              std::ostream& err, bool fileBar, const Terminal& terminal) {
    if (job.refusal)
        return EndedBy(job, job.refusal, options);
    try {
        return ConvertOne(job, options, progress, err, fileBar, terminal);
    } catch (const std::bad_alloc&) {
        // What this source held is freed again; the next may fit.
        return {Outcome::Failed, SafeMessage(SourceFailure(job.source, kOutOfMemoryCause))};
    }
}

std::int64_t SizeOf(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(FsPath(path), ec);
    return ec ? 0 : std::int64_t(size);
}

// What the batch line counts as all there is to read: the sources that are
// to be converted, at their sizes now.
std::vector<std::int64_t> SourceSizes(const std::vector<PlannedJob>& jobs) {
    std::vector<std::int64_t> sizes;
    for (const PlannedJob& job : jobs) {
        std::int64_t size = job.refusal ? 0 : SizeOf(job.source);
        for (const std::string& joined : job.joined)
            size += job.refusal ? 0 : SizeOf(joined);
        sizes.push_back(size);
    }
    return sizes;
}

} // namespace

int RunCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
               const Terminal& terminal, bool* stopped) {
    if (stopped != nullptr)
        *stopped = false;
    if (options.probe)
        return ProbeAll(options, out, err);
    if (const Failure failure = PrepareOutputDir(options.outputDir)) {
        ReportError(err, SafeMessage(failure));
        return kExitFailure;
    }

    const std::vector<PlannedJob> jobs = PlanJobs(options);
    BatchReport report(out, err);
    // Several bars at once would overwrite each other: a batch converting
    // several files at once gets one line for all of them.
    const bool progress = terminal.showProgress && !options.quiet;
    const bool batchLine = progress && options.jobs > 1 && jobs.size() > 1;
    if (batchLine)
        report.ShowBatchLine(SourceSizes(jobs), WidthOf(terminal));
    const std::size_t started = RunInOrder(
        jobs.size(), options.jobs,
        [] { return InterruptSignal() == 0; }, // the caller then ends the process as it asks
        [&](std::size_t i) {
            const JobProgress to{nullptr, batchLine ? &report : nullptr, i};
            const JobEnd end = RunJob(jobs[i], options, to, err, progress && !batchLine, terminal);
            report.Finished(i, end.outcome, end.line);
        });
    report.EndBatchLine();

    const std::size_t unstarted = jobs.size() - started;
    if (stopped != nullptr)
        *stopped = report.AnyCancelled() || unstarted > 0;
    // In a long batch the error lines are easy to miss, and a quiet one
    // would otherwise end without a word.
    if (jobs.size() > 1)
        report.RunLine(report.Tally(unstarted));
    return report.Failed() > 0 ? kExitFailure : kExitSuccess;
}
