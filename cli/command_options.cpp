#include "cli/command_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <ostream>
#include <thread>

#include "cli/help_text.h"
#include "cli/program_name.h"
#include "cli/safe_text.h"

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

// A frame rate as --fps takes it: a whole number in the range a header can
// give. Returns why `text` is none, empty when it is one (then in `rate`).
std::string ParseRate(const std::string& text, int& rate) {
    const char* const end = text.data() + text.size();
    int value = 0;
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    const bool digits = !text.empty() && stop == end && error != std::errc::invalid_argument;
    if (!digits)
        return "'" + text + "' is not a whole number";
    if (error == std::errc::result_out_of_range || value < kMinFrameRate || value > kMaxFrameRate)
        return text + " is out of range (" + std::to_string(kMinFrameRate) + " to " +
               std::to_string(kMaxFrameRate) + ")";
    rate = value;
    return {};
}

} // namespace

ParsedCommand ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                               std::ostream& err) {
    ParsedCommand parsed;
    CommandOptions& o = parsed.options;

    CLI::App app{"", kProgramName};
    // GNU style on every system: on Windows CLI11 would take "/data/cam1.264"
    // for an option.
    app.allow_windows_style_options(false);
    // --help and --version print our own text (cli/help_text.cpp): CLI11's
    // layout is not the GNU one that users and help2man expect. The type
    // names are for CLI11's messages ("--fps: 1 required N missing").
    app.set_version_flag("--version", "");
    app.add_option("SOURCE", o.sources)->required();
    auto* output = app.add_option("-o,--output", o.outputFile)->type_name("FILE");
    auto* outputDir = app.add_option("-d,--output-dir", o.outputDir)->type_name("DIR");
    output->excludes(outputDir);
    std::string rate;
    auto* rateOption = app.add_option("--fps", rate)->type_name("N");
    std::string format;
    auto* formatOption = app.add_option("--format", format)->type_name("FORMAT");
    std::string jobs;
    auto* jobsOption = app.add_option("-j,--jobs", jobs)->type_name("N");
    auto* force = app.add_flag("-f,--force", o.force);
    // Keeping and replacing an existing destination cannot both be asked for.
    auto* noClobber = app.add_flag("-n,--no-clobber", o.noClobber)->excludes(force);
    app.add_flag("-q,--quiet", o.quiet);
    auto* probe = app.add_flag("--probe", o.probe);
    app.add_flag("--json", o.json)->needs(probe);
    // Probing writes nothing, so a destination or --force would be silently
    // ignored; it reads at the disk's speed and reports in the sources' order,
    // one at a time, so -j would be too.
    probe->excludes(output)->excludes(outputDir)->excludes(force)->excludes(formatOption);
    probe->excludes(jobsOption)->excludes(noClobber);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForVersion&) {
        out << VersionText();
        return parsed;
    } catch (const CLI::Success&) { // --help
        out << HelpText();
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
    if (rateOption->count() > 0) {
        if (const std::string cause = ParseRate(rate, o.fallbackRate); !cause.empty()) {
            parsed.exitCode = UsageError(err, "--fps: " + cause);
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
