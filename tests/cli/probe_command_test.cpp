// --probe: the figures it prints for generated recordings whose contents are
// known, and that it writes nothing.
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

#include "tests/cli/cli_test_support.h"

namespace fs = std::filesystem;
using clitest::RunConvert;
using clitest::RunResult;

namespace {

struct ProbeText {
    struct Record {
        bool inUse = false;
        unsigned rateByte = 0;
        int rate = -1; // 0: "no rate"
    };
    std::vector<Record> records;
    int rate = -1;
    bool fromHeader = false;
    std::int64_t key = -1, nonKey = -1, audio = -1, damaged = -1;
    double seconds = -1;
};

// Reads the block of lines --probe prints for `path`.
ProbeText ParseProbe(const std::string& text, const std::string& path) {
    ProbeText p;
    const std::size_t start = text.find(path + ": ");
    if (start == std::string::npos)
        return p;
    const std::size_t end = text.find("\n  duration:", start);
    const std::string block = text.substr(start, text.find('\n', end + 1) - start);
    std::smatch m;
    static const std::regex record(
        R"(rate record \d: (in use|not in use), +byte 0x([0-9a-f]{2}), (?:(\d+) fps|no rate))");
    for (auto it = std::sregex_iterator(block.begin(), block.end(), record);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& r = *it;
        p.records.push_back({r[1] == "in use", unsigned(std::stoul(r[2], nullptr, 16)),
                             r[3].matched ? std::stoi(r[3]) : 0});
    }
    if (std::regex_search(block, m, std::regex(R"(\n  rate: (\d+) fps \((from the header)?)")))
        p.rate = std::stoi(m[1]), p.fromHeader = m[2].matched;
    if (std::regex_search(block, m, std::regex(R"(video chunks: (\d+) key, (\d+) non-key)")))
        p.key = std::stoll(m[1]), p.nonKey = std::stoll(m[2]);
    if (std::regex_search(block, m, std::regex(R"(audio chunks: (\d+))")))
        p.audio = std::stoll(m[1]);
    if (std::regex_search(block, m, std::regex(R"(damaged chunks: (\d+))")))
        p.damaged = std::stoll(m[1]);
    if (std::regex_search(block, m, std::regex(R"(duration: ([0-9.]+) s at (\d+) fps)")))
        p.seconds = std::stod(m[1]);
    return p;
}

std::int64_t CountDamaged(const recgen::Manifest& m) {
    return std::count_if(m.chunks.begin(), m.chunks.end(),
                         [](const recgen::ChunkRecord& c) { return c.damaged; });
}

TEST(ProbeCommand, ReportsRecordsRateAndCountsOfAKnownRecording) {
    ScratchDir dir;
    recgen::Options o;
    o.frames = 40;
    o.keyInterval = 8;
    o.garbageEvery = 5;
    o.bogusLengthAt = 3;
    o.truncateLast = true;
    // The last record in use decides; 0xC3 has both top bits set, so it means 1.
    o.records = {{{true, 0x19}, {false, 0xC3}, {true, 0x0C}, {false, 0x00}}};
    const recgen::Manifest m = clitest::MakeRecording(dir / "known.264", o);
    const auto before = fs::last_write_time(dir.Path());

    const RunResult r = RunConvert({"--probe", "--fps", "5", "known.264"}, dir.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    const ProbeText p = ParseProbe(r.out, "known.264");
    ASSERT_EQ(p.records.size(), 4u) << r.out;
    const ProbeText::Record expected[4] = {
        {true, 0x19, 25}, {false, 0xC3, 1}, {true, 0x0C, 12}, {false, 0x00, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p.records[i].inUse, expected[i].inUse) << "record " << i + 1;
        EXPECT_EQ(p.records[i].rateByte, expected[i].rateByte) << "record " << i + 1;
        EXPECT_EQ(p.records[i].rate, expected[i].rate) << "record " << i + 1;
    }
    EXPECT_EQ(p.rate, 12);
    EXPECT_TRUE(p.fromHeader);
    EXPECT_EQ(p.key, m.keyFrames);
    EXPECT_EQ(p.nonKey, m.videoFrames - m.keyFrames);
    EXPECT_EQ(p.audio, m.audioBlocks);
    ASSERT_GT(CountDamaged(m), 0);
    EXPECT_EQ(p.damaged, CountDamaged(m));
    // As in the AVI, the frame lost to a bogus length keeps its slot; the
    // one cut off at the end has no frame after it and takes none.
    EXPECT_DOUBLE_EQ(p.seconds, std::llround(double(m.videoFrames + 1) / 12.0 * 10.0) / 10.0)
        << "to the tenth the probe shows";

    // Nothing written: no AVI, no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    EXPECT_EQ(fs::last_write_time(dir.Path()), before);
}

TEST(ProbeCommand, FallbackRateWhenTheHeaderGivesNoneAndOtherSourcesAfterAFailure) {
    ScratchDir dir;
    recgen::Options o;
    o.frames = 30;
    o.records = {};
    const recgen::Manifest m = clitest::MakeRecording(dir / "norate.264", o);

    const RunResult r = RunConvert({"--probe", "--fps", "6", "gone.264", "norate.264"}, dir.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("veltrano-convert: gone.264: ", 0), 0u) << r.err;
    const ProbeText p = ParseProbe(r.out, "norate.264");
    ASSERT_EQ(p.records.size(), 4u) << r.out;
    for (const auto& record : p.records)
        EXPECT_FALSE(record.inUse);
    EXPECT_EQ(p.rate, 6);
    EXPECT_FALSE(p.fromHeader);
    EXPECT_EQ(p.key + p.nonKey, m.videoFrames);
    EXPECT_NEAR(p.seconds, double(m.videoFrames) / 6.0, 0.05);
}

} // namespace
