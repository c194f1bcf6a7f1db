#include "cli/command_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <ostream>
#include <thread>

#include "cli/program_name.h"
#include "cli/safe_text.h"
#include "convert/ffmpeg_version.h"

namespace {

int UsageError(std::ostream& err, const std::string& cause) {
    err << kProgramName << ": " << SafeText(cause) << "\n"
        << "Run '" << kProgramName << " --help' for usage.\n";
    return kExitUsage;
}

// -j 0: as many jobs as the machine has cores (the system may not know: 1).
int JobsFor(int asked) {
    return asked > 0 ? asked : std::max(1, int(std::thread::hardware_concurrency()));
}

} // namespace

ParsedCommand ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                               std::ostream& err) {
    ParsedCommand parsed;
    CommandOptions& o = parsed.options;

    CLI::App app{"Converts .264 recordings (H.264 video with IMA ADPCM audio) into AVI files.",
                 kProgramName};
    app.footer("Without -o or -d each result goes next to its source, named like it with .avi.\n"
               "A destination that is a symbolic link is replaced by the AVI; the file it\n"
               "points to is left as it was. With more than one source, a failure ends the\n"
               "run with a tally on stderr.\n"
               "Exit status: 0 when every source converted, 1 when any failed (the others\n"
               "are still converted), 2 for a usage error.");
    // GNU style on every system: on Windows CLI11 would take "/data/cam1.264"
    // for an option.
    app.allow_windows_style_options(false);
    // The first line is what help2man and scripts read the version from.
    app.set_version_flag("--version", std::string(kProgramName) + " " + VELTRANO_VERSION +
                                          "\nFFmpeg " + FfmpegVersion());
    app.add_option("SOURCE", o.sources, "recordings to convert")->required();
    auto* output =
        app.add_option("-o,--output", o.outputFile, "destination, only with a single SOURCE")
            ->type_name("FILE");
    auto* outputDir =
        app.add_option("-d,--output-dir", o.outputDir, "put each result in DIR")->type_name("DIR");
    output->excludes(outputDir);
    app.add_option("--fps", o.fallbackRate,
                   "frame rate when a recording's header gives none: " +
                       std::to_string(kMinFrameRate) + " to " + std::to_string(kMaxFrameRate) +
                       ", default " + std::to_string(kDefaultFrameRate))
        ->type_name("N")
        ->check(CLI::Range(kMinFrameRate, kMaxFrameRate));
    std::string format;
    auto* formatOption =
        app.add_option("--format", format,
                       "avi (the default), or mp4 for browsers and phones: the picture copied, "
                       "the sound in AAC")
            ->type_name("FORMAT");
    std::string jobs;
    auto* jobsOption =
        app.add_option("-j,--jobs", jobs,
                       "convert up to N sources at once, 0 for one per core; default 1")
            ->type_name("N");
    auto* force = app.add_flag("-f,--force", o.force, "replace existing destinations");
    app.add_flag("-q,--quiet", o.quiet, "only error lines and the tally");
    auto* probe =
        app.add_flag("--probe", o.probe, "write nothing; report what each recording holds");
    // Probing writes nothing, so a destination or --force would be silently
    // ignored; it reads at the disk's speed and reports in the sources' order,
    // one at a time, so -j would be too.
    probe->excludes(output)->excludes(outputDir)->excludes(force)->excludes(formatOption);
    probe->excludes(jobsOption);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        parsed.exitCode = app.exit(e, out, err);
        return parsed;
    } catch (const CLI::ParseError& e) {
        parsed.exitCode = UsageError(err, e.what());
        return parsed;
    }

    if ((output->count() > 0 && o.outputFile.empty()) ||
        (outputDir->count() > 0 && o.outputDir.empty())) {
        parsed.exitCode = UsageError(err, "an empty destination was given");
        return parsed;
    }
    if (!o.outputFile.empty() && o.sources.size() > 1) {
        parsed.exitCode = UsageError(err, "--output names one destination but " +
                                              std::to_string(o.sources.size()) +
                                              " sources were given; use --output-dir");
        return parsed;
    }
    // A name that ends in .mp4 asks for MP4; --format must not say otherwise
    // of a name that ends in .avi or .mp4.
    o.format = FormatOfName(o.outputFile);
    if (formatOption->count() > 0) {
        if (format != "avi" && format != "mp4") {
            parsed.exitCode = UsageError(err, "--format: '" + format + "' is neither avi nor mp4");
            return parsed;
        }
        const OutputFormat asked = format == "mp4" ? OutputFormat::Mp4 : OutputFormat::Avi;
        const OutputFormat other =
            asked == OutputFormat::Mp4 ? OutputFormat::Avi : OutputFormat::Mp4;
        if (HasExtension(o.outputFile, other)) {
            parsed.exitCode =
                UsageError(err, "--format " + format + " but the destination is " + o.outputFile);
            return parsed;
        }
        o.format = asked;
    }
    for (const std::string& s : o.sources) {
        if (s.empty()) {
            parsed.exitCode = UsageError(err, "an empty SOURCE was given");
            return parsed;
        }
    }
    if (jobsOption->count() > 0) {
        int asked = -1;
        const auto [end, error] = std::from_chars(jobs.data(), jobs.data() + jobs.size(), asked);
        if (error != std::errc() || end != jobs.data() + jobs.size() || asked < 0) {
            parsed.exitCode =
                UsageError(err, "--jobs: '" + jobs + "' is not a number of jobs, 0 or more");
            return parsed;
        }
        o.jobs = JobsFor(asked);
    }
    parsed.proceed = true;
    return parsed;
}
