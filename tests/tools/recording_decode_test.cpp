// Generated payloads are real media: FFmpeg's own decoders accept them.
#include <cmath>

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include "tests/support/scratch_dir.h"
#include "tests/tools/av_decode.h"
#include "tests/tools/recording_bytes.h"
#include "tools/recgen/recording_generator.h"

namespace {

class RecordingDecode : public testing::Test {
protected:
    static void SetUpTestSuite() {
        recgen::Options options;
        options.frames = 24;
        options.keyInterval = 8;
        options.seed = 7;
        std::string error;
        s_dir = new ScratchDir;
        const std::string path = *s_dir / "a.264";
        ASSERT_TRUE(recgen::Generate(path, options, &s_manifest, &error)) << error;
        s_bytes = recgen::ReadFileBytes(path);
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    static std::vector<recgen::ChunkRecord> Chunks(int kinds) {
        std::vector<recgen::ChunkRecord> out;
        for (const auto& c : s_manifest.chunks) {
            if (c.kind & kinds) {
                out.push_back(c);
            }
        }
        return out;
    }

    // Zero crossings per second / 2.
    static double ToneFrequency(const std::vector<std::int16_t>& s) {
        int crossings = 0;
        for (std::size_t i = 1; i < s.size(); ++i) {
            crossings += (s[i - 1] < 0) != (s[i] < 0);
        }
        return crossings / 2.0 / (static_cast<double>(s.size()) / 8000.0);
    }

    // Least-squares fit of a 440 Hz sine: its amplitude and the RMS of what is left.
    struct SineFit {
        double amplitude = 0;
        double residual = 0;
    };
    static SineFit FitTone(const std::vector<std::int16_t>& s) {
        const double w = 2.0 * 3.14159265358979323846 * 440.0 / 8000.0;
        const double n = static_cast<double>(s.size());
        double c = 0, q = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            c += s[i] * std::cos(w * static_cast<double>(i));
            q += s[i] * std::sin(w * static_cast<double>(i));
        }
        c *= 2 / n;
        q *= 2 / n;
        double square = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const double e = s[i] - c * std::cos(w * static_cast<double>(i)) -
                             q * std::sin(w * static_cast<double>(i));
            square += e * e;
        }
        return {std::hypot(c, q), std::sqrt(square / n)};
    }

    static ScratchDir* s_dir;
    static recgen::Manifest s_manifest;
    static std::vector<std::uint8_t> s_bytes;
};

ScratchDir* RecordingDecode::s_dir = nullptr;
recgen::Manifest RecordingDecode::s_manifest;
std::vector<std::uint8_t> RecordingDecode::s_bytes;

TEST_F(RecordingDecode, VideoPayloadsDecodeToFullFrames) {
    std::vector<std::span<const std::uint8_t>> units;
    for (const auto& c : Chunks(recgen::kKeyVideo | recgen::kVideo)) {
        units.push_back(PayloadOf(s_bytes, c));
    }
    const DecodedVideo video = DecodeH264(units);
    EXPECT_EQ(video.error, "");
    EXPECT_EQ(video.frames, 24);
    EXPECT_EQ(video.width, 720);
    EXPECT_EQ(video.height, 576);
}

TEST_F(RecordingDecode, KeyChunksDecodeOnTheirOwnAndOthersDoNot) {
    const auto video = Chunks(recgen::kKeyVideo | recgen::kVideo);
    ASSERT_EQ(video.size(), 24u);
    for (std::size_t i = 0; i < video.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(video[i].kind == recgen::kKeyVideo, i % 8 == 0);
        const bool key = video[i].kind == recgen::kKeyVideo;
        // A P frame alone makes the decoder complain, as it should; keep that out of the log.
        av_log_set_level(key ? AV_LOG_ERROR : AV_LOG_QUIET);
        const DecodedVideo alone = DecodeH264({PayloadOf(s_bytes, video[i])});
        av_log_set_level(AV_LOG_ERROR);
        if (video[i].kind == recgen::kKeyVideo) {
            EXPECT_EQ(alone.error, "");
            EXPECT_EQ(alone.frames, 1);
        } else {
            EXPECT_EQ(alone.frames, 0) << "a P frame needs the frames before it";
        }
    }
}

TEST_F(RecordingDecode, AudioBlocksDecodeToTheToneOnceNibblesAreRestored) {
    const auto audio = Chunks(recgen::kAudio);
    ASSERT_GE(audio.size(), 20u);
    std::vector<std::int16_t> restored, asStored;
    for (const auto& c : audio) {
        const auto payload = PayloadOf(s_bytes, c);
        const std::size_t before = restored.size();
        ASSERT_EQ(DecodeImaBlock(StandardImaBlock(payload), &restored), "");
        ASSERT_EQ(restored.size() - before, 321u);
        ASSERT_EQ(DecodeImaBlock(payload, &asStored), "");
    }
    EXPECT_NEAR(ToneFrequency(restored), 440.0, 10.0);
    const SineFit fit = FitTone(restored);
    EXPECT_NEAR(fit.amplitude, 8000, 800);
    EXPECT_LT(fit.residual, 0.05 * fit.amplitude) << "a clean tone";
    // Read as stored, the nibbles are in the wrong order and the tone is distorted.
    EXPECT_GT(FitTone(asStored).residual, 4 * fit.residual);
}

// Any picture size, a sample aspect ratio in the VUI, and a size change with
// a key frame at the seam: what a decoder that trusts the stream sees.
TEST(RecordingPicture, SizesShapesAndChangesDecodeAsAsked) {
    struct Case {
        int width, height, sarNum, sarDen, resizeAt, resizeWidth, resizeHeight;
    };
    const Case cases[] = {{1920, 1080, 0, 0, 0, 0, 0},   {352, 288, 0, 0, 0, 0, 0},
                          {704, 576, 12, 11, 0, 0, 0},   {720, 480, 0, 0, 0, 0, 0},
                          {720, 576, 0, 0, 5, 352, 288}, {32, 16, 1, 1, 0, 0, 0}};
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " then " +
                     std::to_string(c.resizeWidth) + "x" + std::to_string(c.resizeHeight));
        recgen::Options options;
        options.frames = 9;
        options.keyInterval = 4;
        options.width = c.width;
        options.height = c.height;
        options.sarNum = c.sarNum;
        options.sarDen = c.sarDen;
        options.resizeAt = c.resizeAt;
        options.resizeWidth = c.resizeWidth;
        options.resizeHeight = c.resizeHeight;
        recgen::Manifest manifest;
        std::string error;
        ASSERT_TRUE(recgen::Generate(dir / "p.264", options, &manifest, &error)) << error;
        const auto bytes = recgen::ReadFileBytes(dir / "p.264");
        std::vector<std::span<const std::uint8_t>> units;
        std::vector<int> keys;
        for (const auto& chunk : manifest.chunks) {
            if (chunk.kind != recgen::kAudio) {
                if (chunk.kind == recgen::kKeyVideo) {
                    keys.push_back(static_cast<int>(units.size()));
                }
                units.push_back(PayloadOf(bytes, chunk));
            }
        }
        const DecodedVideo video = DecodeH264(units);
        EXPECT_EQ(video.error, "");
        EXPECT_EQ(video.frames, 9);
        EXPECT_EQ(video.firstWidth, c.width);
        EXPECT_EQ(video.firstHeight, c.height);
        EXPECT_EQ(video.width, c.resizeAt > 0 ? c.resizeWidth : c.width);
        EXPECT_EQ(video.height, c.resizeAt > 0 ? c.resizeHeight : c.height);
        EXPECT_EQ(video.sarNum * std::max(c.sarDen, 1), std::max(c.sarNum, 0) * video.sarDen);
        const std::vector<int> expectedKeys =
            c.resizeAt > 0 ? std::vector<int>{0, 4, 5} : std::vector<int>{0, 4, 8};
        EXPECT_EQ(keys, expectedKeys);
    }
}

} // namespace
