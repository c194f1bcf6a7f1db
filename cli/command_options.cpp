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

// The values of --format, --fps and -j as CLI11 reads them: the value to
// read, or CLI::ValidationError with why the text is none, which CLI11
// reports after the option's name ("--fps: ..."). The numbers are handed on
// in plain decimal: CLI11 itself would read "010" as octal and refuse "08".

std::string FormatName(const std::string& text) {
    if (text != "avi" && text != "mp4")
        throw CLI::ValidationError("'" + text + "' is neither avi nor mp4");
    return text;
}

// A whole number in the range a header can give.
std::string FrameRate(const std::string& text) {
    const char* const end = text.data() + text.size();
    int value = 0;
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    const bool digits = !text.empty() && stop == end && error != std::errc::invalid_argument;
    if (!digits)
        throw CLI::ValidationError("'" + text + "' is not a whole number");
    if (error == std::errc::result_out_of_range || value < kMinFrameRate || value > kMaxFrameRate)
        throw CLI::ValidationError(text + " is out of range (" + std::to_string(kMinFrameRate) +
                                   " to " + std::to_string(kMaxFrameRate) + ")");
    return std::to_string(value);
}

// A number of jobs, 0 or more, 0 standing for one per core.
std::string JobCount(const std::string& text) {
    int asked = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), asked);
    if (error != std::errc() || end != text.data() + text.size() || asked < 0)
        throw CLI::ValidationError("'" + text + "' is not a number of jobs, 0 or more");
    return std::to_string(JobsFor(asked));
}

// The checks that concern more than one option, or a whole value: CLI11
// runs them once the command line is read and its own checks passed.

void CheckDestinations(const CLI::App& app, const CommandOptions& o) {
    if ((app.count("--output") > 0 && o.outputFile.empty()) ||
        (app.count("--output-dir") > 0 && o.outputDir.empty()))
        throw CLI::ValidationError("an empty destination was given");
    if (o.join && o.outputFile.empty())
        throw CLI::ValidationError("--join writes one file: name it with --output");
    if (!o.join && !o.outputFile.empty() && o.sources.size() > 1)
        throw CLI::ValidationError("--output names one destination but " +
                                   std::to_string(o.sources.size()) +
                                   " sources were given; use --output-dir, or --join");
}

// A name that ends in .mp4 asks for MP4; --format (`asked`, empty when not
// given) must not say otherwise of a name that ends in .avi or .mp4.
void ChooseFormat(CommandOptions& o, const std::string& asked) {
    o.format = FormatOfName(o.outputFile);
    if (asked.empty())
        return;
    const OutputFormat format = asked == "mp4" ? OutputFormat::Mp4 : OutputFormat::Avi;
    const OutputFormat other = format == OutputFormat::Mp4 ? OutputFormat::Avi : OutputFormat::Mp4;
    if (HasExtension(o.outputFile, other))
        throw CLI::ValidationError("--format " + asked + " but the destination is " + o.outputFile);
    o.format = format;
}

void CheckSources(const std::vector<std::string>& sources) {
    for (const std::string& s : sources)
        if (s.empty())
            throw CLI::ValidationError("an empty SOURCE was given");
}

// --help and --version print our own text (cli/help_text.cpp): CLI11's
// layout is not the GNU one that users and help2man expect. Both are flags
// whose callbacks throw: CLI11 would check the values of the other options
// before its own help flag, and --help wins over any mistake on the line.
void DeclareHelpAndVersion(CLI::App& app) {
    app.set_version_flag("--version", "");
    app.set_help_flag();
    app.add_flag_callback("-h,--help", [] { throw CLI::CallForHelp(); });
}

// Every option, how CLI11 reads and checks it, and which exclude each
// other. `format` receives --format's value. The type names are for CLI11's
// messages ("--fps: 1 required N missing").
void DeclareOptions(CLI::App& app, CommandOptions& o, std::string& format) {
    app.add_option("SOURCE", o.sources)->required();
    auto* output = app.add_option("-o,--output", o.outputFile)->type_name("FILE");
    auto* outputDir = app.add_option("-d,--output-dir", o.outputDir)->type_name("DIR");
    output->excludes(outputDir);
    auto* formatOption =
        app.add_option("--format", format)->type_name("FORMAT")->transform(FormatName);
    app.add_option("--fps", o.fallbackRate)->type_name("N")->transform(FrameRate);
    auto* jobs = app.add_option("-j,--jobs", o.jobs)->type_name("N")->transform(JobCount);
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
    probe->excludes(jobs)->excludes(noClobber);
    // A join is one job into one named file: no folder, nothing to run at once.
    app.add_flag("--join", o.join)->excludes(probe)->excludes(outputDir)->excludes(jobs);
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
    DeclareHelpAndVersion(app);
    std::string format;
    DeclareOptions(app, o, format);
    app.final_callback([&] {
        CheckDestinations(app, o);
        ChooseFormat(o, format);
        CheckSources(o.sources);
    });
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForVersion&) {
        out << VersionText();
        return parsed;
    } catch (const CLI::CallForHelp&) {
        out << HelpText();
        return parsed;
    } catch (const CLI::ParseError& e) {
        parsed.exitCode = UsageError(err, e.what());
        return parsed;
    }
    parsed.proceed = true;
    return parsed;
}
