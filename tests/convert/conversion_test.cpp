// Whole conversions of hand-made recordings, read back with the demuxer.
#include <gtest/gtest.h>

#include <algorithm>

#include "convert/pipeline.h"
#include "convert/source/recording.h"
#include "tests/convert/conversion_fixture.h"
#include "tests/convert/crafted_recording.h"
#include "tests/convert/media_readback.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/avutil.h>
}

namespace {

std::vector<MediaPacket> PacketsOf(const MediaContents& avi, int stream) {
    std::vector<MediaPacket> packets;
    for (const MediaPacket& packet : avi.packets)
        if (packet.stream == stream)
            packets.push_back(packet);
    return packets;
}

} // namespace

TEST_F(ConversionTest, EveryChunkOfAShortSourceBecomesOnePacketInOrder) {
    const auto v1 = VideoPayload(3000, 1), v2 = VideoPayload(1200, 2), v3 = VideoPayload(900, 3);
    const auto a1 = AudioBlock(1), a2 = AudioBlock(2);
    CraftedRecording rec;
    rec.Rate(0, 0x0A).Video(true, v1).Audio(a1).Video(false, v2, 16).Audio(a2).Video(false, v3);
    rec.WriteTo(PathOf("in.264"));

    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"), 25);
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(run.stats.videoPackets, 3);
    EXPECT_EQ(run.stats.keyVideoPackets, 1);
    EXPECT_EQ(run.stats.audioPackets, 2);
    EXPECT_EQ(run.stats.damagedChunks, 0);
    EXPECT_EQ(run.stats.frameRate, 10) << "the header's rate beats the fallback";
    EXPECT_TRUE(run.stats.rateFromHeader);

    const MediaContents avi = ReadMedia(PathOf("out.avi"));
    ASSERT_EQ(avi.streams.size(), 2u);
    EXPECT_EQ(avi.streams[0].codecId, AV_CODEC_ID_H264);
    EXPECT_EQ(avi.streams[0].timeBaseNum, 1);
    EXPECT_EQ(avi.streams[0].timeBaseDen, 10);
    // No key frame here decodes: the recorders' usual picture is declared.
    EXPECT_EQ(avi.streams[0].width, 720);
    EXPECT_EQ(avi.streams[0].height, 576);
    EXPECT_EQ(avi.streams[1].codecId, AV_CODEC_ID_ADPCM_IMA_WAV);

    const auto order = ReadMoviChunks(PathOf("out.avi"));
    ASSERT_EQ(order.size(), 5u);
    const std::vector<int> streams{0, 1, 0, 1, 0};
    for (std::size_t i = 0; i < streams.size(); ++i)
        EXPECT_EQ(order[i].stream, streams[i]) << "chunk " << i;

    const auto video = PacketsOf(avi, 0);
    const auto audio = PacketsOf(avi, 1);
    ASSERT_EQ(video.size(), 3u);
    ASSERT_EQ(audio.size(), 2u);
    EXPECT_EQ(video[0].data, v1);
    EXPECT_EQ(video[1].data, v2) << "the extension is skipped";
    EXPECT_EQ(video[2].data, v3);
    EXPECT_TRUE(video[0].key);
    EXPECT_FALSE(video[1].key);
    EXPECT_FALSE(video[2].key);
    EXPECT_EQ(audio[0].data, RestoredBlock(a1));
    EXPECT_EQ(audio[1].data, RestoredBlock(a2));
    EXPECT_TRUE(audio[0].key && audio[1].key) << "every audio packet is a key";
}

TEST_F(ConversionTest, AudioBlockKeepsItsHeaderAndExchangesDataNibbles) {
    std::vector<std::uint8_t> block(164, 0x12);
    block[0] = 0xAB;
    block[3] = 0xCD;
    CraftedRecording rec;
    rec.Audio(block).WriteTo(PathOf("in.264"));
    // Behind it, zeros a recorder preallocated: they count against nothing.
    std::filesystem::resize_file(PathOf("in.264"), std::uintmax_t{4} << 20);
    ASSERT_EQ(Convert(PathOf("in.264"), PathOf("out.avi")).result, 0);
    const auto packets = PacketsOf(ReadMedia(PathOf("out.avi")), 1);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].data[0], 0xAB);
    EXPECT_EQ(packets[0].data[3], 0xCD);
    for (std::size_t i = 4; i < 164; ++i)
        ASSERT_EQ(packets[0].data[i], 0x21) << "byte " << i;
}

TEST_F(ConversionTest, FallbackRateAppliesOnlyWhenTheHeaderGivesNone) {
    CraftedRecording none;
    none.Video(true, VideoPayload(500, 1)).WriteTo(PathOf("none.264"));
    ConversionRun run = Convert(PathOf("none.264"), PathOf("none.avi"), 7);
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_FALSE(run.stats.rateFromHeader);
    EXPECT_EQ(ReadMedia(PathOf("none.avi")).streams[0].timeBaseDen, 7);

    CraftedRecording zeroed;
    zeroed.Rate(0, 0x19).Rate(1, 0x00).Video(true, VideoPayload(500, 1));
    zeroed.WriteTo(PathOf("zeroed.264"));
    run = Convert(PathOf("zeroed.264"), PathOf("zeroed.avi"), 1);
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(ReadMedia(PathOf("zeroed.avi")).streams[0].timeBaseDen, 1);
}

TEST_F(ConversionTest, GarbageBetweenChunksIsDropped) {
    const auto v1 = VideoPayload(700, 4), v2 = VideoPayload(800, 5);
    CraftedRecording rec;
    rec.Garbage(33).Video(true, v1).Garbage(1000, 0x30).Audio(AudioBlock(3)).Garbage(5);
    rec.Video(false, v2).Garbage(3);
    rec.WriteTo(PathOf("in.264"));
    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
    ASSERT_EQ(run.result, 0) << run.error;
    const auto video = PacketsOf(ReadMedia(PathOf("out.avi")), 0);
    ASSERT_EQ(video.size(), 2u);
    EXPECT_EQ(video[0].data, v1);
    EXPECT_EQ(video[1].data, v2);
    EXPECT_EQ(run.stats.audioPackets, 1);
    EXPECT_EQ(run.stats.damagedChunks, 0);
}

TEST_F(ConversionTest, DamagedChunksAreDroppedAndTheSearchGoesOn) {
    const auto good1 = VideoPayload(600, 6), good2 = VideoPayload(650, 7);
    const auto good3 = VideoPayload(300, 8);
    CraftedRecording rec;
    // A length that would wrap a 32-bit sum, one that is merely too large
    // for the window, and an audio chunk too short to hold a block.
    rec.VideoHead(true, 0xFFFFFFF0u).Video(true, good1);
    rec.VideoHead(false, 300000).Video(false, good2);
    rec.AudioWithLength(4, 4).AudioWithLength(0, 0);
    rec.Video(false, good3);
    // A damaged head whose tag's last byte leads the next, intact, tag: the
    // search resumes one byte after a damaged tag, not after the tag.
    const auto good4 = VideoPayload(200, 10);
    const std::size_t lead = rec.Raw({'0', '0', 'd', 'c', 'H', '2', '6'}).Bytes().size();
    rec.Video(true, good4).Bytes()[lead] = '4';
    // Cut short: the last chunk claims more than the file holds.
    rec.VideoHead(true, 5000).Raw(VideoPayload(100, 9));
    rec.WriteTo(PathOf("in.264"));

    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(run.stats.damagedChunks, 6);
    EXPECT_EQ(run.CompletionReports(), 1);
    const auto video = PacketsOf(ReadMedia(PathOf("out.avi")), 0);
    ASSERT_EQ(video.size(), 4u);
    EXPECT_EQ(video[0].data, good1);
    EXPECT_EQ(video[1].data, good2);
    EXPECT_EQ(video[2].data, good3);
    EXPECT_EQ(video[3].data, good4);
    // The two frames lost between good ones keep their slots as empty
    // frames; the one before the first frame and the one after the last
    // need none.
    const auto movi = ReadMoviChunks(PathOf("out.avi"));
    EXPECT_EQ(std::count_if(movi.begin(), movi.end(), [](auto& c) { return c.stream == 0; }), 6);
    EXPECT_EQ(run.stats.audioPackets, 0);
}

// A block whose header no decoder takes (a step index past 88) goes into an
// AVI as it is, since nothing is decoded there; an MP4, whose sound is
// decoded, drops it and counts it as damage.
TEST_F(ConversionTest, AnUndecodableBlockIsDamageOnlyWhereTheSoundIsDecoded) {
    const auto withStepIndex = [](std::uint8_t seed, std::uint8_t step) {
        std::vector<std::uint8_t> block = AudioBlock(seed);
        block[2] = step; // little-endian, 0 to 88
        block[3] = 0;
        return block;
    };
    CraftedRecording rec;
    rec.Rate(0, 0x19).Video(true, VideoPayload(400, 10)).Audio(withStepIndex(3, 10));
    rec.Audio(withStepIndex(4, 100)).Audio(withStepIndex(5, 88)).WriteTo(PathOf("in.264"));
    for (const char* dest : {"out.avi", "out.mp4"}) {
        const ConversionRun run = Convert(PathOf("in.264"), PathOf(dest));
        ASSERT_EQ(run.result, 0) << run.error;
        const bool mp4 = dest == std::string("out.mp4");
        EXPECT_EQ(run.stats.audioPackets, mp4 ? 2 : 3) << dest;
        EXPECT_EQ(run.stats.damagedChunks, mp4 ? 1 : 0) << dest;
    }
}

TEST_F(ConversionTest, ShortAudioBlockIsExchangedOnlyWithinItsChunk) {
    // L = 50: the block ends at chunk offset 57, long before 175. The video
    // chunk right behind it must reach the AVI untouched.
    std::vector<std::uint8_t> shortBlock(46, 0x12);
    const auto video = VideoPayload(400, 10);
    CraftedRecording rec;
    rec.Audio(shortBlock).Video(true, video);
    rec.WriteTo(PathOf("in.264"));
    ASSERT_EQ(Convert(PathOf("in.264"), PathOf("out.avi")).result, 0);
    const MediaContents avi = ReadMedia(PathOf("out.avi"));
    const auto audio = PacketsOf(avi, 1);
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(audio[0].data, RestoredBlock(shortBlock));
    ASSERT_EQ(PacketsOf(avi, 0).size(), 1u);
    EXPECT_EQ(PacketsOf(avi, 0)[0].data, video);
}

TEST_F(ConversionTest, TagAcrossTheWindowEdgeIsFound) {
    // No tag in the first window except one starting `distance` bytes before
    // its end: from 8 bytes on it is found there; closer, in the bytes the
    // window keeps for the next pass.
    const auto video = VideoPayload(2000, 11);
    for (std::size_t distance = 1; distance <= 8; ++distance) {
        CraftedRecording rec;
        rec.Garbage(kReadBufferBytes - 512 - distance).Video(true, video).Audio(AudioBlock(4));
        rec.WriteTo(PathOf("in.264"));
        const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
        ASSERT_EQ(run.result, 0) << run.error;
        const MediaContents avi = ReadMedia(PathOf("out.avi"));
        ASSERT_EQ(avi.packets.size(), 2u) << "tag " << distance << " bytes before the end";
        ASSERT_EQ(PacketsOf(avi, 0).size(), 1u);
        EXPECT_EQ(PacketsOf(avi, 0)[0].data, video);
    }
}

TEST_F(ConversionTest, ReportsFollowTheWindowAndEndWithOneCompletion) {
    // Large chunks so the source spans several windows.
    CraftedRecording rec;
    rec.Rate(0, 0x19);
    std::vector<std::int64_t> ends; // file offset just behind each chunk
    for (int i = 0; i < 40; ++i) {
        rec.Video(i % 10 == 0, VideoPayload(30000 + 1000 * i, static_cast<std::uint8_t>(i)));
        ends.push_back(static_cast<std::int64_t>(rec.Bytes().size()));
        rec.Audio(AudioBlock(static_cast<std::uint8_t>(i)));
        ends.push_back(static_cast<std::int64_t>(rec.Bytes().size()));
    }
    rec.WriteTo(PathOf("in.264"));
    const std::int64_t size = static_cast<std::int64_t>(rec.Bytes().size());
    ASSERT_GT(size, 4 * kReadBufferBytes);

    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(run.stats.videoPackets + run.stats.audioPackets, 80);

    // Pass k tops the window up to its full size, so after the chunk ending
    // at ends[k-1] was written, kReadBufferBytes more bytes have been read.
    // Until the AVI is in place no report claims completion: the chunks of
    // the last window, and the moment before the move, report one byte short.
    std::vector<std::pair<std::int64_t, std::int64_t>> expected;
    std::int64_t consumed = 0;
    for (std::int64_t end : ends) {
        expected.emplace_back(std::min(consumed + kReadBufferBytes, size - 1), size);
        consumed = end;
    }
    expected.emplace_back(size - 1, size);
    expected.emplace_back(size, size);
    EXPECT_EQ(run.reports, expected);
    EXPECT_EQ(run.CompletionReports(), 1);
}

TEST_F(ConversionTest, AnEmptySourceIsNoRecordingAndLeavesNothing) {
    WriteFile(PathOf("empty.264"), {});
    const ConversionRun run = Convert(PathOf("empty.264"), PathOf("out.avi"));
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.error,
              PathOf("empty.264") + ": no video or audio chunks found (not a recording?)");
    EXPECT_TRUE(run.reports.empty());
    EXPECT_EQ(StrayFiles({"empty.264"}), std::vector<std::string>{});
}

TEST_F(ConversionTest, AFirstFrameTheMuxerRefusesIsCountedAndSkipped) {
    std::vector<std::uint8_t> noStartCode(300, 0x77);
    const auto video = VideoPayload(500, 12);
    CraftedRecording rec;
    rec.Video(true, noStartCode).Video(true, video).Audio(AudioBlock(5));
    for (int i = 1; i <= 3; ++i)
        rec.Video(false, VideoPayload(500, static_cast<std::uint8_t>(12 + i)));
    rec.WriteTo(PathOf("in.264"));
    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(run.stats.refusedPackets, 1);
    EXPECT_EQ(run.stats.videoPackets, 4);
    const auto packets = PacketsOf(ReadMedia(PathOf("out.avi")), 0);
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(packets[0].data, video);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(packets[i].dts, i) << "the written frames stay evenly spaced";
}

// Several files read as one source: every chunk of each, in order, the
// progress over the whole, and a file that is no recording named.
TEST_F(ConversionTest, SeveralFilesReadAsOneSourceInOrder) {
    CraftedRecording first, second;
    first.Video(true, {1, 2, 3}).Audio(std::vector<std::uint8_t>(164, 0x12));
    second.Garbage(40).Video(false, {4, 5}).Video(true, {6});
    first.WriteTo(PathOf("a.264"));
    second.WriteTo(PathOf("b.264"));
    WriteFile(PathOf("c.264"), std::vector<std::uint8_t>(600, 0x55));
    struct Kinds : ChunkSink {
        std::vector<int> kinds;
        Failure Take(const Chunk& chunk) override {
            kinds.push_back(chunk.kind);
            return {};
        }
        void Lose(ChunkKind) override { kinds.push_back(0); }
    };
    const auto read = [&](std::vector<std::string> names, Kinds& sink) {
        std::vector<std::unique_ptr<Recording>> recordings;
        for (const std::string& name : names) {
            recordings.push_back(std::make_unique<Recording>());
            EXPECT_FALSE(OpenRecording(PathOf(name), 25, *recordings.back()));
        }
        ChunkSource source(std::move(recordings));
        std::int64_t last = -1, size = 0;
        const Failure failure = RunPipeline(source, sink, [&](std::int64_t at, std::int64_t all) {
            EXPECT_GE(at, last);
            last = at;
            size = all;
            return true;
        });
        EXPECT_EQ(size, source.Size());
        return failure;
    };
    Kinds both;
    EXPECT_FALSE(read({"a.264", "b.264"}, both));
    EXPECT_EQ(both.kinds,
              (std::vector<int>{KIND_KEY_VIDEO, KIND_AUDIO, KIND_VIDEO, KIND_KEY_VIDEO}));
    Kinds withNone;
    EXPECT_EQ(read({"a.264", "c.264", "b.264"}, withNone).Message(),
              PathOf("c.264") + ": no video or audio chunks found (not a recording?)");
}
