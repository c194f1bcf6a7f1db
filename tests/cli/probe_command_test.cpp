// --probe: the figures it prints for generated recordings whose contents are
// known, and that it writes nothing.
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

#include "cli/utf8_text.h"
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
    std::string picture; // "720x576, pixel aspect 1:1, H.264 High profile, level 3.0"
};

// Reads the block of lines --probe prints for `path`.
ProbeText ParseProbe(const std::string& text, const std::string& path) {
    ProbeText p;
    const std::size_t start = text.find(path + ": ");
    if (start == std::string::npos)
        return p;
    const std::size_t end = text.find("\n  picture:", start);
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
    if (std::regex_search(block, m, std::regex(R"(\n  picture: (.*))")))
        p.picture = m[1];
    return p;
}

// Moves `at` past the whitespace and `c` that follow it; false, past the
// whitespace only, when `c` does not follow.
bool Skip(std::string_view text, std::size_t& at, char c) {
    at = std::min(text.find_first_not_of(" \t\n\r", at), text.size());
    return at < text.size() && text[at] == c && ++at > 0;
}

// Moves `at` past one JSON value (RFC 8259) if one starts there: strings
// hold neither a raw control character nor invalid UTF-8.
bool JsonValue(std::string_view text, std::size_t& at) {
    static const std::regex scalar(
        R"(-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][-+]?[0-9]+)?|true|false|null)");
    static const std::regex escape(R"(\\(["\\/bfnrt]|u[0-9a-fA-F]{4}))");
    const auto match = [&](const std::regex& pattern) {
        std::cmatch m;
        const bool found = std::regex_search(text.data() + at, text.data() + text.size(), m,
                                             pattern, std::regex_constants::match_continuous);
        at += found ? std::size_t(m.length()) : 0;
        return found;
    };
    for (const char open : {'{', '['}) {
        if (!Skip(text, at, open))
            continue;
        const char close = open == '{' ? '}' : ']';
        if (Skip(text, at, close))
            return true;
        do {
            if (open == '{' &&
                !(Skip(text, at, '"') && (--at, JsonValue(text, at)) && Skip(text, at, ':')))
                return false;
            if (!JsonValue(text, at))
                return false;
        } while (Skip(text, at, ','));
        return Skip(text, at, close);
    }
    if (!Skip(text, at, '"'))
        return match(scalar);
    while (at < text.size() && text[at] != '"') {
        char32_t c = 0;
        const std::size_t length = Utf8Character(text, at, &c);
        if (c == '\\' ? !match(escape) : length == 0 || c < 0x20)
            return false;
        at += c == '\\' ? 0 : length;
    }
    return Skip(text, at, '"');
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
    o.width = 352, o.height = 288, o.sarNum = 12, o.sarDen = 11;
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
    EXPECT_TRUE(std::regex_match(p.picture, std::regex("352x288, pixel aspect 12:11, H.264 "
                                                       "[A-Za-z ]+ profile, level [1-5]\\.[0-9]")))
        << p.picture;
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

// --json: one document, an entry per source in their order, errors
// included, with the figures of the text report; any name gives valid JSON.
TEST(ProbeCommand, JsonHoldsTheTextReportsFiguresAndTheErrorsAsOneDocument) {
    ScratchDir dir;
    recgen::Options o;
    o.frames = 40;
    o.garbageEvery = 5;
    o.records = {{{true, 0x19}, {false, 0xC3}, {true, 0x0C}, {false, 0x00}}};
    clitest::MakeRecording(dir / "known.264", o);
    // Windows takes no quote, control character or byte that is no UTF-8.
    const bool posix = fs::path::preferred_separator == '/';
    const std::string odd = posix ? "\"q\"\t\x1b\\\x7f\xff é.264" : "'q' é.264";
    fs::copy_file(dir / "known.264", dir.Path() / std::u8string(odd.begin(), odd.end()));

    const ProbeText p =
        ParseProbe(RunConvert({"--probe", "known.264"}, dir.Path()).out, "known.264");
    const RunResult r = RunConvert({"--probe", "--json", "known.264", "gone.264", odd}, dir.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("veltrano-convert: gone.264: ", 0), 0u) << r.err;
    std::size_t end = 0;
    EXPECT_TRUE(JsonValue(r.out, end) && !Skip(r.out, end, 0) && end == r.out.size())
        << "not one JSON document, from byte " << end << ": " << r.out;

    std::vector<std::string> entries; // each from its "file" line to its last
    for (std::size_t at = r.out.find("\n  {\n"); at != std::string::npos;
         at = r.out.find("\n  {\n", at + 1))
        entries.push_back(r.out.substr(at + 5, r.out.find("\n  }", at) - at - 5));
    ASSERT_EQ(entries.size(), 3u) << r.out;
    const std::string cause = r.err.substr(28, r.err.find('\n') - 28);
    EXPECT_EQ(entries[1], "    \"file\": \"gone.264\",\n    \"error\": \"" + cause + "\"");
    const std::string name = posix ? R"(\"q\"\u0009\u001b\\\u007f\ufffd é.264)" : odd;
    EXPECT_EQ(entries[2],
              "    \"file\": \"" + name + "\"" + entries[0].substr(entries[0].find(',')))
        << "the same figures under the name escaped";

    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        entries[0], m,
        std::regex(R"(    "file": "known.264",\n    "size": (\d+),\n    "rate_records": \[\n)"
                   R"(([\s\S]*)\n    \],\n    "rate": (\d+),\n    "rate_source": "header",\n)"
                   R"(    "video_chunks": \{"key": (\d+), "non_key": (\d+)\},\n)"
                   R"(    "audio_chunks": (\d+),\n    "damaged_chunks": (\d+),\n)"
                   R"(    "picture": \{"width": (\d+), "height": (\d+), )"
                   R"j("sample_aspect_ratio": null, "profile": "([^"]+)", "level": "([^"]+)"\},\n)j"
                   R"(    "duration_seconds": ([0-9.]+))")))
        << entries[0];
    EXPECT_EQ(std::stoull(m[1]), fs::file_size(dir / "known.264"));
    const std::string records = m[2];
    const std::regex record(R"(\{"in_use": (true|false), "byte": (\d+), "rate": (\d+|null)\})");
    std::size_t i = 0;
    for (auto it = std::sregex_iterator(records.begin(), records.end(), record);
         it != std::sregex_iterator() && i < p.records.size(); ++it, ++i) {
        EXPECT_EQ((*it)[1] == "true", p.records[i].inUse) << i;
        EXPECT_EQ(std::stoul((*it)[2]), p.records[i].rateByte) << i;
        EXPECT_EQ((*it)[3], p.records[i].rate > 0 ? std::to_string(p.records[i].rate) : "null");
    }
    EXPECT_EQ(i, 4u) << records;
    EXPECT_EQ(std::stoi(m[3]), p.rate);
    EXPECT_EQ(std::stoll(m[4]), p.key);
    EXPECT_EQ(std::stoll(m[5]), p.nonKey);
    EXPECT_EQ(std::stoll(m[6]), p.audio);
    EXPECT_EQ(std::stoll(m[7]), p.damaged);
    EXPECT_EQ(std::string(m[8]) + "x" + std::string(m[9]) + ", H.264 " + std::string(m[10]) +
                  " profile, level " + std::string(m[11]),
              p.picture);
    EXPECT_NEAR(std::stod(m[12]), p.seconds, 0.05);
}

} // namespace
