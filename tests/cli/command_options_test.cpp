// How the command line is read: what proceeds, what is a usage error (exit 2)
// and what only prints help or the version.
#include <cctype>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/command_options.h"

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

    p = ParseArgs({"--probe", "--fps", "12", "a.264"});
    ASSERT_TRUE(p.parsed.proceed) << p.err;
    EXPECT_TRUE(p.parsed.options.probe);
    EXPECT_EQ(p.parsed.options.fallbackRate, 12);
}

TEST(CommandOptions, HelpAndVersionPrintAndStopWithSuccess) {
    Parse p = ParseArgs({"--help"});
    EXPECT_FALSE(p.parsed.proceed);
    EXPECT_EQ(p.parsed.exitCode, 0);
    for (const char* option : {"--output", "--output-dir", "--fps", "--jobs", "--force", "--quiet",
                               "--probe", "--version", "SOURCE"})
        EXPECT_NE(p.out.find(option), std::string::npos) << option;
    EXPECT_TRUE(p.err.empty());

    p = ParseArgs({"--version"});
    EXPECT_FALSE(p.parsed.proceed);
    EXPECT_EQ(p.parsed.exitCode, 0);
    // The program's version, then the version of the FFmpeg it runs on.
    const std::string first = std::string("veltrano-convert ") + VELTRANO_VERSION + "\nFFmpeg ";
    EXPECT_EQ(p.out.rfind(first, 0), 0u) << p.out;
    EXPECT_TRUE(p.out.size() > first.size() + 1 && std::isdigit(p.out[first.size()]) &&
                p.out.find('\n', first.size()) == p.out.size() - 1)
        << p.out;
}

class CommandOptionsUsageError : public testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CommandOptionsUsageError, ExitsWithTwoAndSaysWhy) {
    const Parse p = ParseArgs(GetParam());
    EXPECT_FALSE(p.parsed.proceed);
    EXPECT_EQ(p.parsed.exitCode, kExitUsage);
    EXPECT_EQ(p.err.rfind("veltrano-convert: ", 0), 0u) << p.err;
    EXPECT_NE(p.err.find("--help"), std::string::npos) << p.err;
    EXPECT_TRUE(p.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandOptionsUsageError,
    testing::Values(std::vector<std::string>{},                           // no source
                    std::vector<std::string>{"--fps", "0", "a.264"},      // below 1
                    std::vector<std::string>{"--fps", "31", "a.264"},     // above 30
                    std::vector<std::string>{"--fps", "-5", "a.264"},     // negative
                    std::vector<std::string>{"--fps", "twenty", "a.264"}, // not a number
                    std::vector<std::string>{"--fps", "12.5", "a.264"},   // not whole
                    std::vector<std::string>{"a.264", "--fps"},           // value missing
                    std::vector<std::string>{"-o", "x.avi", "a.264", "b.264"},
                    std::vector<std::string>{"-o", "x.avi", "-d", "out", "a.264"},
                    std::vector<std::string>{"-o", "", "a.264"},
                    std::vector<std::string>{"-d", "", "a.264"},
                    std::vector<std::string>{"--probe", "-o", "x.avi", "a.264"},
                    std::vector<std::string>{"--probe", "-d", "out", "a.264"},
                    std::vector<std::string>{"--probe", "--force", "a.264"},
                    std::vector<std::string>{"--format", "mkv", "a.264"},
                    std::vector<std::string>{"--format", "mp4", "-o", "x.avi", "a.264"},
                    std::vector<std::string>{"--format", "avi", "-o", "x.Mp4", "a.264"},
                    std::vector<std::string>{"--probe", "--format", "mp4", "a.264"},
                    std::vector<std::string>{"-j", "-2", "a.264"},      // negative
                    std::vector<std::string>{"--jobs", "all", "a.264"}, // not a number
                    std::vector<std::string>{"-j", "1.5", "a.264"},     // not whole
                    std::vector<std::string>{"--probe", "-j", "2", "a.264"},
                    std::vector<std::string>{"--bogus", "a.264"},
                    std::vector<std::string>{"-x", "a.264"},
                    std::vector<std::string>{"a.264", ""}));

} // namespace
