// Generated recordings with real H.264 and IMA ADPCM, converted and played
// back through libavformat and libavcodec.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <regex>

#include "convert/platform/worker.h"
#include "tests/convert/conversion_fixture.h"
#include "tests/convert/crafted_recording.h"
#include "tests/convert/media_readback.h"
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
        const MediaContents avi = ReadMedia(PathOf("out.avi"));
        std::vector<MediaPacket> video, audio;
        for (const MediaPacket& packet : avi.packets)
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

    const MediaContents avi = ReadMedia(PathOf("out.avi"));
    ASSERT_EQ(avi.streams.size(), 2u);
    const MediaStreamInfo& v = avi.streams[0];
    EXPECT_EQ(v.codecId, AV_CODEC_ID_H264);
    EXPECT_EQ(v.width, 720);
    EXPECT_EQ(v.height, 576);
    EXPECT_EQ(v.timeBaseNum, 1);
    EXPECT_EQ(v.timeBaseDen, 12);
    const MediaStreamInfo& a = avi.streams[1];
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
    const DecodeCounts decoded = DecodeMedia(PathOf("out.avi"));
    EXPECT_EQ(decoded.errors, 0);
    EXPECT_EQ(decoded.videoFrames, 36);
    EXPECT_EQ(decoded.width, 720);
    EXPECT_EQ(decoded.height, 576);
    EXPECT_EQ(decoded.audioSamples, 321 * manifest.audioBlocks);
}

// The unsigned field `at` bytes into the data of the first `box`: an AVI
// chunk's (little-endian, its tag before its size) or an MP4 box's
// (big-endian, its tag after its size); -1 when there is none. The MP4's
// sample entry is looked for in its sample description, the brands in
// front name it too.
std::int64_t FieldAfter(const std::vector<std::uint8_t>& file, const char* box, std::size_t at,
                        int bytes, bool bigEndian) {
    const char* stsd = "stsd";
    const auto from = std::string(box) == "avc1"
                          ? std::search(file.begin(), file.end(), stsd, stsd + 4)
                          : file.begin();
    const auto tag = std::search(from, file.end(), box, box + 4);
    const std::size_t data = bigEndian ? 4 : 8;
    if (file.end() - tag < std::ptrdiff_t(data + at + bytes))
        return -1;
    std::int64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::int64_t(tag[data + at + i]) << 8 * (bigEndian ? bytes - 1 - i : i);
    return value;
}

// Recorders film at many sizes: every field that declares the picture says
// what the stream holds, and its pixels' shape where the stream gives one.
TEST_F(EndToEnd, BothOutputsDeclareThePictureTheStreamHolds) {
    struct Case {
        int width, height, sarNum = 0, sarDen = 0, resizeAt = 0;
    };
    const Case cases[] = {{1920, 1080}, {1280, 720},        {352, 288},          {704, 576},
                          {720, 480},   {720, 576, 16, 11}, {352, 288, 0, 0, 13}};
    for (const Case& c : cases) {
        recgen::Options options;
        options.frames = 20;
        options.keyInterval = 5;
        options.width = c.width, options.height = c.height;
        options.sarNum = c.sarNum, options.sarDen = c.sarDen;
        if (c.resizeAt > 0)
            options.resizeAt = c.resizeAt, options.resizeWidth = 640, options.resizeHeight = 480;
        Generate(options);
        for (const char* dest : {"out.avi", "out.mp4"}) {
            SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " " + dest);
            const ConversionRun run = Convert(PathOf("in.264"), PathOf(dest), 25);
            ASSERT_EQ(run.result, 0) << run.error;
            ASSERT_EQ(run.stats.sizeChanges.size(), c.resizeAt > 0 ? 1u : 0u);
            if (c.resizeAt > 0) {
                EXPECT_EQ(run.stats.sizeChanges[0].frame, c.resizeAt);
                EXPECT_EQ(run.stats.sizeChanges[0].width, 640);
            }
            const MediaStreamInfo v = ReadMedia(PathOf(dest)).streams[0];
            EXPECT_EQ(v.width, c.width);
            EXPECT_EQ(v.height, c.height);
            EXPECT_EQ(v.sarNum * c.sarDen, c.sarNum * v.sarDen);
            const std::vector<std::uint8_t> file = recgen::ReadFileBytes(PathOf(dest));
            const bool avi = dest == std::string("out.avi");
            const char* ratioBox = avi ? "vprp" : "pasp";
            EXPECT_EQ(std::search(file.begin(), file.end(), ratioBox, ratioBox + 4) != file.end(),
                      c.sarNum > 0);
            if (avi) {
                EXPECT_EQ(FieldAfter(file, "avih", 32, 4, false), c.width);
                EXPECT_EQ(FieldAfter(file, "avih", 36, 4, false), c.height);
                EXPECT_EQ(FieldAfter(file, "strh", 52, 2, false), c.width) << "rcFrame";
                EXPECT_EQ(FieldAfter(file, "strh", 54, 2, false), c.height) << "rcFrame";
            } else {
                // The track's size is what QuickTime shows: the picture's,
                // widened by the pixels' shape.
                const double shown = c.sarNum > 0 ? double(c.width) * c.sarNum / c.sarDen : c.width;
                EXPECT_EQ(FieldAfter(file, "tkhd", 76, 4, true), std::llround(shown * 65536));
                EXPECT_EQ(FieldAfter(file, "tkhd", 80, 4, true), std::int64_t(c.height) << 16);
                EXPECT_EQ(FieldAfter(file, "avc1", 24, 2, true), c.width);
                EXPECT_EQ(FieldAfter(file, "avc1", 26, 2, true), c.height);
            }
        }
    }
}

TEST_F(EndToEnd, FallbackRateTimesTheVideoWhenTheHeaderHasNone) {
    recgen::Options options;
    options.frames = 10;
    options.records = {};
    const recgen::Manifest manifest = Generate(options);
    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"), 30);
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_FALSE(run.stats.rateFromHeader);
    EXPECT_EQ(ReadMedia(PathOf("out.avi")).streams[0].timeBaseDen, 30);
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
    EXPECT_EQ(DecodeMedia(PathOf("out.avi")).errors, 0);
}

namespace {

// When the last buffer of each stream ends, as GStreamer's own AVI demuxer
// times them (players on many Linux desktops are built on it). The sinks'
// debug lines are written as each buffer arrives; gst-launch's -v lines come
// through its message bus, which may still hold the last ones at the end.
std::map<char, double> GStreamerStreamEnds(const std::string& path) {
    const std::string command = "GST_DEBUG=basesink:5 GST_DEBUG_NO_COLOR=1 gst-launch-1.0 "
                                "filesrc location='" +
                                path +
                                "' ! avidemux name=d d.video_0 ! queue ! fakesink name=v "
                                "d.audio_0 ! queue ! fakesink name=a 2>&1";
    std::map<char, double> ends;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return ends;
    char line[1024];
    const std::regex buffer(
        R"(chain_unlocked:<(v|a)> got times start: [\d:.]+, end: (\d+):(\d+):([\d.]+))");
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::cmatch m;
        if (!std::regex_search(line, m, buffer))
            continue;
        const double end = std::stod(m[2]) * 3600 + std::stod(m[3]) * 60 + std::stod(m[4]);
        double& latest = ends[m[1].str()[0]];
        latest = std::max(latest, end);
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
    const auto packets = ReadMedia(PathOf("out.avi")).packets;
    std::int64_t k = 0;
    for (const MediaPacket& packet : packets) {
        if (packet.stream == 1) {
            ASSERT_EQ(packet.dts, k++) << "in units of 321/8000 s";
        }
    }
    EXPECT_GT(k, 1400);
}

namespace {

// A chunk's NAL units as an MP4 stores them: each behind a four-byte length
// instead of a start code (the zero that leads a four-byte start code is
// not the unit before it).
std::vector<std::uint8_t> LengthPrefixed(const std::vector<std::uint8_t>& annexB) {
    std::vector<std::size_t> codes;
    for (std::size_t i = 0; i + 3 <= annexB.size(); ++i)
        if (annexB[i] == 0 && annexB[i + 1] == 0 && annexB[i + 2] == 1)
            codes.push_back(i), i += 2;
    std::vector<std::uint8_t> units;
    for (std::size_t k = 0; k < codes.size(); ++k) {
        const std::size_t begin = codes[k] + 3;
        std::size_t end = k + 1 < codes.size() ? codes[k + 1] : annexB.size();
        if (k + 1 < codes.size() && end > begin && annexB[end - 1] == 0)
            --end;
        const std::size_t n = end - begin;
        units.insert(units.end(), {std::uint8_t(n >> 24), std::uint8_t(n >> 16),
                                   std::uint8_t(n >> 8), std::uint8_t(n)});
        units.insert(units.end(), annexB.begin() + begin, annexB.begin() + end);
    }
    return units;
}

// The recording from chunk `first` on, behind the same header: it then
// starts with the frames before a key frame.
recgen::Manifest StartAt(const std::string& path, recgen::Manifest manifest, std::size_t first) {
    std::vector<std::uint8_t> bytes = recgen::ReadFileBytes(path);
    const std::int64_t cut = manifest.chunks[first].offset - 512;
    bytes.erase(bytes.begin() + 512, bytes.begin() + manifest.chunks[first].offset);
    WriteFile(path, bytes);
    manifest.chunks.erase(manifest.chunks.begin(), manifest.chunks.begin() + first);
    for (recgen::ChunkRecord& chunk : manifest.chunks)
        chunk.offset -= cut, chunk.payloadOffset -= cut;
    return manifest;
}

// The first key frame's sequence parameter set zeroed from its third byte
// to the picture parameter set, as a zeroed card sector leaves it.
void ZeroFirstSequenceParameterSet(const std::string& path, const recgen::Manifest& manifest) {
    std::vector<std::uint8_t> bytes = recgen::ReadFileBytes(path);
    for (const recgen::ChunkRecord& chunk : manifest.chunks) {
        if (chunk.kind != recgen::kKeyVideo)
            continue;
        const auto begin = bytes.begin() + chunk.payloadOffset;
        const std::uint8_t sps[] = {0, 0, 1, 0x67}, pps[] = {0, 0, 0, 1, 0x68};
        const auto set = std::search(begin, begin + chunk.payloadBytes, sps, sps + 4);
        const auto next = std::search(set, begin + chunk.payloadBytes, pps, pps + 5);
        ASSERT_LT(next - set, chunk.payloadBytes) << "no parameter sets to damage";
        std::fill(set + 6, next, 0);
        return WriteFile(path, bytes);
    }
}

// The kinds of recording the MP4 and inline tables go over.
struct Kinds {
    recgen::Options plain, damaged, noRate, leading, silent;
};

Kinds KindsOfRecording() {
    Kinds k;
    k.plain.frames = 300; // several windows long
    k.damaged.frames = 60;
    k.damaged.garbageEvery = 5;
    k.damaged.bogusLengthAt = 13;
    k.damaged.truncateLast = true;
    k.noRate.frames = 40;
    k.noRate.records = {};
    // More frames and sound before the first key frame than the encoder
    // queues while the picture runs ahead, and than it keeps in memory
    // while waiting for the picture (the rest waits on disk).
    k.leading.frames = 400;
    k.leading.keyInterval = 200;
    k.silent.frames = 30;
    k.silent.audio = false;
    return k;
}

} // namespace

// The MP4 of each kind of recording, read back as a player reads it.
TEST_F(EndToEnd, Mp4HoldsEveryFrameUnchangedAndTheSoundInStep) {
    struct Case {
        const char* what;
        recgen::Options options;
        int fallbackRate = 25;
        std::size_t startAtChunk = 0;
        const char* dest = "out.mp4";
        bool damagedSets = false; // the first key frame's, which is then dropped
    };
    const Kinds k = KindsOfRecording();
    const Case cases[] = {{"plain", k.plain},
                          {"damaged", k.damaged},
                          {"no header rate", k.noRate, 10},
                          {"frames before the key frame", k.leading, 25, 9},
                          {"no audio, a name in capitals", k.silent, 25, 0, "OUT.MP4"},
                          {"damaged parameter sets", k.leading, 25, 0, "out.mp4", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        recgen::Manifest manifest = Generate(c.options);
        if (c.startAtChunk > 0)
            manifest = StartAt(PathOf("in.264"), manifest, c.startAtChunk);
        if (c.damagedSets)
            ZeroFirstSequenceParameterSet(PathOf("in.264"), manifest);
        const std::string mp4Path = PathOf(c.dest);
        const ConversionRun run = Convert(PathOf("in.264"), mp4Path, c.fallbackRate);
        ASSERT_EQ(run.result, 0) << run.error;
        const int rate = run.stats.frameRate;

        // What the MP4 must hold: the frames from the first key frame on,
        // each in its slot as the AVI would have it; the sound from there.
        const std::vector<std::uint8_t> bytes = recgen::ReadFileBytes(PathOf("in.264"));
        std::vector<std::vector<std::uint8_t>> frames;
        std::vector<bool> keys;
        std::vector<std::int64_t> slots;
        std::int64_t slot = -1, start = -1, blocks = 0, leftOut = 0, undecodable = 0;
        for (const recgen::ChunkRecord& chunk : manifest.chunks) {
            if (chunk.kind == recgen::kAudio) {
                blocks += chunk.damaged ? 0 : 1;
                continue;
            }
            if (chunk.damaged || slot >= 0)
                slot += chunk.damaged ? (slot >= 0) : 1;
            else
                slot = 0;
            if (chunk.damaged)
                continue;
            if (start < 0 && c.damagedSets && undecodable == 0 && chunk.kind == recgen::kKeyVideo) {
                ++undecodable;
                continue;
            }
            if (start < 0 && chunk.kind != recgen::kKeyVideo) {
                ++leftOut;
                continue;
            }
            if (start < 0)
                start = slot;
            frames.emplace_back(
                LengthPrefixed({bytes.begin() + chunk.payloadOffset,
                                bytes.begin() + chunk.payloadOffset + chunk.payloadBytes}));
            keys.push_back(chunk.kind == recgen::kKeyVideo);
            slots.push_back(slot - start);
        }
        EXPECT_EQ(run.stats.framesLeftOut, leftOut);
        EXPECT_EQ(run.stats.undecodableKeyFrames, undecodable);
        if (c.damagedSets) {
            EXPECT_EQ(run.stats.damagedChunks, 1) << "the key frame dropped is damage";
        }
        EXPECT_EQ(leftOut > 0, c.startAtChunk > 0 || c.damagedSets);
        EXPECT_EQ(run.stats.soundSamplesLeftOut, start * 8000 / rate);

        const std::vector<std::string> boxes = TopLevelBoxes(mp4Path);
        ASSERT_GE(boxes.size(), 3u);
        EXPECT_EQ(boxes[0] + boxes[1], "ftypmoov") << "the index before the data";
        const MediaContents mp4 = ReadMedia(mp4Path);
        ASSERT_EQ(mp4.streams.size(), c.options.audio ? 2u : 1u);
        const MediaStreamInfo& v = mp4.streams[0];
        EXPECT_EQ(v.codecId, AV_CODEC_ID_H264);
        EXPECT_EQ(v.width, 720);
        EXPECT_EQ(v.height, 576);
        EXPECT_EQ(v.startTime, 0);
        std::size_t frame = 0;
        for (const MediaPacket& packet : mp4.packets) {
            if (packet.stream != 0)
                continue;
            ASSERT_LT(frame, frames.size());
            ASSERT_EQ(packet.data, frames[frame]) << "frame " << frame;
            ASSERT_EQ(packet.key, keys[frame]) << "frame " << frame;
            ASSERT_EQ(packet.dts * rate, slots[frame] * v.timeBaseDen) << "frame " << frame;
            ++frame;
        }
        EXPECT_EQ(frame, frames.size());
        if (WhyNoDecoders() == nullptr) {
            const DecodeCounts decoded = DecodeMedia(mp4Path);
            EXPECT_EQ(decoded.videoFrames, int(frames.size()));
            EXPECT_EQ(decoded.errors, 0);
        }
        std::filesystem::remove(mp4Path);
        if (!c.options.audio)
            continue;
        const MediaStreamInfo& a = mp4.streams[1];
        EXPECT_EQ(a.codecId, AV_CODEC_ID_AAC);
        EXPECT_EQ(a.sampleRate, 8000);
        EXPECT_EQ(a.channels, 1);
        EXPECT_EQ(a.startTime, 0) << "the sound starts with the picture";
        const std::int64_t samples = blocks * 321 - start * 8000 / rate;
        EXPECT_NEAR(double(a.duration) * a.timeBaseNum / a.timeBaseDen, samples / 8000.0,
                    1024 / 8000.0)
            << "as long as its blocks, within one AAC frame";
    }
}

// Where there are no threads, the read-ahead and the sound's encoding run
// on the caller's thread: the files must not differ by a byte.
TEST_F(EndToEnd, InlineAndThreadedConversionsWriteTheSameBytes) {
    const Kinds k = KindsOfRecording();
    const std::pair<const char*, recgen::Options> cases[] = {{"plain", k.plain},
                                                             {"damaged", k.damaged},
                                                             {"no header rate", k.noRate},
                                                             {"leading", k.leading},
                                                             {"no audio", k.silent}};
    for (const auto& [what, options] : cases) {
        const recgen::Manifest manifest = Generate(options);
        if (std::string(what) == "leading")
            StartAt(PathOf("in.264"), manifest, 9);
        for (const char* dest : {"out.avi", "out.mp4"}) {
            SCOPED_TRACE(std::string(what) + ", " + dest);
            ASSERT_EQ(Convert(PathOf("in.264"), PathOf(dest), 10).result, 0);
            const std::vector<std::uint8_t> threaded = recgen::ReadFileBytes(PathOf(dest));
            EnableThreads(false);
            ASSERT_FALSE(Worker().Start([](std::stop_token) {})) << "a thread all the same";
            const ConversionRun inline_ = Convert(PathOf("in.264"), PathOf(dest), 10);
            EnableThreads(true);
            ASSERT_EQ(inline_.result, 0) << inline_.error;
            EXPECT_TRUE(recgen::ReadFileBytes(PathOf(dest)) == threaded);
        }
    }
}
