// The fault matrix through the conversion job, for the cases the job's own
// safety tests leave out: a source whose reads fail, a read-only destination
// folder, a source past 4 GiB and a source cut at every byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <unistd.h>

#include "tests/convert/conversion_fixture.h"
#include "tests/convert/crafted_recording.h"
#include "tests/fault/fault_harness.h"
#include "tests/fault/fault_recordings.h"

namespace fs = std::filesystem;
using fault::ExpectedPacket;

namespace {

// Reading /proc/self/mem at offset 0 fails with EIO: page 0 is never mapped.
// Permission bits cannot make a read fail for root; this does, on any Linux,
// needing nothing but /proc.
constexpr const char* kUnreadable = "/proc/self/mem";

// The descriptor this process has open on `path`, or -1.
int DescriptorOf(const fs::path& path) {
    const fs::path wanted = fs::canonical(path);
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(entry.path(), ec) == wanted && !ec)
            return std::stoi(entry.path().filename().string());
    }
    return -1;
}

// On the first progress report, puts an unreadable file behind the source's
// descriptor, so the conversion's next read from the disk fails with EIO
// half-way through, as a bad sector would.
struct ReadFailureInjector {
    fs::path source;
    std::vector<std::pair<std::int64_t, std::int64_t>> reports;
    bool injected = false;

    static int OnProgress(void* context, std::int64_t read, std::int64_t size) {
        auto* self = static_cast<ReadFailureInjector*>(context);
        self->reports.emplace_back(read, size);
        if (!self->injected) {
            const int fd = DescriptorOf(self->source);
            const int unreadable = open(kUnreadable, O_RDONLY | O_CLOEXEC);
            self->injected = fd >= 0 && unreadable >= 0 && dup2(unreadable, fd) == fd;
            if (unreadable >= 0)
                close(unreadable);
        }
        return 0;
    }
};

} // namespace

class JobFaults : public ConversionTest {
protected:
    void WriteOldDestination() {
        WriteFile(PathOf("old.avi"), std::vector<std::uint8_t>(7000, 0x42));
    }
};

TEST_F(JobFaults, UnreadableSourceFailsNamingItAndChangesNothing) {
    WriteOldDestination();
    const fault::FolderSnapshot before = fault::Snapshot(m_dir);
    const ConversionRun run = Convert(kUnreadable, PathOf("old.avi"));
    EXPECT_NE(run.result, 0);
    EXPECT_EQ(run.error, std::string(kUnreadable) + ": " + std::strerror(EIO));
    EXPECT_TRUE(run.reports.empty());
    EXPECT_EQ(fault::Differences(before, fault::Snapshot(m_dir)), "");
}

TEST_F(JobFaults, ReadFailureHalfWayRemovesThePartialOutputAndKeepsTheOldOne) {
    // Well past stdio's 1 MiB buffer and the reader's window, so reads from
    // the disk go on after the first report.
    CraftedRecording rec;
    rec.Rate(0, 0x19);
    for (int i = 0; i < 40; ++i)
        rec.Video(i % 10 == 0, VideoPayload(100000, static_cast<std::uint8_t>(i)));
    rec.WriteTo(PathOf("in.264"));
    WriteOldDestination();
    const fault::FolderSnapshot before = fault::Snapshot(m_dir);

    ReadFailureInjector injector{PathOf("in.264"), {}, false};
    CStreamConverter job(PathOf("in.264").c_str(), PathOf("old.avi").c_str(), 25);
    job.SetCallback(&injector, &ReadFailureInjector::OnProgress);
    const int result = RunConverter(&job);

    ASSERT_TRUE(injector.injected) << "the source's descriptor was not found";
    EXPECT_NE(result, 0);
    EXPECT_EQ(job.GetFailure().Message(), PathOf("in.264") + ": " + std::strerror(EIO));
    for (const auto& [read, size] : injector.reports)
        EXPECT_LT(read, size) << "a failed conversion reported completion";
    EXPECT_EQ(fault::Differences(before, fault::Snapshot(m_dir)), "");
}

TEST_F(JobFaults, ReadOnlyDestinationFolderFailsNamingTheDestination) {
    CraftedRecording rec;
    rec.Rate(0, 0x19).Video(true, VideoPayload(3000, 1)).Audio(AudioBlock(2));
    rec.WriteTo(PathOf("in.264"));
    fs::create_directory(m_dir / "ro");
    WriteFile(PathOf("ro/old.avi"), std::vector<std::uint8_t>(7000, 0x42));
    const fault::FolderSnapshot before = fault::Snapshot(m_dir);

    fault::ChildConditions readOnly;
    readOnly.readOnlyFolder = m_dir / "ro";
    const fault::ChildResult child = fault::RunInChild(readOnly, [&]() {
        int failures = 0;
        for (const char* dest : {"ro/old.avi", "ro/new.avi"}) {
            const ConversionRun run = Convert(PathOf("in.264"), PathOf(dest));
            failures += run.result != 0 && run.reports.empty() ? 1 : 0;
            std::cout << run.error << '\n';
        }
        return failures == 2 ? 0 : 1;
    });
    if (!child.setupError.empty())
        GTEST_SKIP() << "no read-only folder can be made here: " << child.setupError;

    EXPECT_EQ(child.exitCode, 0) << "both conversions must fail without a report";
    EXPECT_EQ(child.out, PathOf("ro/old.avi") + ": " + std::strerror(EROFS) + "\n" +
                             PathOf("ro/new.avi") + ": " + std::strerror(EROFS) + "\n");
    EXPECT_EQ(fault::Differences(before, fault::Snapshot(m_dir)), "");
}

TEST_F(JobFaults, SourceBeyondFourGibibytesConvertsEveryChunk) {
    // Past 2^32, so any 32-bit offset or count shows as lost or misplaced chunks.
    const std::int64_t size = (std::int64_t{41} << 30) / 10;
    const std::vector<ExpectedPacket> expected =
        fault::WriteSparseRecording(PathOf("big.264"), size);

    const ConversionRun run = Convert(PathOf("big.264"), PathOf("big.avi"));
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(run.stats.fileSize, size);
    EXPECT_EQ(run.stats.damagedChunks, 0);
    const auto written = fault::PacketsOf(PathOf("big.avi"));
    EXPECT_TRUE(fault::SamePackets(written, expected)) << fault::Describe(written);

    ASSERT_FALSE(run.reports.empty());
    for (std::size_t i = 1; i < run.reports.size(); ++i) {
        ASSERT_GE(run.reports[i].first, run.reports[i - 1].first) << "report " << i;
        ASSERT_EQ(run.reports[i].second, size) << "report " << i;
    }
    EXPECT_EQ(run.reports.back(), std::make_pair(size, size));
    EXPECT_EQ(run.CompletionReports(), 1);
}

TEST_F(JobFaults, SourceCutAtEveryByteYieldsEveryCompleteChunkBeforeTheCut) {
    const fault::KnownRecording known = fault::ShortRecording();
    const std::int64_t size = static_cast<std::int64_t>(known.bytes.size());
    for (std::int64_t cut = 0; cut <= size; ++cut) {
        WriteFile(PathOf("cut.264"), {known.bytes.begin(), known.bytes.begin() + cut});
        const ConversionRun run = Convert(PathOf("cut.264"), PathOf("cut.avi"));
        ASSERT_EQ(run.result, 0) << "cut at " << cut << ": " << run.error;
        ASSERT_EQ(run.CompletionReports(), 1) << "cut at " << cut;
        const auto expected = known.CompleteWithin(cut);
        const auto written = fault::PacketsOf(PathOf("cut.avi"));
        ASSERT_TRUE(fault::SamePackets(written, expected))
            << "cut at " << cut << ": wrote " << fault::Describe(written) << "expected "
            << fault::Describe(expected);
    }
    EXPECT_TRUE(StrayFiles({"cut.264", "cut.avi"}).empty());
}
