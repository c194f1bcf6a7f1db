// Generated recordings with real H.264 and IMA ADPCM, converted and played
// back through libavformat and libavcodec.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>

#include "tests/convert/avi_readback.h"
#include "tests/convert/conversion_fixture.h"
#include "tests/support/system_facts.h"
#include "tools/recgen/recording_generator.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/avutil.h>
}

namespace {

struct Expected {
    std::vector<std::vector<std::uint8_t>> video, audio;
    std::vector<bool> videoKeys;
    std::vector<int> order; // 0 video, 1 audio, 2 empty video, in file order
};

// What the AVI must hold, taken from the generator's own account of the file.
Expected FromManifest(const std::string& path, const recgen::Manifest& manifest) {
    const std::vector<std::uint8_t> bytes = recgen::ReadFileBytes(path);
    Expected expected;
    int emptySlots = 0; // damaged frames after the first, filled once a frame follows
    for (const recgen::ChunkRecord& chunk : manifest.chunks) {
        if (chunk.damaged) {
            emptySlots += chunk.kind != recgen::kAudio && !expected.video.empty();
            continue;
        }
        std::vector<std::uint8_t> payload(bytes.begin() + chunk.payloadOffset,
                                          bytes.begin() + chunk.payloadOffset + chunk.payloadBytes);
        if (chunk.kind == recgen::kAudio) {
            for (std::size_t i = 4; i < payload.size() && i < 164; ++i)
                payload[i] = static_cast<std::uint8_t>(payload[i] >> 4 | payload[i] << 4);
            expected.audio.push_back(std::move(payload));
            expected.order.push_back(1);
        } else {
            expected.video.push_back(std::move(payload));
            expected.videoKeys.push_back(chunk.kind == recgen::kKeyVideo);
            for (; emptySlots > 0; --emptySlots)
                expected.order.push_back(2); // an empty frame keeps the lost frame's time
            expected.order.push_back(0);
        }
    }
    return expected;
}

class EndToEnd : public ConversionTest {
protected:
    recgen::Manifest Generate(const recgen::Options& options) {
        recgen::Manifest manifest;
        std::string error;
        EXPECT_TRUE(recgen::Generate(PathOf("in.264"), options, &manifest, &error)) << error;
        return manifest;
    }

    void ExpectSameContent(const recgen::Manifest& manifest) {
        const Expected expected = FromManifest(PathOf("in.264"), manifest);
        const AviContents avi = ReadAvi(PathOf("out.avi"));
        std::vector<AviPacket> video, audio;
        for (const AviPacket& packet : avi.packets)
            (packet.stream == 0 ? video : audio).push_back(packet);
        ASSERT_EQ(video.size(), expected.video.size());
        ASSERT_EQ(audio.size(), expected.audio.size());
        for (std::size_t i = 0; i < video.size(); ++i) {
            ASSERT_EQ(video[i].data, expected.video[i]) << "video packet " << i;
            ASSERT_EQ(video[i].key, expected.videoKeys[i]) << "video packet " << i;
        }
        for (std::size_t i = 0; i < audio.size(); ++i)
            ASSERT_EQ(audio[i].data, expected.audio[i]) << "audio packet " << i;

        const auto movi = ReadMoviChunks(PathOf("out.avi"));
        ASSERT_EQ(movi.size(), expected.order.size());
        for (std::size_t i = 0; i < movi.size(); ++i) {
            const int kind = movi[i].stream == 0 && movi[i].size == 0 ? 2 : movi[i].stream;
            ASSERT_EQ(kind, expected.order[i]) << "chunk " << i;
        }
    }
};

} // namespace

TEST_F(EndToEnd, AviHoldsBothStreamsWithTheirParametersAndEveryChunk) {
    recgen::Options options;
    options.frames = 36;
    options.rate = 12;
    options.keyInterval = 12;
    options.records = {{{false, 0}, {true, 0x0C}, {false, 0}, {false, 0}}};
    options.videoExtensionBytes = 20;
    options.varyTagLead = true;
    const recgen::Manifest manifest = Generate(options);

    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"), 25);
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(run.stats.videoPackets, 36);
    EXPECT_EQ(run.stats.keyVideoPackets, 3);
    EXPECT_EQ(run.stats.audioPackets, manifest.audioBlocks);
    EXPECT_EQ(run.CompletionReports(), 1);

    const AviContents avi = ReadAvi(PathOf("out.avi"));
    ASSERT_EQ(avi.streams.size(), 2u);
    const AviStreamInfo& v = avi.streams[0];
    EXPECT_EQ(v.codecId, AV_CODEC_ID_H264);
    EXPECT_EQ(v.width, 720);
    EXPECT_EQ(v.height, 576);
    EXPECT_EQ(v.timeBaseNum, 1);
    EXPECT_EQ(v.timeBaseDen, 12);
    const AviStreamInfo& a = avi.streams[1];
    EXPECT_EQ(a.codecId, AV_CODEC_ID_ADPCM_IMA_WAV);
    EXPECT_EQ(a.sampleRate, 8000);
    EXPECT_EQ(a.channels, 1);
    EXPECT_EQ(a.blockAlign, 164);
    EXPECT_EQ(a.bitsPerCodedSample, 4);
    EXPECT_EQ(a.bitRate, 32000);
    // Each block lasts 321/8000 s: the audio stays in step with the video.
    EXPECT_EQ(a.timeBaseNum, 321);
    EXPECT_EQ(a.timeBaseDen, 8000);
    ASSERT_EQ(a.extradata.size(), 2u) << "WAVEFORMATEX carries wSamplesPerBlock";
    EXPECT_EQ(a.extradata[0] | a.extradata[1] << 8, 321);
    EXPECT_EQ(AudioSampleSize(PathOf("out.avi")), 0u) << "each audio chunk is timed as one block";

    ExpectSameContent(manifest);

    if (const char* why = WhyNoDecoders())
        GTEST_SKIP() << why;
    const DecodeCounts decoded = DecodeAvi(PathOf("out.avi"));
    EXPECT_EQ(decoded.errors, 0);
    EXPECT_EQ(decoded.videoFrames, 36);
    EXPECT_EQ(decoded.width, 720);
    EXPECT_EQ(decoded.height, 576);
    EXPECT_EQ(decoded.audioSamples, 321 * manifest.audioBlocks);
}

TEST_F(EndToEnd, FallbackRateTimesTheVideoWhenTheHeaderHasNone) {
    recgen::Options options;
    options.frames = 10;
    options.records = {};
    const recgen::Manifest manifest = Generate(options);
    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"), 30);
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_FALSE(run.stats.rateFromHeader);
    EXPECT_EQ(ReadAvi(PathOf("out.avi")).streams[0].timeBaseDen, 30);
    ExpectSameContent(manifest);
}

TEST_F(EndToEnd, DamagedRecordingKeepsEveryIntactChunk) {
    recgen::Options options;
    options.frames = 30;
    options.garbageEvery = 3;
    options.bogusLengthAt = 4;
    options.truncateLast = true;
    const recgen::Manifest manifest = Generate(options);
    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_GE(run.stats.damagedChunks, 2);
    EXPECT_EQ(run.CompletionReports(), 1);
    ExpectSameContent(manifest);
    const auto movi = ReadMoviChunks(PathOf("out.avi"));
    EXPECT_EQ(run.stats.videoPackets + 1,
              std::count_if(movi.begin(), movi.end(), [](auto& c) { return c.stream == 0; }))
        << "the frame lost in the middle keeps its slot, so later frames keep their time";
    if (const char* why = WhyNoDecoders())
        GTEST_SKIP() << why;
    EXPECT_EQ(DecodeAvi(PathOf("out.avi")).errors, 0);
}

namespace {

// When the last buffer of each stream ends, as GStreamer's own AVI demuxer
// times them (players on many Linux desktops are built on it).
std::map<char, double> GStreamerStreamEnds(const std::string& path) {
    const std::string command = "gst-launch-1.0 -v filesrc location='" + path +
                                "' ! avidemux name=d d.video_0 ! queue ! fakesink name=v "
                                "silent=false d.audio_0 ! queue ! fakesink name=a silent=false "
                                "2>&1";
    std::map<char, double> ends;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return ends;
    char line[1024];
    const std::regex buffer(
        R"(\((v|a):sink\).* dts: (\d+):(\d+):([\d.]+),.* duration: (\d+):(\d+):([\d.]+))");
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::cmatch m;
        if (!std::regex_search(line, m, buffer))
            continue;
        auto seconds = [&](int i) {
            return std::stod(m[i]) * 3600 + std::stod(m[i + 1]) * 60 + std::stod(m[i + 2]);
        };
        ends[m[1].str()[0]] = seconds(2) + seconds(5);
    }
    pclose(pipe);
    return ends;
}

} // namespace

TEST_F(EndToEnd, SoundAndPictureLastAlikeInGStreamerBasedPlayers) {
    if (const char* why = WhyNoGStreamer())
        GTEST_SKIP() << why;
    recgen::Options options;
    options.frames = 1500; // a minute at the header's 25 fps
    Generate(options);
    ASSERT_EQ(Convert(PathOf("in.264"), PathOf("out.avi")).result, 0);
    const std::map<char, double> ends = GStreamerStreamEnds(PathOf("out.avi"));
    ASSERT_EQ(ends.size(), 2u) << "gst-launch-1.0 with avidemux (gstreamer1.0-plugins-good)";
    EXPECT_NEAR(ends.at('v'), 60.0, 0.1);
    EXPECT_NEAR(ends.at('a'), ends.at('v'), 0.1);

    // Audio packet k starts k blocks of 321 samples in, to the end.
    const auto packets = ReadAvi(PathOf("out.avi")).packets;
    std::int64_t k = 0;
    for (const AviPacket& packet : packets) {
        if (packet.stream == 1) {
            ASSERT_EQ(packet.dts, k++) << "in units of 321/8000 s";
        }
    }
    EXPECT_GT(k, 1400);
}
