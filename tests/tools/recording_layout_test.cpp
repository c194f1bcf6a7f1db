// The bytes of a generated recording agree with its manifest and with the
// layout readers rely on.
#include <set>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tests/tools/recording_bytes.h"
#include "tools/recgen/recording_generator.h"

namespace {

struct Generated {
    recgen::Manifest manifest;
    std::vector<std::uint8_t> bytes;
};

Generated Make(const ScratchDir& dir, const std::string& name, const recgen::Options& options) {
    Generated g;
    std::string error;
    const std::string path = dir / name;
    EXPECT_TRUE(recgen::Generate(path, options, &g.manifest, &error)) << error;
    g.bytes = recgen::ReadFileBytes(path);
    return g;
}

TEST(RecordingLayout, ManifestMatchesTheBytes) {
    ScratchDir dir;
    recgen::Options options;
    options.frames = 20;
    options.keyInterval = 10;
    options.videoExtensionBytes = 5;
    options.varyTagLead = true;
    const Generated g = Make(dir, "a.264", options);
    const auto& b = g.bytes;

    ASSERT_EQ(g.manifest.fileBytes, static_cast<std::int64_t>(b.size()));
    ASSERT_FALSE(g.manifest.chunks.empty());
    EXPECT_EQ(g.manifest.chunks.front().offset, 512);
    std::int64_t expectedOffset = 512;
    std::set<std::uint8_t> leads;
    int video = 0, keys = 0, audio = 0;
    for (const auto& c : g.manifest.chunks) {
        SCOPED_TRACE("chunk at " + std::to_string(c.offset));
        ASSERT_EQ(c.offset, expectedOffset) << "chunks follow each other without gaps";
        ASSERT_EQ(TagAt(b, c.offset), c.kind);
        EXPECT_FALSE(c.damaged);
        leads.insert(b[c.offset]);
        if (c.kind == recgen::kAudio) {
            EXPECT_EQ(Le16(b, c.offset + 6), 168u);
            EXPECT_EQ(c.chunkBytes, 176);
            EXPECT_EQ(c.payloadOffset, c.offset + 12);
            EXPECT_EQ(c.payloadBytes, 164);
            ++audio;
        } else {
            EXPECT_EQ(Le32(b, c.offset + 8), static_cast<std::uint32_t>(c.payloadBytes));
            EXPECT_EQ(Le16(b, c.offset + 12), 5u);
            EXPECT_EQ(c.payloadOffset, c.offset + 24 + 5);
            EXPECT_EQ(c.chunkBytes, 24 + 5 + c.payloadBytes);
            // Annex B: every access unit opens with a start code.
            EXPECT_EQ(b[c.payloadOffset], 0);
            EXPECT_EQ(b[c.payloadOffset + 1], 0);
            EXPECT_EQ((video % 10 == 0), c.kind == recgen::kKeyVideo) << "video chunk " << video;
            ++video;
            keys += c.kind == recgen::kKeyVideo;
        }
        expectedOffset += c.chunkBytes;
    }
    EXPECT_EQ(expectedOffset, g.manifest.fileBytes);
    EXPECT_EQ(video, 20);
    EXPECT_EQ(keys, 2);
    EXPECT_EQ(g.manifest.videoFrames, 20);
    EXPECT_EQ(g.manifest.keyFrames, 2);
    EXPECT_EQ(g.manifest.audioBlocks, audio);
    EXPECT_GT(leads.size(), 3u) << "tag leads vary when asked";
    EXPECT_GE(*leads.begin(), '0');
    EXPECT_LE(*leads.rbegin(), '@');
}

TEST(RecordingLayout, HeaderHoldsTheRateRecordsAsGiven) {
    ScratchDir dir;
    recgen::Options options;
    options.frames = 2;
    options.records = {{{false, 0}, {true, 0xC5}, {true, 12}, {false, 7}}};
    const Generated g = Make(dir, "a.264", options);
    const auto& b = g.bytes;
    const std::uint8_t expected[4][2] = {{0, 0}, {1, 0xC5}, {1, 12}, {0, 7}};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(b[100 + 40 * r], expected[r][0]) << "record " << r;
        EXPECT_EQ(b[101 + 40 * r], expected[r][1]) << "record " << r;
    }
}

TEST(RecordingLayout, AudioKeepsPaceWithVideo) {
    ScratchDir dir;
    recgen::Options options;
    options.frames = 30;
    options.rate = 10; // 100 ms frames: several blocks per frame
    const Generated g = Make(dir, "a.264", options);
    int blocks = 0, frames = 0;
    for (const auto& c : g.manifest.chunks) {
        if (c.kind == recgen::kAudio) {
            ++blocks;
            continue;
        }
        // The audio written so far reaches at least to this frame's time and
        // starts no more than one block after it.
        const double frameTime = frames / 10.0;
        EXPECT_GE(blocks * 321 / 8000.0, frameTime) << "frame " << frames;
        EXPECT_LE((blocks - 1) * 321 / 8000.0, frameTime) << "frame " << frames;
        ++frames;
    }
    EXPECT_NEAR(blocks * 321 / 8000.0, frames / 10.0, 0.1);
}

TEST(RecordingLayout, WithoutAudioOnlyVideo) {
    ScratchDir dir;
    recgen::Options options;
    options.frames = 5;
    options.audio = false;
    const Generated g = Make(dir, "a.264", options);
    EXPECT_EQ(g.manifest.chunks.size(), 5u);
    EXPECT_EQ(g.manifest.audioBlocks, 0);
}

TEST(RecordingLayout, SameSeedSameBytesOtherSeedOtherBytes) {
    ScratchDir dir;
    recgen::Options options;
    options.frames = 12;
    options.keyInterval = 4;
    options.varyTagLead = true;
    options.garbageEvery = 5;
    const Generated first = Make(dir, "a.264", options);
    const Generated second = Make(dir, "b.264", options);
    EXPECT_TRUE(first.bytes == second.bytes);
    options.seed = 2;
    const Generated other = Make(dir, "c.264", options);
    EXPECT_FALSE(first.bytes == other.bytes);
}

} // namespace
