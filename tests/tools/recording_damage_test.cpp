// Damage options break exactly what they say, and failures leave no file.
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tests/tools/recording_bytes.h"
#include "tools/recgen/recording_generator.h"

namespace {

recgen::Manifest MakeOrFail(const std::string& path, const recgen::Options& options) {
    recgen::Manifest manifest;
    std::string error;
    EXPECT_TRUE(recgen::Generate(path, options, &manifest, &error)) << error;
    return manifest;
}

recgen::Options Small() {
    recgen::Options options;
    options.frames = 12;
    options.keyInterval = 4;
    return options;
}

TEST(RecordingDamage, GarbageRunsSitBetweenChunksAndFormNoTag) {
    ScratchDir dir;
    recgen::Options options = Small();
    options.garbageEvery = 4;
    options.garbageBytes = 37;
    options.videoExtensionBytes = 64;
    options.varyTagLead = true;
    const auto m = MakeOrFail(dir / "a.264", options);
    const auto b = recgen::ReadFileBytes(dir / "a.264");

    std::int64_t runs = 0;
    for (std::size_t i = 0; i < m.chunks.size(); ++i) {
        const std::int64_t end = m.chunks[i].offset + m.chunks[i].chunkBytes;
        const std::int64_t next =
            i + 1 < m.chunks.size() ? m.chunks[i + 1].offset : static_cast<std::int64_t>(b.size());
        const bool garbageDue = (i + 1) % 4 == 0;
        ASSERT_EQ(next - end, garbageDue ? 37 : 0) << "after chunk " << i;
        for (std::int64_t at = end; at < next; ++at) {
            EXPECT_GE(b[at], 0x80);
        }
        runs += garbageDue;
    }
    EXPECT_EQ(m.garbageRuns, runs);
    EXPECT_GT(runs, 3);

    // A reader that searches for tags finds the chunks and nothing else: not
    // in the header, the extensions, the garbage, nor across their edges.
    std::set<std::int64_t> starts;
    for (const auto& c : m.chunks) {
        starts.insert(c.offset);
    }
    std::set<std::int64_t> found;
    for (std::size_t at = 0; at < b.size(); ++at) {
        if (TagAt(b, at) != 0) {
            found.insert(static_cast<std::int64_t>(at));
        }
    }
    EXPECT_EQ(found, starts);
}

TEST(RecordingDamage, TruncateLastCutsTheLastChunkAndNothingElse) {
    ScratchDir dir;
    recgen::Options options = Small();
    const auto intact = MakeOrFail(dir / "intact.264", options);
    options.truncateLast = true;
    const auto cut = MakeOrFail(dir / "cut.264", options);
    const auto whole = recgen::ReadFileBytes(dir / "intact.264");
    const auto part = recgen::ReadFileBytes(dir / "cut.264");

    ASSERT_EQ(cut.chunks.size(), intact.chunks.size());
    const auto& last = cut.chunks.back();
    const auto& full = intact.chunks.back();
    EXPECT_TRUE(last.damaged);
    EXPECT_EQ(last.offset, full.offset);
    EXPECT_GT(last.chunkBytes, 0);
    EXPECT_LT(last.chunkBytes, full.chunkBytes);
    EXPECT_EQ(static_cast<std::int64_t>(part.size()), last.offset + last.chunkBytes);
    EXPECT_EQ(cut.fileBytes, static_cast<std::int64_t>(part.size()));
    EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin()))
        << "a prefix of the intact file";
    EXPECT_EQ(cut.videoFrames + cut.audioBlocks + 1, intact.videoFrames + intact.audioBlocks);
}

TEST(RecordingDamage, BogusLengthIsDeclaredButTheRealBytesFollow) {
    ScratchDir dir;
    recgen::Options options = Small();
    const auto intact = MakeOrFail(dir / "intact.264", options);
    options.bogusLengthAt = 5;
    const auto bogus = MakeOrFail(dir / "bogus.264", options);
    const auto whole = recgen::ReadFileBytes(dir / "intact.264");
    const auto b = recgen::ReadFileBytes(dir / "bogus.264");

    ASSERT_EQ(b.size(), whole.size());
    int videoIndex = 0;
    int damaged = 0;
    for (const auto& c : bogus.chunks) {
        if (c.kind == recgen::kAudio) {
            EXPECT_FALSE(c.damaged);
            continue;
        }
        if (videoIndex++ != 5) {
            EXPECT_FALSE(c.damaged);
            continue;
        }
        ++damaged;
        EXPECT_TRUE(c.damaged);
        EXPECT_EQ(Le32(b, c.offset + 8), 0xFFFFFFF0u);
        EXPECT_EQ(Le32(whole, c.offset + 8), static_cast<std::uint32_t>(c.payloadBytes));
        // Only the declared length differs from the intact file.
        for (std::size_t at = 0; at < b.size(); ++at) {
            if (at < static_cast<std::size_t>(c.offset + 8) ||
                at >= static_cast<std::size_t>(c.offset + 12)) {
                ASSERT_EQ(b[at], whole[at]) << "at " << at;
            }
        }
    }
    EXPECT_EQ(damaged, 1);
    EXPECT_EQ(bogus.videoFrames, intact.videoFrames - 1);
}

TEST(RecordingDamage, TargetSizeRepeatsOneKeyInterval) {
    ScratchDir dir;
    recgen::Options options;
    options.keyInterval = 5;
    options.targetBytes = 2 << 20;
    const auto m = MakeOrFail(dir / "big.264", options);
    const auto b = recgen::ReadFileBytes(dir / "big.264");

    EXPECT_GE(m.fileBytes, options.targetBytes);
    EXPECT_EQ(m.fileBytes, static_cast<std::int64_t>(b.size()));
    std::vector<recgen::ChunkRecord> video;
    for (const auto& c : m.chunks) {
        if (c.kind != recgen::kAudio) {
            video.push_back(c);
        }
    }
    ASSERT_GT(video.size(), 10u);
    EXPECT_LT(video.back().offset, options.targetBytes) << "stops once the size is reached";
    for (std::size_t i = 5; i < video.size(); ++i) {
        const auto again = PayloadOf(b, video[i]);
        const auto first = PayloadOf(b, video[i % 5]);
        ASSERT_TRUE(std::equal(again.begin(), again.end(), first.begin(), first.end()))
            << "frame " << i;
        EXPECT_EQ(video[i].kind == recgen::kKeyVideo, i % 5 == 0);
    }
    EXPECT_GE(m.audioBlocks, static_cast<std::int64_t>(video.size()) - 2);
}

TEST(RecordingDamage, FailureNamesThePathAndLeavesNoFile) {
    ScratchDir dir;
    std::string error;
    const std::string missing = dir / "no/such/dir/a.264";
    EXPECT_FALSE(recgen::Generate(missing, Small(), nullptr, &error));
    EXPECT_EQ(error.rfind(missing + ": ", 0), 0u) << error;

    // A directory in the way: the file is written, then cannot take its name.
    const std::string occupied = dir / "taken";
    std::filesystem::create_directories(std::filesystem::path(occupied) / "inside");
    error.clear();
    EXPECT_FALSE(recgen::Generate(occupied, Small(), nullptr, &error));
    EXPECT_EQ(error.rfind(occupied + ": ", 0), 0u) << error;
    EXPECT_FALSE(std::filesystem::exists(occupied + ".part"));

    recgen::Options bad = Small();
    bad.keyInterval = 0;
    error.clear();
    EXPECT_FALSE(recgen::Generate(dir / "bad.264", bad, nullptr, &error));
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.264"));
}

} // namespace
