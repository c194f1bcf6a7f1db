// How the command line is read: what proceeds, what is a usage error (exit 2)
// and what only prints help or the version.
#include <cctype>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/command_options.h"
#include "tests/cli/cli_test_support.h"

namespace {

struct Parse {
    ParsedCommand parsed;
    std::string out;
    std::string err;
};

Parse ParseArgs(std::vector<std::string> args) {
    args.insert(args.begin(), "veltrano-convert");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    Parse p;
    p.parsed = ParseCommandLine(int(argv.size()), argv.data(), out, err);
    p.out = out.str();
    p.err = err.str();
    return p;
}

TEST(CommandOptions, PlainSourcesTakeTheDocumentedDefaults) {
    const Parse p = ParseArgs({"a.264", "b.264"});
    ASSERT_TRUE(p.parsed.proceed) << p.err;
    const CommandOptions& o = p.parsed.options;
    EXPECT_EQ(o.sources, (std::vector<std::string>{"a.264", "b.264"}));
    EXPECT_EQ(o.fallbackRate, 25);
    EXPECT_FALSE(o.force);
    EXPECT_FALSE(o.quiet);
    EXPECT_FALSE(o.probe);
    EXPECT_FALSE(o.noClobber);
    EXPECT_FALSE(o.json);
    EXPECT_TRUE(o.outputFile.empty());
    EXPECT_TRUE(o.outputDir.empty());
    EXPECT_EQ(o.jobs, 1);
    EXPECT_TRUE(p.err.empty());
}

TEST(CommandOptions, ShortAndLongFormsInAnyOrder) {
    Parse p = ParseArgs({"a.264", "-fq", "--fps", "30", "-o", "x.avi"});
    ASSERT_TRUE(p.parsed.proceed) << p.err;
    EXPECT_TRUE(p.parsed.options.force);
    EXPECT_TRUE(p.parsed.options.quiet);
    EXPECT_EQ(p.parsed.options.fallbackRate, 30);
    EXPECT_EQ(p.parsed.options.outputFile, "x.avi");

    p = ParseArgs({"--output-dir", "out", "--force", "--quiet", "--fps=1", "a.264", "b.264"});
    ASSERT_TRUE(p.parsed.proceed) << p.err;
    EXPECT_EQ(p.parsed.options.outputDir, "out");
    EXPECT_EQ(p.parsed.options.fallbackRate, 1);
    EXPECT_EQ(p.parsed.options.sources.size(), 2u);
    // Numbers are decimal, leading zeros or not (never octal).
    p = ParseArgs({"--fps", "010", "-j", "08", "a.264"});
    ASSERT_TRUE(p.parsed.proceed) << p.err;
    EXPECT_EQ(p.parsed.options.fallbackRate, 10);
    EXPECT_EQ(p.parsed.options.jobs, 8);

    // A leading slash is a path on every system, never an option.
    p = ParseArgs({"/data/cam1.264"});
    ASSERT_TRUE(p.parsed.proceed) << p.err;
    EXPECT_EQ(p.parsed.options.sources, std::vector<std::string>{"/data/cam1.264"});

    // The container: asked for, or said by the destination's name.
    const struct {
        std::vector<std::string> args;
        OutputFormat format;
    } formats[] = {{{"a.264"}, OutputFormat::Avi},
                   {{"--format", "mp4", "a.264"}, OutputFormat::Mp4},
                   {{"--format=avi", "-o", "x", "a.264"}, OutputFormat::Avi},
                   {{"-o", "x.MP4", "a.264"}, OutputFormat::Mp4},
                   {{"--format", "mp4", "-o", "x.mkv", "a.264"}, OutputFormat::Mp4}};
    for (const auto& f : formats) {
        p = ParseArgs(f.args);
        ASSERT_TRUE(p.parsed.proceed) << p.err;
        EXPECT_EQ(p.parsed.options.format, f.format) << f.args.front();
    }

    // Jobs at once; 0 is one per core, however many the machine has.
    for (const auto& [args, jobs] : {std::pair<std::vector<std::string>, int>{{"-j", "3"}, 3},
                                     {{"-j2"}, 2},
                                     {{"--jobs=1"}, 1}}) {
        std::vector<std::string> withSource = args;
        withSource.push_back("a.264");
        p = ParseArgs(withSource);
        ASSERT_TRUE(p.parsed.proceed) << p.err;
        EXPECT_EQ(p.parsed.options.jobs, jobs) << args.front();
    }
    p = ParseArgs({"--jobs", "0", "a.264"});
    ASSERT_TRUE(p.parsed.proceed) << p.err;
    EXPECT_EQ(p.parsed.options.jobs, int(std::max(1u, std::thread::hardware_concurrency())));

    p = ParseArgs({"--probe", "--fps", "12", "--json", "a.264"});
    ASSERT_TRUE(p.parsed.proceed) << p.err;
    EXPECT_TRUE(p.parsed.options.probe);
    EXPECT_TRUE(p.parsed.options.json);
    EXPECT_EQ(p.parsed.options.fallbackRate, 12);
}

TEST(CommandOptions, HelpAndVersionPrintAndStopWithSuccess) {
    Parse p = ParseArgs({"--help"});
    EXPECT_FALSE(p.parsed.proceed);
    EXPECT_EQ(p.parsed.exitCode, 0);
    for (const char* option : {"--output=", "--output-dir=", "--fps=", "--jobs=", "--force",
                               "--no-clobber", "--quiet", "--probe", "--json", "--version",
                               "(created if missing)", "\nExit status:\n", "\nReport bugs to: "})
        EXPECT_NE(p.out.find(option), std::string::npos) << option;
    EXPECT_TRUE(p.err.empty());
    // The GNU layout, none of CLI11's, and word for word the README's.
    EXPECT_EQ(p.out.rfind("Usage: veltrano-convert [OPTION]... SOURCE...\n", 0), 0u) << p.out;
    EXPECT_EQ(p.out.find_first_of("\t\r"), std::string::npos);
    for (std::size_t at = 0, end; (end = p.out.find('\n', at)) != std::string::npos; at = end + 1)
        EXPECT_LE(end - at, 79u) << p.out.substr(at, end - at);
    for (const char* decoration : {"TEXT", "REQUIRED", "Excludes", "INT", "Positionals"})
        EXPECT_EQ(p.out.find(decoration), std::string::npos) << decoration;
    const std::string readme = clitest::ReadText(VELTRANO_SOURCE_DIR "/README.md");
    const std::string heading = "## Command line\n\n```\n";
    const std::size_t block = readme.find(heading);
    ASSERT_NE(block, std::string::npos) << "no Command line section in the README";
    const std::size_t from = block + heading.size();
    EXPECT_EQ(readme.substr(from, readme.find("```", from) - from), p.out);
    // --help wins over any mistake elsewhere on the line.
    const std::string help = p.out;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--fps", "0", "-h"},
                                                 {"--json", "-j", "x", "--help", "-o", ""}}) {
        p = ParseArgs(args);
        EXPECT_FALSE(p.parsed.proceed);
        EXPECT_EQ(p.parsed.exitCode, 0);
        EXPECT_EQ(p.out, help) << args.back();
        EXPECT_EQ(p.err, "");
    }

    p = ParseArgs({"--version"});
    EXPECT_FALSE(p.parsed.proceed);
    EXPECT_EQ(p.parsed.exitCode, 0);
    // The program's version, the FFmpeg it runs on, the copyright and licence.
    const std::string first = std::string("veltrano-convert ") + VELTRANO_VERSION + "\nFFmpeg ";
    EXPECT_EQ(p.out.rfind(first, 0), 0u) << p.out;
    const std::string rest = "\nCopyright (C) 2026 The Veltrano developers.\n"
                             "License MIT: <https://opensource.org/licenses/MIT>.\n"
                             "This is free software: you are free to change and redistribute it.\n"
                             "There is NO WARRANTY, to the extent permitted by law.\n";
    EXPECT_TRUE(p.out.size() > first.size() + 1 && std::isdigit(p.out[first.size()]) &&
                p.out.find('\n', first.size()) == p.out.size() - rest.size())
        << p.out;
    EXPECT_EQ(p.out.substr(p.out.size() - rest.size()), rest);
}

// Each case and a part of what the error says.
using UsageCase = std::pair<std::vector<std::string>, std::string>;
class CommandOptionsUsageError : public testing::TestWithParam<UsageCase> {};

TEST_P(CommandOptionsUsageError, ExitsWithTwoAndSaysWhy) {
    const Parse p = ParseArgs(GetParam().first);
    EXPECT_FALSE(p.parsed.proceed);
    EXPECT_EQ(p.parsed.exitCode, kExitUsage);
    EXPECT_EQ(p.err.rfind("veltrano-convert: ", 0), 0u) << p.err;
    EXPECT_NE(p.err.find(GetParam().second), std::string::npos) << p.err;
    EXPECT_NE(p.err.find("--help"), std::string::npos) << p.err;
    EXPECT_TRUE(p.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandOptionsUsageError,
    testing::Values(UsageCase{{}, "SOURCE"}, // no source
                    UsageCase{{"--fps", "0", "a.264"}, "--fps: 0 is out of range (1 to 30)"},
                    UsageCase{{"--fps", "31", "a.264"}, "--fps: 31 is out of range"},
                    UsageCase{{"--fps", "-5", "a.264"}, "out of range"},
                    UsageCase{{"--fps", "twenty", "a.264"}, "'twenty' is not a whole number"},
                    UsageCase{{"--fps", "12.5", "a.264"}, "--fps: '12.5' is not a whole number"},
                    UsageCase{{"a.264", "--fps"}, "--fps"}, // value missing
                    UsageCase{{"-o", "x.avi", "a.264", "b.264"}, "--output-dir"},
                    UsageCase{{"-o", "x.avi", "-d", "out", "a.264"}, "--output-dir"},
                    UsageCase{{"-o", "", "a.264"}, "empty destination"},
                    UsageCase{{"-d", "", "a.264"}, "empty destination"},
                    UsageCase{{"--probe", "-o", "x.avi", "a.264"}, "--probe"},
                    UsageCase{{"--probe", "-d", "out", "a.264"}, "--probe"},
                    UsageCase{{"--probe", "--force", "a.264"}, "--probe"},
                    UsageCase{{"--probe", "-n", "a.264"}, "--probe"},
                    UsageCase{{"--json", "a.264"}, "--json requires --probe"},
                    UsageCase{{"-n", "--force", "a.264"}, "--force excludes --no-clobber"},
                    UsageCase{{"--format", "mkv", "a.264"}, "'mkv'"},
                    UsageCase{{"--format", "mp4", "-o", "x.avi", "a.264"}, "x.avi"},
                    UsageCase{{"--format", "avi", "-o", "x.Mp4", "a.264"}, "x.Mp4"},
                    UsageCase{{"--probe", "--format", "mp4", "a.264"}, "--probe"},
                    UsageCase{{"-j", "-2", "a.264"}, "'-2'"},       // negative
                    UsageCase{{"--jobs", "all", "a.264"}, "'all'"}, // not a number
                    UsageCase{{"-j", "1.5", "a.264"}, "'1.5'"},     // not whole
                    UsageCase{{"--probe", "-j", "2", "a.264"}, "--probe"},
                    UsageCase{{"--bogus", "a.264"}, "--bogus"}, UsageCase{{"-x", "a.264"}, "-x"},
                    UsageCase{{"a.264", ""}, "empty SOURCE"},
                    UsageCase{{"--join", "a.264", "b.264"}, "--join writes one file"},
                    UsageCase{{"--join", "-j", "2", "-o", "x.avi", "a.264"}, "--join"},
                    UsageCase{{"--join", "-d", "out", "a.264"}, "--join"}));

} // namespace
