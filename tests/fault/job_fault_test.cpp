// The fault matrix through the conversion job, for the cases the job's own
// safety tests leave out: a source whose reads fail, a read-only destination
// folder, a source past 4 GiB, cut at every byte, growing while converted or
// holding long damage, paths at the system's limits, leftovers of killed
// jobs, a stop in a stretch without chunks, a final move that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "convert/probe.h"
#include "tests/convert/conversion_fixture.h"
#include "tests/convert/crafted_recording.h"
#include "tests/convert/media_readback.h"
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

CraftedRecording SmallRecording() {
    CraftedRecording rec;
    rec.Rate(0, 0x19);
    for (int i = 0; i < 6; ++i)
        rec.Video(i == 0, VideoPayload(4000, static_cast<std::uint8_t>(i))).Audio(AudioBlock(1));
    return rec;
}

// `frames` video frames of `bytes` each, a key frame every tenth.
CraftedRecording LongRecording(int frames, int bytes) {
    CraftedRecording rec;
    rec.Rate(0, 0x19);
    for (int i = 0; i < frames; ++i)
        rec.Video(i % 10 == 0, VideoPayload(bytes, static_cast<std::uint8_t>(i)));
    return rec;
}

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
    LongRecording(40, 100000).WriteTo(PathOf("in.264"));
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
        const auto expected = known.CompleteWithin(cut);
        if (expected.empty()) {
            // Nothing of a recording before the cut: it fails and leaves nothing.
            ASSERT_EQ(run.result, 1) << "cut at " << cut;
            ASSERT_FALSE(std::filesystem::exists(PathOf("cut.avi"))) << "cut at " << cut;
            continue;
        }
        ASSERT_EQ(run.result, 0) << "cut at " << cut << ": " << run.error;
        ASSERT_EQ(run.CompletionReports(), 1) << "cut at " << cut;
        const auto written = fault::PacketsOf(PathOf("cut.avi"));
        ASSERT_TRUE(fault::SamePackets(written, expected))
            << "cut at " << cut << ": wrote " << fault::Describe(written) << "expected "
            << fault::Describe(expected);
    }
    EXPECT_TRUE(StrayFiles({"cut.264", "cut.avi"}).empty());
}

// Every name the AVI will pass through is checked against the system's
// limits before the source is read; a name exactly at the limit converts.
TEST_F(JobFaults, DestinationLengthLimitsAreMetBeforeReading) {
    CraftedRecording rec;
    rec.Rate(0, 0x19).Video(true, VideoPayload(3000, 1)).Audio(AudioBlock(2));
    rec.WriteTo(PathOf("in.264"));
    // A folder whose own path fits the limit while the paths in it do not.
    std::string deep = m_dir.string();
    // Its hidden names do not fit either, though "o.avi" in it does.
    while (deep.size() < PATH_MAX - 12)
        deep += "/" + std::string(200, 'd');
    deep.resize(PATH_MAX - 12);
    if (deep.back() == '/')
        deep.back() = 'd';
    ASSERT_TRUE(fs::create_directories(deep));
    WriteFile(deep + "/o.avi", std::vector<std::uint8_t>(7000, 0x42));
    const std::string atLimit = PathOf(std::string(NAME_MAX - 4, 'n') + ".avi");
    const fault::FolderSnapshot before = fault::Snapshot(m_dir);

    const struct {
        std::string dest;
        bool converts;
    } cases[] = {
        {deep + "/" + std::string(40, 'n') + ".avi", false}, // the path itself is too long
        {deep + "/o.avi", false}, // the hidden name a replacement passes through is
        {atLimit, true},
    };
    for (const auto& c : cases) {
        const ConversionRun run = Convert(PathOf("in.264"), c.dest);
        EXPECT_EQ(run.result == 0, c.converts) << run.error;
        if (!c.converts) {
            EXPECT_EQ(run.error, c.dest + ": " + std::strerror(ENAMETOOLONG));
            EXPECT_TRUE(run.reports.empty()) << "refused before reading";
        }
    }
    fs::remove(atLimit);
    EXPECT_EQ(fault::Differences(before, fault::Snapshot(m_dir)), "");
}

// A hidden file that a killed job left (no live job holds its lock) is
// removed by the next job into the folder; one a live job is writing, and
// files that merely look alike, are left alone.
TEST_F(JobFaults, LeftoversOfKilledJobsAreRemovedByTheNextJob) {
    CraftedRecording rec;
    rec.Rate(0, 0x19).Video(true, VideoPayload(3000, 1));
    rec.WriteTo(PathOf("in.264"));
    for (const char* name : {".veltrano-abc123", ".veltrano-live01", ".veltrano-abc1234",
                             ".veltrano-ABC123", "veltrano-abc123"})
        WriteFile(PathOf(name), std::vector<std::uint8_t>(100, 0x42));
    const int live = open(PathOf(".veltrano-live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(live, LOCK_EX), 0);
    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
    close(live);
    ASSERT_EQ(run.result, 0) << run.error;
    const std::vector<std::string> kept = {"in.264",           "out.avi",
                                           ".veltrano-live01", ".veltrano-abc1234",
                                           ".veltrano-ABC123", "veltrano-abc123"};
    EXPECT_EQ(StrayFiles(kept), std::vector<std::string>{});
    for (const std::string& name : kept)
        EXPECT_TRUE(fs::exists(m_dir / name)) << name;
}

// A source still being written (a copy or a recording under way) is
// followed to its end, and the statistics say it grew: here it first ends
// inside a chunk, then grows to a chunk's end, then grows again.
TEST_F(JobFaults, AGrowingSourceIsConvertedToItsRealEnd) {
    CraftedRecording rec;
    rec.Rate(0, 0x19);
    for (int i = 0; i < 40; ++i)
        rec.Video(i == 0, VideoPayload(30000, static_cast<std::uint8_t>(i))).Audio(AudioBlock(3));
    const std::vector<std::uint8_t>& all = rec.Bytes();
    const std::size_t pair = (all.size() - 512) / 40;
    const std::size_t firstEnd = 512 + 13 * pair + 1000, secondEnd = 512 + 27 * pair;
    WriteFile(PathOf("in.264"), {all.begin(), all.begin() + firstEnd});
    struct Appender {
        std::string path;
        std::vector<std::uint8_t> second, third;
        std::int64_t firstEnd = 0;
        std::vector<std::pair<std::int64_t, std::int64_t>> reports;
        void Append(std::vector<std::uint8_t>& bytes) {
            std::ofstream(path, std::ios::binary | std::ios::app)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            bytes.clear();
        }
        static int OnProgress(void* context, std::int64_t read, std::int64_t size) {
            auto* self = static_cast<Appender*>(context);
            if (self->reports.empty())
                self->Append(self->second);
            else if (size > self->firstEnd)
                self->Append(self->third); // the first growth has been seen
            self->reports.emplace_back(read, size);
            return 0;
        }
    } appender{PathOf("in.264"),
               {all.begin() + firstEnd, all.begin() + secondEnd},
               {all.begin() + secondEnd, all.end()},
               static_cast<std::int64_t>(firstEnd),
               {}};
    CStreamConverter job(PathOf("in.264").c_str(), PathOf("out.avi").c_str(), 25);
    job.SetCallback(&appender, &Appender::OnProgress);
    ASSERT_EQ(RunConverter(&job), 0) << job.GetFailure().Message();
    const std::int64_t total = static_cast<std::int64_t>(all.size());
    EXPECT_EQ(job.Stats().sizeAtStart, static_cast<std::int64_t>(firstEnd));
    EXPECT_EQ(job.Stats().fileSize, total);
    EXPECT_EQ(job.Stats().videoPackets, 40);
    EXPECT_EQ(job.Stats().audioPackets, 40);
    EXPECT_EQ(job.Stats().damagedChunks, 0) << "no chunk is cut where the file first ended";
    for (const auto& [read, size] : appender.reports)
        EXPECT_LE(read, size);
    EXPECT_EQ(appender.reports.back(), std::make_pair(total, total));
}

// A source cut short while it is read (a card rewritten, a copy restarted)
// ends where it now ends: what was read is converted, nothing beyond is made up.
TEST_F(JobFaults, ASourceThatShrinksEndsWhereItNowEnds) {
    const CraftedRecording rec = LongRecording(80, 200000);
    rec.WriteTo(PathOf("in.264"));
    const std::int64_t cut = 512 + 40 * (rec.Bytes().size() - 512) / 80; // after 40 frames
    struct Cutter {
        std::string path;
        std::int64_t cut;
        static int OnProgress(void* context, std::int64_t, std::int64_t) {
            const auto* self = static_cast<Cutter*>(context);
            if (fs::file_size(self->path) > static_cast<std::uintmax_t>(self->cut))
                fs::resize_file(self->path, static_cast<std::uintmax_t>(self->cut));
            return 0;
        }
    } cutter{PathOf("in.264"), cut};
    CStreamConverter job(PathOf("in.264").c_str(), PathOf("out.avi").c_str(), 25);
    job.SetCallback(&cutter, &Cutter::OnProgress);
    ASSERT_EQ(RunConverter(&job), 0) << job.GetFailure().Message();
    EXPECT_EQ(job.Stats().fileSize, cut);
    EXPECT_EQ(job.Stats().videoPackets, 40);
    EXPECT_EQ(job.Stats().damagedChunks, 0);
    EXPECT_EQ(ReadMedia(PathOf("out.avi")).packets.size(), 40u);
}

// A run of damaged video chunks longer than any the muxer fills by itself
// keeps the picture in step, and what follows it is written.
TEST_F(JobFaults, ALongRunOfDamageKeepsEveryFrameInItsSlot) {
    constexpr int kDamaged = 60001;
    const auto first = VideoPayload(500, 1), last = VideoPayload(600, 2);
    CraftedRecording rec;
    rec.Rate(0, 0x19).Video(true, first);
    std::vector<std::uint8_t> damage;
    for (int i = 0; i < kDamaged; ++i) // each tag's length field reads "00dc": far too large
        damage.insert(damage.end(), {'0', '0', 'd', 'c', 'H', '2', '6', '4'});
    rec.Raw(damage).Video(true, last).Audio(AudioBlock(3));
    rec.WriteTo(PathOf("in.264"));
    const ConversionRun run = Convert(PathOf("in.264"), PathOf("out.avi"));
    ASSERT_EQ(run.result, 0) << run.error;
    EXPECT_EQ(run.stats.damagedChunks, kDamaged);
    EXPECT_EQ(run.stats.videoSlots, kDamaged + 2);
    std::vector<MediaPacket> video;
    for (MediaPacket& packet : ReadMedia(PathOf("out.avi")).packets)
        if (packet.stream == 0)
            video.push_back(std::move(packet));
    ASSERT_FALSE(video.empty());
    EXPECT_EQ(video.front().data, first);
    EXPECT_EQ(video.back().data, last);
    EXPECT_EQ(video.back().dts, kDamaged + 1);
    const std::vector<MoviChunk> movi = ReadMoviChunks(PathOf("out.avi"));
    EXPECT_EQ(movi.size(), std::size_t{kDamaged + 3}) << "an empty frame in each lost slot";
    EXPECT_EQ(std::count_if(movi.begin(), movi.end(), [](const MoviChunk& c) { return c.key; }), 3)
        << "the two frames and the audio block; no empty frame is one to seek to";
}

// A stop asked for in a long stretch without chunks (a card's zero-filled
// tail) is heard there, by the job and by the probe alike.
TEST_F(JobFaults, AStopIsHeardInAStretchWithoutChunks) {
    CraftedRecording rec;
    rec.Rate(0, 0x19).Video(true, VideoPayload(500, 1));
    rec.WriteTo(PathOf("in.264"));
    fs::resize_file(m_dir / "in.264", std::uintmax_t{1} << 30);
    struct Stopper {
        std::int64_t lastRead = 0;
        static int OnProgress(void* context, std::int64_t read, std::int64_t) {
            static_cast<Stopper*>(context)->lastRead = read;
            return read > (std::int64_t{8} << 20) ? 1 : 0;
        }
    } job, probe;
    CStreamConverter converter(PathOf("in.264").c_str(), PathOf("out.avi").c_str(), 25);
    converter.SetCallback(&job, &Stopper::OnProgress);
    EXPECT_NE(RunConverter(&converter), 0);
    EXPECT_EQ(converter.GetFailure().kind, FailureKind::Cancelled);
    ProbeResult result;
    EXPECT_EQ(ProbeRecording(PathOf("in.264"), 25, result, &Stopper::OnProgress, &probe).kind,
              FailureKind::Cancelled);
    for (const Stopper& stopper : {job, probe})
        EXPECT_LT(stopper.lastRead, std::int64_t{9} << 20) << "stopped within a window or two";
    EXPECT_EQ(StrayFiles({"in.264"}), std::vector<std::string>{});
}

// Run as a user who may not replace the destination (another user's file
// in a sticky folder), the final move fails: the hidden name the AVI was
// linked under for the move goes too, and both files stay as they were.
TEST_F(JobFaults, AFailedFinalMoveLeavesNoHiddenFile) {
    constexpr uid_t kNobody = 65534;
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    SmallRecording().WriteTo(PathOf("in.264"));
    fs::create_directory(m_dir / "shared");
    fs::permissions(m_dir, fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(m_dir / "shared", fs::perms::all | fs::perms::sticky_bit);
    fs::permissions(m_dir / "in.264", fs::perms::others_read, fs::perm_options::add);
    WriteFile(PathOf("shared/old.avi"), std::vector<std::uint8_t>(7000, 0x42));
    const fault::FolderSnapshot before = fault::Snapshot(m_dir);
    const fault::ChildResult child = fault::RunInChild({}, [&] {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
            return 2;
        const ConversionRun run = Convert(PathOf("in.264"), PathOf("shared/old.avi"));
        std::cout << run.error;
        return run.result != 0 ? 0 : 1;
    });
    EXPECT_EQ(child.exitCode, 0) << child.out << child.err;
    EXPECT_EQ(child.out, PathOf("shared/old.avi") + ": " + std::strerror(EPERM));
    EXPECT_EQ(fault::Differences(before, fault::Snapshot(m_dir)), "");
}

namespace {

// An access control list: the owner and a named user (nobody) may read and
// write, the group and the rest read only (the mask, and so the mode, 0664).
std::vector<std::uint8_t> AccessControlList() {
    std::vector<std::uint8_t> acl = {2, 0, 0, 0}; // the kernel's layout, version 2
    const auto entry = [&](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
        for (std::uint32_t field : {std::uint32_t(tag) | std::uint32_t(perm) << 16, id})
            for (int shift = 0; shift < 32; shift += 8)
                acl.push_back(static_cast<std::uint8_t>(field >> shift));
    };
    entry(0x01, 6, UINT32_MAX); // the owner
    entry(0x02, 6, 65534);      // nobody
    entry(0x04, 4, UINT32_MAX); // the group
    entry(0x10, 6, UINT32_MAX); // the mask
    entry(0x20, 4, UINT32_MAX); // the rest
    return acl;
}

std::vector<std::uint8_t> Attribute(const std::string& path, const char* name) {
    std::vector<std::uint8_t> value(256);
    const ssize_t length = getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return value;
}

} // namespace

// A forced replacement keeps the mode and group the user gave the file,
// also when the destination is reached through a linked folder, and its
// access control list and extended attributes where the system has them.
TEST_F(JobFaults, AReplacedFileKeepsItsModeAndGroup) {
    SmallRecording().WriteTo(PathOf("in.264"));
    fs::create_directory(m_dir / "real");
    fs::create_directory_symlink("real", m_dir / "linked");
    const gid_t group = getegid() == 0 ? 4242 : getegid();
    for (const char* dest : {"real/a.avi", "linked/b.avi"}) {
        WriteFile(PathOf(dest), std::vector<std::uint8_t>(7000, 0x42));
        ASSERT_EQ(chown(PathOf(dest).c_str(), static_cast<uid_t>(-1), group), 0);
        ASSERT_EQ(chmod(PathOf(dest).c_str(), 0640), 0);
        ASSERT_EQ(Convert(PathOf("in.264"), PathOf(dest)).result, 0);
        struct stat info {};
        ASSERT_EQ(stat(PathOf(dest).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u) << dest;
        EXPECT_EQ(info.st_gid, group) << dest;
        EXPECT_NE(ReadFile(PathOf(dest)), std::vector<std::uint8_t>(7000, 0x42)) << dest;
    }
    const std::vector<std::uint8_t> acl = AccessControlList(), note = {'c', 'a', 'm', '2'};
    if (setxattr(PathOf("real/a.avi").c_str(), "system.posix_acl_access", acl.data(), acl.size(),
                 0) != 0 ||
        setxattr(PathOf("real/a.avi").c_str(), "user.veltrano.note", note.data(), note.size(), 0) !=
            0 ||
        setxattr(PathOf("real/a.avi").c_str(), "user.veltrano.empty", "", 0, 0) != 0)
        GTEST_SKIP() << "no access control lists or user attributes here: " << strerror(errno);
    ASSERT_EQ(Convert(PathOf("in.264"), PathOf("real/a.avi")).result, 0);
    EXPECT_EQ(Attribute(PathOf("real/a.avi"), "system.posix_acl_access"), acl);
    EXPECT_EQ(Attribute(PathOf("real/a.avi"), "user.veltrano.note"), note);
    EXPECT_EQ(getxattr(PathOf("real/a.avi").c_str(), "user.veltrano.empty", nullptr, 0), 0)
        << "an attribute without a value is kept too";
}
