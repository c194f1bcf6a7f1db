// The job never harms the source or an existing destination, never leaves a
// half-written file, and says which file failed and why.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/convert/conversion_fixture.h"
#include "tests/convert/crafted_recording.h"
#include "tests/convert/media_readback.h"
#include "tests/support/system_facts.h"

namespace fs = std::filesystem;

namespace {

CraftedRecording SmallRecording() {
    CraftedRecording rec;
    rec.Rate(0, 0x19);
    for (int i = 0; i < 6; ++i)
        rec.Video(i == 0, VideoPayload(4000, static_cast<std::uint8_t>(i))).Audio(AudioBlock(1));
    return rec;
}

} // namespace

class DestinationIsSource : public ConversionTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(DestinationIsSource, IsRefusedBeforeAnythingIsWritten) {
    const CraftedRecording rec = SmallRecording();
    fs::create_directory(m_dir / "sub");
    rec.WriteTo(PathOf("in.264"));
    std::error_code noLinks;
    fs::create_symlink(m_dir / "in.264", m_dir / "link.264", noLinks);
    fs::create_hard_link(m_dir / "in.264", m_dir / "hard.264");
    if (GetParam() == std::string("symbolic link") && noLinks)
        GTEST_SKIP() << "this system makes no symbolic links here: " << noLinks.message();

    const std::string way = GetParam();
    std::string dest;
    if (way == "same path")
        dest = PathOf("in.264");
    else if (way == "another spelling")
        dest = (m_dir / "sub" / ".." / "." / "in.264").string();
    else if (way == "symbolic link")
        dest = PathOf("link.264");
    else
        dest = PathOf("hard.264");

    const ConversionRun run = Convert(PathOf("in.264"), dest);
    EXPECT_NE(run.result, 0);
    EXPECT_NE(run.error.find(dest), std::string::npos) << run.error;
    EXPECT_NE(run.error.find("source"), std::string::npos) << run.error;
    EXPECT_TRUE(run.reports.empty());
    EXPECT_EQ(ReadFile(PathOf("in.264")), rec.Bytes());
    EXPECT_EQ(fs::is_symlink(m_dir / "link.264"), !noLinks);
    EXPECT_TRUE(StrayFiles({"in.264", "hard.264", "link.264"}).empty());
}

TEST(FileIdentity, SameFileNeedsTheSameIndexOnTheSameDevice) {
    EXPECT_TRUE(SameFile({3, 77}, {3, 77}));
    EXPECT_FALSE(SameFile({3, 77}, {4, 77})) << "the same index on another device";
    EXPECT_FALSE(SameFile({3, 77}, {3, 78}));
}

INSTANTIATE_TEST_SUITE_P(AllSpellings, DestinationIsSource,
                         ::testing::Values("same path", "another spelling", "symbolic link",
                                           "hard link"));

TEST_F(ConversionTest, FailuresNameTheFileAndTheCause) {
    // Several windows long, so a conversion that went ahead would report.
    CraftedRecording rec, noRate;
    rec.Rate(0, 0x19);
    for (int i = 0; i < 30; ++i)
        rec.Video(i == 0, VideoPayload(20000, static_cast<std::uint8_t>(i)));
    rec.WriteTo(PathOf("in.264"));
    noRate.Video(true, VideoPayload(100, 1)).WriteTo(PathOf("norate.264"));
    fs::create_directory(m_dir / "folder.264");
    const std::string special = NonRegularFile(m_dir);
    const std::string longName = PathOf(std::string(300, 'n') + ".avi");
    const std::string noSuchFile = ExpectedCause(SystemCause::kNoSuchFile);
    const std::string isADirectory = ExpectedCause(SystemCause::kIsADirectory);

    struct Case {
        std::string source, dest, file, cause;
    } cases[] = {
        {PathOf("missing.264"), PathOf("a.avi"), PathOf("missing.264"), noSuchFile},
        {PathOf("folder.264"), PathOf("b.avi"), PathOf("folder.264"), isADirectory},
        {PathOf("in.264"), PathOf("no/such/folder/c.avi"), PathOf("no/such/folder/c.avi"),
         ExpectedCause(SystemCause::kNoSuchFolder)},
        {PathOf("in.264"), PathOf("folder.264"), PathOf("folder.264"), isADirectory},
        // Neither blocks nor is replaced by a regular file.
        {special, PathOf("d.avi"), special, "is not a regular file"},
        {PathOf("in.264"), special, special, "is not a regular file"},
        // Found before the source is read, not at the final rename.
        {PathOf("in.264"), longName, longName, ExpectedCause(SystemCause::kNameTooLong)},
        // The fallback rate applies and is out of range.
        {PathOf("norate.264"), PathOf("e.avi"), PathOf("norate.264"),
         "fallback rate 31 is outside"},
    };
    for (const Case& c : cases) {
        const ConversionRun run = Convert(c.source, c.dest, 31);
        EXPECT_NE(run.result, 0) << c.source << " -> " << c.dest;
        EXPECT_EQ(run.error.rfind(c.file + ": ", 0), 0u) << run.error;
        EXPECT_NE(run.error.find(c.cause), std::string::npos) << run.error;
        EXPECT_TRUE(run.reports.empty()) << "a failed conversion makes no report";
    }
    EXPECT_TRUE(StrayFiles({"in.264", "norate.264", "fifo"}).empty());
}

TEST_F(ConversionTest, AFailedWriteLeavesTheOldDestinationAndNoTemporaryFile) {
    CraftedRecording rec;
    for (int i = 0; i < 40; ++i)
        rec.Video(i == 0, VideoPayload(20000, static_cast<std::uint8_t>(i)));
    rec.WriteTo(PathOf("in.264"));
    const std::vector<std::uint8_t> old(300000, 0x42);
    WriteFile(PathOf("out.avi"), old);
    if (const char* why = WhyNoFileSizeLimit())
        GTEST_SKIP() << why;
    ASSERT_EQ(Convert(PathOf("in.264"), PathOf("whole.avi")).result, 0);
    const auto whole = static_cast<std::int64_t>(fs::file_size(m_dir / "whole.avi"));
    fs::remove(m_dir / "whole.avi");

    // Writes past the limit fail as on a full disk: half-way through the
    // packets, or at the very last byte, while the index is written. The
    // limit applies to the whole process, so the conversion runs in a child.
    for (const std::int64_t size : {std::int64_t{100000}, whole - 1}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(RunWithFileSizeLimit(size, [&] {
            const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
            std::ofstream(PathOf("error.txt")) << run.error;
            // A full disk half-way is heard there, not once the rest is read
            // (the muxer's buffer and the read-ahead run a little ahead).
            const bool stoppedThere = size == whole - 1 || run.reports.empty() ||
                                      4 * run.reports.back().first < 3 * run.reports.back().second;
            return run.result != 0 && run.CompletionReports() == 0 && stoppedThere;
        })) << "the conversion must fail where the write fails, without a completion report";

        std::ifstream errorFile(PathOf("error.txt"));
        std::string error((std::istreambuf_iterator<char>(errorFile)),
                          std::istreambuf_iterator<char>());
        EXPECT_EQ(error.rfind(PathOf("out.avi") + ": ", 0), 0u) << error;
        EXPECT_NE(error.find("File too large"), std::string::npos) << error;
        EXPECT_EQ(ReadFile(PathOf("out.avi")), old);
        EXPECT_TRUE(StrayFiles({"in.264", "out.avi", "error.txt"}).empty());
    }
}

TEST_F(ConversionTest, ASuccessfulConversionReplacesTheDestinationWhole) {
    const CraftedRecording rec = SmallRecording();
    rec.WriteTo(PathOf("in.264"));
    WriteFile(PathOf("out.avi"), std::vector<std::uint8_t>(5000000, 0x42));
    MarkAsUsers(m_dir / "out.avi");
    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
    EXPECT_TRUE(MarkedAsUsers(m_dir / "out.avi")) << "the replaced file's permissions carry over";
    ASSERT_EQ(Convert(PathOf("in.264"), PathOf("new.avi")).result, 0);
    EXPECT_TRUE(LooksNew(m_dir / "new.avi"))
        << "a new file gets the mode any new file of the user gets";
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(ReadMedia(PathOf("out.avi")).packets.size(), 12u);
    EXPECT_EQ(run.stats.outputBytes, static_cast<std::int64_t>(fs::file_size(m_dir / "out.avi")));
    EXPECT_LT(run.stats.outputBytes, 1000000) << "nothing of the old file remains";
    EXPECT_EQ(ReadFile(PathOf("in.264")), rec.Bytes());
    EXPECT_TRUE(StrayFiles({"in.264", "out.avi", "new.avi"}).empty());
}

// A job stopped by its caller fails and leaves every file as it was, up to
// the last report before the AVI is moved into place; a stop asked for
// after that leaves the finished AVI.
TEST_F(ConversionTest, AJobStopsWhenItsCallerAsks) {
    CraftedRecording rec;
    for (int i = 0; i < 40; ++i)
        rec.Video(i == 0, VideoPayload(20000, static_cast<std::uint8_t>(i)));
    rec.WriteTo(PathOf("in.264"));
    const std::vector<std::uint8_t> old(3000, 0x42);
    struct Stop {
        int atReport; // counted from the last, which is the completion report
        bool stops;
    } const stops[] = {{-38, true}, {-2, true}, {-1, false}};
    for (const Stop& stop : stops) {
        WriteFile(PathOf("out.avi"), old);
        ConversionRun all = Convert(PathOf("in.264"), PathOf("count.avi"));
        fs::remove(m_dir / "count.avi");
        const int total = static_cast<int>(all.reports.size());
        struct Count {
            int reports, stopAt;
        } count{0, total + stop.atReport + 1};
        CStreamConverter job(PathOf("in.264").c_str(), PathOf("out.avi").c_str(), 25);
        job.SetCallback(&count, [](void* context, std::int64_t, std::int64_t) {
            auto* c = static_cast<Count*>(context);
            return ++c->reports == c->stopAt ? 1 : 0;
        });
        EXPECT_EQ(job.Run() != 0, stop.stops) << stop.atReport;
        EXPECT_EQ(ReadFile(PathOf("out.avi")) == old, stop.stops) << stop.atReport;
        if (stop.stops) {
            EXPECT_EQ(count.reports, count.stopAt);
            EXPECT_EQ(job.GetFailure().kind, FailureKind::Cancelled);
            EXPECT_EQ(job.GetFailure().Message(), PathOf("in.264") + ": cancelled");
        }
        EXPECT_TRUE(StrayFiles({"in.264", "out.avi"}).empty());
    }
}

TEST_F(ConversionTest, PathsLongerThanOldFixedFieldsWork) {
    fs::path deep = m_dir;
    for (int i = 0; i < 6; ++i)
        deep /= std::string(60, static_cast<char>('a' + i));
    fs::create_directories(deep);
    const std::string source = (deep / (std::string(200, 's') + ".264")).string();
    const std::string dest = (deep / (std::string(200, 'd') + ".avi")).string();
    ASSERT_GT(source.size(), 500u);
    SmallRecording().WriteTo(source);
    const ConversionRun run = Convert(source, dest);
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(ReadMedia(dest).packets.size(), 12u);
}

TEST_F(ConversionTest, SourcesBeyondTwoGibibytesConvertCompletely) {
    // A sparse file: chunks at its start, 2.1 GiB of zeros, chunks at its end.
    const auto first = VideoPayload(5000, 1), last = VideoPayload(6000, 2);
    CraftedRecording head;
    head.Rate(0, 0x19).Video(true, first).Audio(AudioBlock(1));
    CraftedRecording tail;
    tail.Bytes().clear();
    tail.Video(false, last).Audio(AudioBlock(2));
    const std::int64_t tailAt = (std::int64_t{21} << 30) / 10; // 2.1 GiB
    {
        std::ofstream out(PathOf("big.264"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(head.Bytes().data()),
                  static_cast<std::streamsize>(head.Bytes().size()));
        out.seekp(tailAt);
        out.write(reinterpret_cast<const char*>(tail.Bytes().data()),
                  static_cast<std::streamsize>(tail.Bytes().size()));
        ASSERT_TRUE(out.good());
    }
    const std::int64_t size = tailAt + static_cast<std::int64_t>(tail.Bytes().size());

    const ConversionRun run = Convert(PathOf("big.264"), PathOf("big.avi"));
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(run.stats.fileSize, size);
    EXPECT_EQ(run.stats.videoPackets, 2);
    EXPECT_EQ(run.stats.audioPackets, 2);
    ASSERT_FALSE(run.reports.empty());
    for (std::size_t i = 1; i < run.reports.size(); ++i)
        ASSERT_GE(run.reports[i].first, run.reports[i - 1].first) << "report " << i;
    EXPECT_EQ(run.reports.back(), std::make_pair(size, size));
    EXPECT_EQ(run.CompletionReports(), 1);
    const auto video = ReadMedia(PathOf("big.avi"));
    ASSERT_EQ(video.packets.size(), 4u);
}
