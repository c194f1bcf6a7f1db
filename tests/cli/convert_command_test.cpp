// veltrano-convert end to end on generated recordings: exit statuses,
// destinations, refusals, the summary's and --probe's figures.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <sstream>

#include "cli/convert_command.h"
#include "cli/report_format.h"
#include "convert/stream_converter.h"
#include "tests/cli/cli_test_support.h"
#include "tests/convert/media_readback.h"

namespace fs = std::filesystem;
using clitest::ReadText;
using clitest::RunConvert;
using clitest::RunResult;

namespace {

std::int64_t CountDamaged(const recgen::Manifest& m) {
    return std::count_if(m.chunks.begin(), m.chunks.end(),
                         [](const recgen::ChunkRecord& c) { return c.damaged; });
}

// The AVI's video time slots: from the first intact frame to the last, the
// frames lost to damage in between included.
std::int64_t VideoSlots(const recgen::Manifest& m) {
    std::int64_t index = 0, first = -1, last = -1;
    for (const recgen::ChunkRecord& c : m.chunks) {
        if (c.kind == recgen::kAudio)
            continue;
        if (!c.damaged) {
            first = first < 0 ? index : first;
            last = index;
        }
        ++index;
    }
    return first < 0 ? 0 : last - first + 1;
}

bool IsAvi(const std::string& path) {
    const std::string bytes = ReadText(path);
    return bytes.size() > 12 && bytes.compare(0, 4, "RIFF") == 0 &&
           bytes.compare(8, 4, "AVI ") == 0;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The summaries in `out`, each its first line and the indented ones under it.
std::vector<std::string> Summaries(const std::string& out) {
    std::vector<std::string> summaries;
    for (const std::string& line : Lines(out))
        if (line.rfind("  ", 0) == 0 && !summaries.empty())
            summaries.back() += "\n" + line;
        else
            summaries.push_back(line);
    return summaries;
}

std::vector<std::string> FolderListing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        names.push_back(fs::relative(entry.path(), dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

// The recordings every test reads; generated once, never modified.
class ConvertCommand : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<ScratchDir>();
        recgen::Options damaged;
        damaged.frames = 50;
        damaged.keyInterval = 10;
        damaged.garbageEvery = 7;
        damaged.bogusLengthAt = 20;
        damaged.truncateLast = true;
        s_damaged = clitest::MakeRecording(*s_dir / "damaged.264", damaged);

        recgen::Options noRate;
        noRate.frames = 30;
        noRate.records = {};
        s_noRate = clitest::MakeRecording(*s_dir / "norate.264", noRate);

        recgen::Options small;
        small.frames = 10;
        small.seed = 7;
        s_small = clitest::MakeRecording(*s_dir / "small.264", small);

        // The first frame alone is a key frame, and its tag says otherwise.
        recgen::Options noKey;
        noKey.frames = 12;
        noKey.keyInterval = 13;
        s_noKey = clitest::MakeRecording(*s_dir / "nokey.264", noKey);
        std::string bytes = ReadText(*s_dir / "nokey.264");
        for (const recgen::ChunkRecord& c : s_noKey.chunks)
            bytes[c.offset + 1] = c.kind == recgen::kKeyVideo ? '1' : bytes[c.offset + 1];
        clitest::WriteText(*s_dir / "nokey.264", bytes);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    // A copy of a shared recording inside this test's own folder.
    std::string Copy(const std::string& name, const std::string& as) {
        const fs::path to = work.Path() / as;
        fs::create_directories(to.parent_path());
        fs::copy_file(*s_dir / name, to);
        return to.string();
    }

    ScratchDir work;
    static inline std::unique_ptr<ScratchDir> s_dir;
    static inline recgen::Manifest s_damaged, s_noRate, s_small, s_noKey;
};

// The batch tests run with one job at a time and with two at once (-j 2): the
// same outputs, exit statuses and files. With two, each file's line comes as
// it finishes, in an order the tests do not fix.
class ConvertBatch : public ConvertCommand, public testing::WithParamInterface<const char*> {
protected:
    RunResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"-j", GetParam()});
        return RunConvert(args, work.Path());
    }
    // `lines` in the sources' order with one job at a time; sorted with more,
    // all but the last `fixed` ones (the tally).
    std::vector<std::string> Ordered(std::vector<std::string> lines, std::size_t fixed = 0) const {
        if (std::string(GetParam()) != "1" && lines.size() >= fixed)
            std::sort(lines.begin(), lines.end() - std::ptrdiff_t(fixed));
        return lines;
    }
};

INSTANTIATE_TEST_SUITE_P(Jobs, ConvertBatch, testing::Values("1", "2"));

TEST_P(ConvertBatch, GoodSourceIsConvertedWhenAnotherFailsAndExitIsOne) {
    Copy("small.264", "good.264");
    fs::create_directories(work.Path() / "folder.264");
    const RunResult r = Run({"missing.264", "good.264", "folder.264"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(IsAvi(work / "good.avi"));

    const std::vector<std::string> errors = Lines(r.err);
    ASSERT_EQ(errors.size(), 3u) << r.err;
    EXPECT_EQ(errors[2], "veltrano-convert: 1 converted, 2 failed") << "the run ends with a tally";
    // "veltrano-convert: FILE: " and a cause, the system's own text.
    std::vector<std::string> named;
    for (std::size_t i = 0; i < 2; ++i) {
        named.push_back(errors[i].substr(0, errors[i].find(": ", 17) + 2));
        EXPECT_GT(errors[i].size(), named.back().size()) << errors[i];
    }
    EXPECT_EQ(Ordered(named),
              Ordered({"veltrano-convert: missing.264: ", "veltrano-convert: folder.264: "}));
    const std::vector<std::string> summaries = Summaries(r.out);
    ASSERT_EQ(summaries.size(), 1u) << r.out;
    EXPECT_EQ(summaries[0].rfind("good.264 -> good.avi: ", 0), 0u) << summaries[0];
    // Failed sources leave nothing behind, not even a partial file.
    EXPECT_EQ(FolderListing(work.Path()),
              (std::vector<std::string>{"folder.264", "good.264", "good.avi"}));
}

TEST_P(ConvertBatch, EverySourceConvertedMeansExitZero) {
    Copy("small.264", "a.264");
    Copy("norate.264", "b.264");
    const RunResult r = Run({"a.264", "b.264"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Not a terminal: no progress display, only the tally.
    EXPECT_EQ(r.err, "veltrano-convert: 2 converted, 0 failed\n");
    const std::vector<std::string> summaries = Ordered(Summaries(r.out));
    ASSERT_EQ(summaries.size(), 2u) << r.out;
    EXPECT_EQ(summaries[0].rfind("a.264 -> a.avi: ", 0), 0u) << summaries[0];
    EXPECT_EQ(summaries[1].rfind("b.264 -> b.avi: ", 0), 0u) << summaries[1];
    EXPECT_TRUE(IsAvi(work / "a.avi"));
    EXPECT_TRUE(IsAvi(work / "b.avi"));
}

TEST_P(ConvertBatch, DestinationsDefaultNextToTheSourceOrFollowOutputOptions) {
    Copy("small.264", "cam/clip.264");
    RunResult r = Run({"cam/clip.264"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(IsAvi(work / "cam/clip.avi"));

    r = Run({"-o", "named.avi", "cam/clip.264"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(IsAvi(work / "named.avi"));

    // A missing --output-dir is created, nested folders included.
    Copy("norate.264", "other/take2.264");
    r = Run({"-d", "out/day1", "cam/clip.264", "other/take2.264"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(IsAvi(work / "out/day1/clip.avi"));
    EXPECT_TRUE(IsAvi(work / "out/day1/take2.avi"));
    EXPECT_NE(r.out.find("cam/clip.264 -> out/day1/clip.avi: "), std::string::npos) << r.out;

    // MP4 by name, or asked for: beside the source, in --output-dir, or under
    // a name that says nothing.
    r = Run({"-o", "named.MP4", "cam/clip.264"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(work / "named.MP4").substr(4, 4), "ftyp");
    r = Run({"--format", "mp4", "cam/clip.264"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(work / "cam/clip.mp4").substr(4, 4), "ftyp");
    r = Run({"--format", "mp4", "-d", "out/day1", "other/take2.264"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(work / "out/day1/take2.mp4").substr(4, 4), "ftyp");
    r = Run({"--format", "mp4", "-o", "clip-for-mail", "cam/clip.264"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(work / "clip-for-mail").substr(4, 4), "ftyp");

    // An --output-dir that is a file fails every job before any is written.
    clitest::WriteText(work / "plain", "x");
    r = Run({"-d", "plain", "cam/clip.264"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("veltrano-convert: plain: ", 0), 0u) << r.err;
    EXPECT_EQ(ReadText(work / "plain"), "x");
}

TEST_F(ConvertCommand, ExistingDestinationIsKeptWithoutForceAndReplacedWithIt) {
    Copy("small.264", "clip.264");
    clitest::WriteText(work / "clip.avi", "an older result");
    RunResult r = RunConvert({"clip.264"}, work.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(ReadText(work / "clip.avi"), "an older result");
    EXPECT_EQ(r.err.rfind("veltrano-convert: clip.avi: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;

    r = RunConvert({"-f", "clip.264"}, work.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(IsAvi(work / "clip.avi"));

    // A link as destination is itself replaced; the file it names stays.
    clitest::WriteText(work / "named.avi", "kept");
    std::error_code noLinks;
    fs::create_symlink("named.avi", work / "link.avi", noLinks);
    if (noLinks)
        GTEST_SKIP() << "this system makes no symbolic links here: " << noLinks.message();
    r = RunConvert({"-f", "-o", "link.avi", "clip.264"}, work.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(fs::is_symlink(work / "link.avi"));
    EXPECT_TRUE(IsAvi(work / "link.avi"));
    EXPECT_EQ(ReadText(work / "named.avi"), "kept");
    EXPECT_EQ(FolderListing(work.Path()),
              (std::vector<std::string>{"clip.264", "clip.avi", "link.avi", "named.avi"}));
}

TEST_P(ConvertBatch, SourceNamedLikeItsDestinationIsRefusedEvenWithForce) {
    const std::string source = Copy("small.264", "clip.avi");
    const std::string before = ReadText(source);
    for (bool force : {false, true}) {
        const RunResult r = Run(force ? std::vector<std::string>{"-f", "clip.avi"}
                                      : std::vector<std::string>{"clip.avi"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err.rfind("veltrano-convert: clip.avi: ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find("--force"), std::string::npos) << "misleading cause: " << r.err;
        EXPECT_EQ(ReadText(source), before);
    }
    // Nor is one source converted over another, whatever --force says.
    Copy("small.264", "clip.264");
    const RunResult r = Run({"-f", "clip.264", "clip.avi"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Ordered(Lines(r.err), 1).at(0),
              "veltrano-convert: clip.avi: is also a source of this run; not overwriting it");
    EXPECT_EQ(ReadText(source), before);
}

// -n: a source whose destination exists is skipped, said on its line and
// counted, and the run still succeeds; quiet, the tally alone says so.
TEST_P(ConvertBatch, NoClobberSkipsWhatExistsAndCountsIt) {
    Copy("small.264", "a.264");
    Copy("norate.264", "b.264");
    clitest::WriteText(work / "a.avi", "an older result");
    RunResult r = Run({"-n", "a.264", "b.264"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "veltrano-convert: a.264: skipped: a.avi exists\n"
                     "veltrano-convert: 1 converted, 1 skipped, 0 failed\n");
    EXPECT_EQ(Summaries(r.out).size(), 1u) << r.out;
    EXPECT_EQ(ReadText(work / "a.avi"), "an older result");
    EXPECT_TRUE(IsAvi(work / "b.avi"));

    r = Run({"-qn", "a.264", "gone.264", "b.264"});
    EXPECT_EQ(r.exitCode, 1);
    const std::vector<std::string> errors = Lines(r.err);
    ASSERT_EQ(errors.size(), 2u) << r.err; // the failure's line and the tally, no skip line
    EXPECT_EQ(errors[0].rfind("veltrano-convert: gone.264: ", 0), 0u) << r.err;
    EXPECT_EQ(errors[1], "veltrano-convert: 0 converted, 2 skipped, 1 failed");
    EXPECT_TRUE(r.out.empty()) << r.out;
}

// A name could otherwise start a line of its own or send the terminal
// escape sequences; plain names stay plain.
TEST_P(ConvertBatch, NamesAreShownEscapedSoTheyCannotForgeLinesOrDriveTheTerminal) {
    if (fs::path::preferred_separator != '/')
        GTEST_SKIP() << "Windows takes no control characters in file names";
    const std::string forged = "a\nveltrano-convert: b";
    Copy("small.264", forged + ".264");
    const RunResult r =
        Run({forged + ".264", "\033]0;it's\a.264", "bad\xff\xe6 \x7f name.264", "it's ü.264"});
    EXPECT_EQ(r.exitCode, 1);
    const std::string quoted = "'a'$'\\n''veltrano-convert: b";
    EXPECT_EQ(r.out.rfind(quoted + ".264' -> " + quoted + ".avi': ", 0), 0u) << r.out;
    const std::string missing = std::string(": ") + std::strerror(ENOENT);
    EXPECT_EQ(Ordered(Lines(r.err), 1),
              Ordered({"veltrano-convert: $'\\033'']0;it'\\''s'$'\\a''.264'" + missing,
                       "veltrano-convert: 'bad'$'\\377\\346'' '$'\\177'' name.264'" + missing,
                       "veltrano-convert: it's ü.264" + missing,
                       "veltrano-convert: 1 converted, 3 failed"},
                      1));

    CommandOptions options;
    options.sources = {Copy("small.264", "\033[2J.264")};
    std::ostringstream out, err;
    EXPECT_EQ(RunCommand(options, out, err, Terminal{true, 80, {}}), 0);
    EXPECT_NE(err.str().find("$'\\033''[2J.264' ["), std::string::npos) << err.str();
    EXPECT_EQ((out.str() + err.str()).find_first_of("\033\a"), std::string::npos);
}

TEST_P(ConvertBatch, OneRunNeverOverwritesItsOwnResult) {
    Copy("small.264", "cam1/clip.264");
    Copy("damaged.264", "cam2/clip.264");
    Copy("small.264", "reference.264");
    ASSERT_EQ(RunConvert({"-q", "-o", "reference.avi", "reference.264"}, work.Path()).exitCode, 0);

    const RunResult r = Run({"-f", "-d", "out", "cam1/clip.264", "cam2/clip.264"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Summaries(r.out).size(), 1u) << r.out;
    EXPECT_EQ(r.err.rfind("veltrano-convert: out/clip.avi: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("1 converted, 1 failed"), std::string::npos) << r.err;
    // The first source's result is intact.
    EXPECT_EQ(ReadText(work / "out/clip.avi"), ReadText(work / "reference.avi"));
}

TEST_F(ConvertCommand, QuietPrintsNothingOnSuccessButStillReportsErrors) {
    Copy("small.264", "clip.264");
    RunResult r = RunConvert({"-q", "clip.264"}, work.Path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_TRUE(IsAvi(work / "clip.avi"));

    r = RunConvert({"-q", "gone.264"}, work.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("veltrano-convert: gone.264: ", 0), 0u) << r.err;
}

TEST_F(ConvertCommand, UsageErrorExitsTwoAndWritesNothing) {
    Copy("small.264", "clip.264");
    for (const auto& args : {std::vector<std::string>{"--fps", "0", "clip.264"},
                             std::vector<std::string>{"-o", "x.avi", "clip.264", "clip.264"},
                             std::vector<std::string>{"--no-such-option", "clip.264"},
                             std::vector<std::string>{"-j", "-1", "clip.264"},
                             std::vector<std::string>{"--jobs", "two", "clip.264"}}) {
        const RunResult r = RunConvert(args, work.Path());
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_EQ(FolderListing(work.Path()), std::vector<std::string>{"clip.264"});
    }
}

// "SOURCE -> DEST: DURATION at R fps[ (fallback)], SIZE in T s", then
// "  N video frames (K key), A audio blocks, D damaged chunks dropped".
struct Summary {
    std::int64_t frames = -1, keyFrames = -1, audio = -1, damaged = -1;
    double seconds = -1;
    int rate = -1;
    bool rateFromHeader = false;
};

Summary ParseSummary(const std::string& text) {
    static const std::regex pattern(
        R"(: ([0-9.]+) s at (\d+) fps( \(fallback\))?, [0-9.]+ [kMG]?B in [0-9.]+ s\n  )"
        R"((\d+) video frames \((\d+) key\), (\d+) audio blocks, (\d+) damaged chunks )"
        R"(dropped$)");
    std::smatch m;
    Summary s;
    if (!std::regex_search(text, m, pattern))
        return s;
    s.seconds = std::stod(m[1]);
    s.rate = std::stoi(m[2]);
    s.rateFromHeader = !m[3].matched;
    s.frames = std::stoll(m[4]);
    s.keyFrames = std::stoll(m[5]);
    s.audio = std::stoll(m[6]);
    s.damaged = std::stoll(m[7]);
    return s;
}

TEST_P(ConvertBatch, SummaryCountsWhatTheRecordingHolds) {
    Copy("damaged.264", "damaged.264");
    Copy("norate.264", "norate.264");
    const RunResult r = Run({"--fps", "10", "damaged.264", "norate.264"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Ordered(Summaries(r.out));
    ASSERT_EQ(lines.size(), 2u) << r.out;

    const Summary d = ParseSummary(lines[0]);
    EXPECT_EQ(d.frames, s_damaged.videoFrames) << lines[0];
    EXPECT_EQ(d.keyFrames, s_damaged.keyFrames);
    EXPECT_EQ(d.audio, s_damaged.audioBlocks);
    ASSERT_GT(CountDamaged(s_damaged), 0);
    EXPECT_EQ(d.damaged, CountDamaged(s_damaged));
    EXPECT_EQ(d.rate, 25); // the header's rate wins over --fps
    EXPECT_TRUE(d.rateFromHeader);
    ASSERT_GT(VideoSlots(s_damaged), s_damaged.videoFrames); // lost frames keep their time
    EXPECT_NEAR(d.seconds, double(VideoSlots(s_damaged)) / 25.0, 0.05);

    const Summary n = ParseSummary(lines[1]);
    EXPECT_EQ(n.frames, s_noRate.videoFrames) << lines[1];
    EXPECT_EQ(n.damaged, 0);
    EXPECT_EQ(n.rate, 10);
    EXPECT_FALSE(n.rateFromHeader);
    EXPECT_NEAR(n.seconds, double(s_noRate.videoFrames) / 10.0, 0.05);

    // Without any key frame an MP4 holds the sound alone, and says so.
    Copy("nokey.264", "nokey.264");
    const RunResult k = Run({"--format", "mp4", "nokey.264"});
    ASSERT_EQ(k.exitCode, 0) << k.err;
    EXPECT_EQ(Lines(k.out).size(), 3u) << k.out;
    const std::string sound = FormatDuration(s_noKey.audioBlocks * 321 / 8000.0);
    EXPECT_EQ(k.out.rfind("nokey.264 -> nokey.mp4: " + sound + " of sound, ", 0), 0u) << k.out;
    EXPECT_NE(k.out.find("\n  0 video frames (0 key), " + std::to_string(s_noKey.audioBlocks) +
                         " audio blocks, 0 damaged chunks dropped\n  no key frame: 12 frames "
                         "left out, the MP4 holds no picture\n"),
              std::string::npos)
        << k.out;
}

bool SamePackets(const MediaContents& a, const MediaContents& b) {
    return a.packets.size() == b.packets.size() &&
           std::equal(a.packets.begin(), a.packets.end(), b.packets.begin(),
                      [](const MediaPacket& x, const MediaPacket& y) {
                          return x.stream == y.stream && x.key == y.key && x.dts == y.dts &&
                                 x.data == y.data;
                      });
}

// Not in the batch: -j does not apply to a join, which is one job.
TEST_F(ConvertCommand, JoinWritesTheSourcesAsTheirConcatenationWouldConvert) {
    recgen::Options middle;
    middle.frames = 30;
    middle.keyInterval = 10;
    middle.garbageEvery = 5;
    middle.seed = 4;
    const recgen::Manifest b = clitest::MakeRecording(work / "b.264", middle);
    Copy("small.264", "a.264");
    Copy("norate.264", "c.264"); // the fallback rate is the others' header rate
    clitest::WriteText(work / "all.264", ReadText(work / "a.264") + ReadText(work / "b.264") +
                                             ReadText(work / "c.264"));
    for (const std::string ext : {".avi", ".mp4"}) {
        SCOPED_TRACE(ext);
        RunResult r =
            RunConvert({"--join", "-o", "day" + ext, "a.264", "b.264", "c.264"}, work.Path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "") << "one job: no tally";
        const std::vector<std::string> lines = Lines(r.out);
        ASSERT_EQ(lines.size(), 5u) << r.out;
        EXPECT_EQ(lines[0].rfind("3 recordings -> day" + ext + ": 2.8 s at 25 fps (fallback)", 0),
                  0u);
        EXPECT_EQ(lines[1],
                  "  70 video frames (" +
                      std::to_string(s_small.keyFrames + b.keyFrames + s_noRate.keyFrames) +
                      " key), " +
                      std::to_string(s_small.audioBlocks + b.audioBlocks + s_noRate.audioBlocks) +
                      " audio blocks, 0 damaged chunks dropped");
        EXPECT_EQ(lines[2], "  a.264 starts at 0.0 s (frame 0)");
        EXPECT_EQ(lines[3], "  b.264 starts at 0.4 s (frame 10)");
        EXPECT_EQ(lines[4], "  c.264 starts at 1.6 s (frame 40)");
        ASSERT_EQ(RunConvert({"-o", "all" + ext, "all.264"}, work.Path()).exitCode, 0);
        EXPECT_TRUE(SamePackets(ReadMedia(work / ("day" + ext)), ReadMedia(work / ("all" + ext))));
    }
    RunResult r = RunConvert({"--join", "-n", "-o", "day.avi", "a.264", "b.264"}, work.Path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "veltrano-convert: 2 recordings: skipped: day.avi exists\n");
    recgen::Options cif;
    cif.frames = 5;
    cif.width = 352;
    cif.height = 288;
    clitest::MakeRecording(work / "cif.264", cif);
    // Refused before anything is written, naming the file that differs.
    const std::vector<std::string> before = FolderListing(work.Path());
    r = RunConvert({"--join", "--fps", "10", "-o", "x.avi", "a.264", "c.264"}, work.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "veltrano-convert: c.264: plays at 10 fps (the fallback rate), but a.264 at "
                     "25 fps (from its header); joined recordings need one frame rate\n");
    r = RunConvert({"--join", "-o", "x.mp4", "a.264", "b.264", "cif.264"}, work.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "veltrano-convert: cif.264: shows pictures of 352x288, but a.264 of 720x576; "
                     "joined recordings need one picture size\n");
    r = RunConvert({"--join", "-f", "-o", "./c.264", "a.264", "c.264"}, work.Path());
    EXPECT_EQ(r.err, "veltrano-convert: ./c.264: is one of the recordings joined; choose another "
                     "destination\n");
    EXPECT_EQ(FolderListing(work.Path()), before);
    EXPECT_EQ(ReadText(work / "c.264"), ReadText(*s_dir / "norate.264"));
}

TEST_F(ConvertCommand, ProgressIsDrawnOnATerminalAndClearedBeforeTheSummary) {
    CommandOptions options;
    options.sources = {Copy("damaged.264", "clip.264")};
    std::ostringstream out, err;
    // One source has its own bar, however many jobs may run.
    for (int jobs : {1, 2}) {
        SCOPED_TRACE(jobs);
        options.jobs = jobs;
        options.force = true;
        out.str("");
        err.str("");
        EXPECT_EQ(RunCommand(options, out, err, Terminal{true, 60, {}}), 0);
        const std::string progress = err.str();
        EXPECT_NE(progress.find("clip.264 ["), std::string::npos) << progress;
        EXPECT_NE(progress.find("100%"), std::string::npos) << progress;
        // Ends by blanking the line, so the summary is not printed over a bar.
        EXPECT_EQ(progress.substr(progress.size() - 61), "\r" + std::string(59, ' ') + "\r");
        EXPECT_EQ(Summaries(out.str()).size(), 1u);
    }
    options.jobs = 1;
    // A job that fails clears its bar too: the error starts a line of its own.
    options.sources = {(work.Path() / "junk.264").string()};
    clitest::WriteText(options.sources[0], std::string(300'000, '\x80'));
    err.str("");
    EXPECT_EQ(RunCommand(options, out, err, Terminal{true, 60, {}}), 1);
    EXPECT_NE(err.str().find("\r" + std::string(59, ' ') + "\rveltrano-convert: "),
              std::string::npos)
        << err.str();
    options.sources = {Copy("damaged.264", "clip2.264")};

    options.quiet = true;
    options.force = true;
    err.str("");
    EXPECT_EQ(RunCommand(options, out, err, Terminal{true, 60, {}}), 0);
    EXPECT_TRUE(err.str().empty()) << err.str();

    // Two jobs at once: one line for the batch instead of the files' bars,
    // erased before each summary and drawn again after it, gone at the end.
    options.sources = {Copy("damaged.264", "a.264"), Copy("norate.264", "b.264")};
    options.jobs = 2;
    std::ostringstream both;
    EXPECT_EQ(RunCommand(options, both, both, Terminal{true, 60, {}}), 0);
    const std::string tally = "veltrano-convert: 2 converted, 0 failed\n";
    EXPECT_EQ(both.str(), tally) << "quiet";
    both.str("");
    options.quiet = false;
    EXPECT_EQ(RunCommand(options, both, both, Terminal{true, 60, {}}), 0);
    const std::string text = both.str();
    const std::string clear = "\r" + std::string(59, ' ') + "\r";
    EXPECT_EQ(text.rfind("\r0/2 files [", 0), 0u) << text;
    EXPECT_EQ(text.find(".264 ["), std::string::npos) << "a file's own bar: " << text;
    EXPECT_NE(text.find("2/2 files [" + std::string(13, '#') + "] 100%"), std::string::npos)
        << text;
    for (const std::string& source : options.sources) {
        const std::size_t at = text.find(clear + source + " -> ");
        ASSERT_NE(at, std::string::npos) << source << " in " << text;
        const std::size_t next = text.find("\n\r", at) + 1; // after the summary's last line
        EXPECT_TRUE(text.compare(next, 11, "\r1/2 files ") == 0 ||
                    text.compare(next, 11, "\r2/2 files ") == 0)
            << text.substr(next);
    }
    EXPECT_EQ(text.substr(text.size() - clear.size() - tally.size()), clear + tally);
}

TEST(FormatSummary, DurationCountsEveryTimeSlotAndSaysWhenTheSourceChanged) {
    ConversionStats stats;
    stats.frameRate = 25;
    stats.videoPackets = 10; // the rest of the hour was lost to damage
    stats.videoSlots = 25 * 3661 + 3;
    stats.sizeAtStart = stats.fileSize = 5000;
    std::string line = FormatSummary("a.264", "a.avi", stats, 1.0);
    EXPECT_NE(line.find(": 1:01:01.1 at 25 fps (fallback), "), std::string::npos) << line;
    EXPECT_EQ(line.find("while converted"), std::string::npos) << line;
    stats.videoSlots = 25 * 3600 - 1; // 59:59.96 rounds into the hour
    EXPECT_NE(FormatSummary("a.264", "a.avi", stats, 1.0).find(": 1:00:00.0 at"),
              std::string::npos);

    stats.fileSize = 12'005'000;
    line = FormatSummary("a.264", "a.avi", stats, 1.0);
    EXPECT_EQ(line.substr(line.rfind('\n')), "\n  the source grew by 12.0 MB while converted");
    stats.fileSize = 4500;
    line = FormatSummary("a.264", "a.avi", stats, 1.0);
    EXPECT_EQ(line.substr(line.rfind('\n')), "\n  the source shrank by 500 B while converted");

    stats.fileSize = stats.sizeAtStart;
    stats.framesLeftOut = 12;
    stats.soundSamplesLeftOut = 3840;
    line = FormatSummary("a.264", "a.mp4", stats, 1.0);
    EXPECT_EQ(line.substr(line.rfind('\n')),
              "\n  12 frames before the first key frame left out, and 0.5 s of sound");

    // An hour from the header: every line fits 80 columns with ordinary
    // names, and a count of one is singular.
    ConversionStats hour;
    hour.frameRate = 25;
    hour.rateFromHeader = true;
    hour.videoSlots = hour.videoPackets = 90'000;
    hour.keyVideoPackets = 9000;
    hour.audioPackets = 280'374;
    hour.damagedChunks = hour.refusedPackets = hour.framesLeftOut = 1;
    hour.outputBytes = 3'141'592'653;
    hour.undecodableKeyFrames = 1;
    hour.picture.width = 1280, hour.picture.height = 720;
    hour.sizeChanges = {{45'000, 1920, 1080}};
    line = FormatSummary("cam1/2026-12-08.264", "2026-12-08.mp4", hour, 123.45);
    EXPECT_EQ(line, "cam1/2026-12-08.264 -> 2026-12-08.mp4: 1:00:00.0 at 25 fps, "
                    "3.1 GB in 123.45 s\n"
                    "  90000 video frames (9000 key), 280374 audio blocks, 1 damaged chunk "
                    "dropped\n  1 packet refused by the muxer\n"
                    "  1 key frame with damaged parameter sets dropped\n"
                    "  1 frame before the first key frame left out, and 0.0 s of sound\n"
                    "  the picture is 1920x1080 from frame 45000 (30:00.0) on, 1280x720 declared");
    for (const std::string& part : Lines(line))
        EXPECT_LE(part.size(), 80u) << part;
}

} // namespace
