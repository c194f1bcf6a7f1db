// The fault matrix through the veltrano-convert binary: the exit status, one
// error line naming the file and the cause, and on failure every file in the
// folder exactly as it was, with no temporary file left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/convert/conversion_fixture.h"
#include "tests/convert/crafted_recording.h"
#include "tests/convert/media_readback.h"
#include "tests/fault/fault_harness.h"
#include "tests/fault/fault_recordings.h"
#include "tools/recgen/recording_generator.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitFailure = 1;

struct FailureCase {
    const char* what;
    std::vector<std::string> args;
    std::string file;  // as the error names it
    std::string cause; // a part of the cause
    fault::ChildConditions conditions;
};

// Standard output that takes nothing: the full device, or a pipe whose
// reader is already gone.
int Unwritable(bool closedPipe) {
    if (!closedPipe)
        return open("/dev/full", O_WRONLY);
    int ends[2] = {-1, -1};
    return pipe(ends) == 0 && close(ends[0]) == 0 ? ends[1] : -1;
}

// Sound alone, as a recorder left running with its camera covered.
void WriteSoundAlone(const std::string& path, int blocks) {
    CraftedRecording rec;
    rec.Rate(0, 0x19);
    for (int i = 0; i < blocks; ++i) {
        std::vector<std::uint8_t> block = AudioBlock(static_cast<std::uint8_t>(i));
        block[2] = static_cast<std::uint8_t>(i % 89); // a step index the decoder takes
        block[3] = 0;
        rec.Audio(block);
    }
    rec.WriteTo(path);
}

} // namespace

class CommandFaults : public ConversionTest {
protected:
    // A generated recording whose AVI is far larger than the file-size limit
    // used below, an existing destination, and every kind of path the cases
    // point at.
    void MakeFolder() {
        recgen::Options options;
        options.frames = 50;
        std::string error;
        ASSERT_TRUE(recgen::Generate(PathOf("in.264"), options, nullptr, &error)) << error;
        ASSERT_GT(fs::file_size(PathOf("in.264")), 4u * kSizeLimit);
        WriteFile(PathOf("old.avi"), std::vector<std::uint8_t>(7000, 0x42));
        WriteFile(PathOf("old.mp4"), std::vector<std::uint8_t>(7000, 0x44));
        fs::create_directory(m_dir / "dir.264");
        fs::create_directory(m_dir / "sub");
        fs::create_directory(m_dir / "ro");
        WriteFile(PathOf("ro/old.avi"), std::vector<std::uint8_t>(9000, 0x43));
        WriteFile(PathOf("ro/old.mp4"), std::vector<std::uint8_t>(9000, 0x45));
        fs::create_symlink("in.264", m_dir / "link.264");
        fs::create_hard_link(m_dir / "in.264", m_dir / "hard.264");
        ASSERT_EQ(mkfifo(PathOf("fifo").c_str(), 0600), 0);
        WriteFile(PathOf("empty.264"), {});
        WriteFile(PathOf("header.264"), std::vector<std::uint8_t>(512, 0));
        std::vector<std::uint8_t> noise(100000);
        for (std::size_t i = 0; i < noise.size(); ++i)
            noise[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
        WriteFile(PathOf("noise.264"), noise);
        // 2 MB of noise that happens to hold one intact audio chunk, as
        // random bytes do about once in 250 MB.
        noise.resize(2000000);
        for (std::size_t i = 0; i < noise.size(); ++i)
            noise[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
        const std::uint8_t head[] = {'0', '3', 'w', 'b', 0, 0, 168, 0};
        std::copy(std::begin(head), std::end(head), noise.begin() + 1000000);
        WriteFile(PathOf("chance.264"), noise);
    }

    // Runs the case and checks it; the cause when the case could not be set
    // up (its conditions need privileges this machine lacks).
    std::string ExpectFailureChangingNothing(const FailureCase& c) {
        SCOPED_TRACE(c.what);
        const fault::FolderSnapshot before = fault::Snapshot(m_dir);
        const fault::ChildResult run = fault::RunConvert(c.args, m_dir, c.conditions);
        if (!run.setupError.empty())
            return run.setupError;
        EXPECT_EQ(run.exitCode, kExitFailure) << run.err;
        const std::string prefix = "veltrano-convert: " + c.file + ": ";
        EXPECT_EQ(run.err.rfind(prefix, 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.cause, prefix.size()), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(fault::Differences(before, fault::Snapshot(m_dir)), "");
        return {};
    }

    // The cases again with MP4 destinations: the same names ending in .mp4
    // where they end in .avi, and --format mp4 where no name says it.
    static std::vector<FailureCase> WithMp4(std::vector<FailureCase> cases) {
        const auto mp4 = [](std::string text) {
            if (const auto at = text.rfind(".avi"); at != std::string::npos)
                text.replace(at, 4, ".mp4");
            return text;
        };
        const std::size_t count = cases.size();
        for (std::size_t i = 0; i < count; ++i) {
            FailureCase c = cases[i];
            c.what = "the same, to MP4";
            for (std::string& arg : c.args)
                arg = mp4(arg);
            if (std::find(c.args.begin(), c.args.end(), "--probe") == c.args.end())
                c.args.insert(c.args.begin(), {"--format", "mp4"});
            c.file = mp4(c.file);
            cases.push_back(std::move(c));
        }
        return cases;
    }

    void GenerateMiB(const std::string& name, std::int64_t mebibytes) {
        recgen::Options options;
        options.targetBytes = mebibytes << 20;
        std::string error;
        ASSERT_TRUE(recgen::Generate(PathOf(name), options, nullptr, &error)) << error;
    }

    static constexpr std::int64_t kSizeLimit = 30000;
};

TEST_F(CommandFaults, EveryFailureNamesFileAndCauseAndChangesNothing) {
    MakeFolder();
    fault::ChildConditions sizeLimit;
    sizeLimit.fileSizeLimit = kSizeLimit;
    fault::ChildConditions closeFails;
    closeFails.closeFails = true;
    const std::string isSource = "is the source recording itself";

    const std::vector<FailureCase> cases = WithMp4({
        {"missing source",
         {"--force", "-o", "old.avi", "missing.264"},
         "missing.264",
         std::strerror(ENOENT),
         {}},
        {"directory as source",
         {"--force", "-o", "old.avi", "dir.264"},
         "dir.264",
         std::strerror(EISDIR),
         {}},
        // Root reads past any permission bits; this read fails with EIO.
        {"unreadable source",
         {"--force", "-o", "old.avi", "/proc/self/mem"},
         "/proc/self/mem",
         std::strerror(EIO),
         {}},
        {"missing destination folder",
         {"-o", "no/such/out.avi", "in.264"},
         "no/such/out.avi",
         std::strerror(ENOENT),
         {}},
        {"destination is the source", {"-o", "in.264", "in.264"}, "in.264", isSource, {}},
        {"the source, forced", {"--force", "-o", "in.264", "in.264"}, "in.264", isSource, {}},
        {"the source spelled another way",
         {"-o", "sub/.././in.264", "in.264"},
         "sub/.././in.264",
         isSource,
         {}},
        {"a symbolic link to the source",
         {"--force", "-o", "link.264", "in.264"},
         "link.264",
         isSource,
         {}},
        {"a hard link to the source", {"-o", "hard.264", "in.264"}, "hard.264", isSource, {}},
        {"output past the file-size limit",
         {"--force", "-o", "old.avi", "in.264"},
         "old.avi",
         std::strerror(EFBIG),
         sizeLimit},
        {"closing the output fails",
         {"--force", "-o", "old.avi", "in.264"},
         "old.avi",
         std::strerror(EIO),
         closeFails},
    });
    for (const FailureCase& c : cases)
        EXPECT_EQ(ExpectFailureChangingNothing(c), "") << c.what;
}

// Destinations that are not regular files are never replaced, forced or
// not, and sources that are not recordings give no AVI at all.
TEST_F(CommandFaults, OddDestinationsAndNonRecordingsFailAndChangeNothing) {
    MakeFolder();
    const std::string notRegular = "is not a regular file";
    const std::string notRecording = "no video or audio chunks found (not a recording?)";
    std::vector<FailureCase> cases = {
        {"FIFO destination", {"--force", "-o", "fifo", "in.264"}, "fifo", notRegular, {}},
        {"directory destination",
         {"-o", "dir.264", "in.264"},
         "dir.264",
         std::strerror(EISDIR),
         {}},
        {"FIFO source", {"-o", "f.avi", "fifo"}, "fifo", notRegular, {}},
        {"empty source", {"-o", "e.avi", "empty.264"}, "empty.264", notRecording, {}},
        {"header only", {"-o", "h.avi", "header.264"}, "header.264", notRecording, {}},
        {"random bytes", {"-o", "n.avi", "noise.264"}, "noise.264", notRecording, {}},
        {"random bytes with a chance tag",
         {"-o", "c.avi", "chance.264"},
         "chance.264",
         "too few audio chunks for a recording (not a recording?)",
         {}},
        {"probing random bytes", {"--probe", "noise.264"}, "noise.264", notRecording, {}},
    };
    // A device node of our own (the null device's numbers), where allowed.
    if (mknod(PathOf("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        cases.push_back(
            {"device destination", {"--force", "-o", "null", "in.264"}, "null", notRegular, {}});
    for (const FailureCase& c : WithMp4(cases))
        EXPECT_EQ(ExpectFailureChangingNothing(c), "") << c.what;
    EXPECT_TRUE(fs::is_fifo(m_dir / "fifo"));
}

TEST_F(CommandFaults, ReadOnlyDestinationFolderFailsAndChangesNothing) {
    MakeFolder();
    fault::ChildConditions readOnly;
    readOnly.readOnlyFolder = m_dir / "ro";
    const std::vector<FailureCase> cases = WithMp4({
        {"existing destination",
         {"--force", "-o", "ro/old.avi", "in.264"},
         "ro/old.avi",
         std::strerror(EROFS),
         readOnly},
        {"new destination",
         {"-o", "ro/new.avi", "in.264"},
         "ro/new.avi",
         std::strerror(EROFS),
         readOnly},
    });
    for (const FailureCase& c : cases)
        if (const std::string setup = ExpectFailureChangingNothing(c); !setup.empty())
            GTEST_SKIP() << "no read-only folder can be made here: " << setup;
}

TEST_F(CommandFaults, SourceBeyondFourGibibytesConvertsEveryChunk) {
    const std::int64_t size = (std::int64_t{41} << 30) / 10;
    const auto expected = fault::WriteSparseRecording(PathOf("big.264"), size);
    const fault::ChildResult run = fault::RunConvert({"-q", "big.264"}, m_dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto written = fault::PacketsOf(PathOf("big.avi"));
    EXPECT_TRUE(fault::SamePackets(written, expected)) << fault::Describe(written);
    EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(PathOf("big.264"))), size);
}

TEST_F(CommandFaults, SourceCutAtEveryByteYieldsEveryCompleteChunkBeforeTheCut) {
    const fault::KnownRecording known = fault::ShortRecording();
    const std::int64_t size = static_cast<std::int64_t>(known.bytes.size());
    fs::create_directory(m_dir / "cuts");
    std::vector<std::string> args{"-q", "-d", "out"};
    for (std::int64_t cut = 0; cut <= size; ++cut) {
        const std::string name = "cuts/" + std::to_string(cut) + ".264";
        WriteFile(PathOf(name), {known.bytes.begin(), known.bytes.begin() + cut});
        args.push_back(name);
    }
    const fault::FolderSnapshot sources = fault::Snapshot(m_dir / "cuts");

    // One run for all of them: a crash on any one stops the rest. A cut
    // before the first complete chunk is not a recording: it fails and
    // leaves no AVI.
    const fault::ChildResult run = fault::RunConvert(args, m_dir);
    std::int64_t empty = 0;
    for (std::int64_t cut = 0; cut <= size; ++cut) {
        const auto expected = known.CompleteWithin(cut);
        const std::string avi = PathOf("out/" + std::to_string(cut) + ".avi");
        if (expected.empty()) {
            ++empty;
            EXPECT_FALSE(fs::exists(avi)) << "cut at " << cut;
            continue;
        }
        const auto written = fault::PacketsOf(avi);
        ASSERT_TRUE(fault::SamePackets(written, expected))
            << "cut at " << cut << ": wrote " << fault::Describe(written) << "expected "
            << fault::Describe(expected);
    }
    ASSERT_GT(empty, 0);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find(std::to_string(size + 1 - empty) + " converted, " +
                           std::to_string(empty) + " failed"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(fault::Differences(sources, fault::Snapshot(m_dir / "cuts")), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "out"), fs::directory_iterator()),
              size + 1 - empty)
        << "one AVI per source and nothing else";
}

// Ctrl+C, termination and hang-up stop a conversion cleanly: nothing is left
// behind, an old destination stays as it was, no further source is started,
// and the process dies of the signal, so a shell loop around it stops too.
// Started with the signal ignored (nohup, a background job of a script), it
// converts on.
TEST_F(CommandFaults, InterruptsStopCleanlyWithTheConventionalStatus) {
    ASSERT_NO_FATAL_FAILURE(GenerateMiB("big.264", 120));
    ASSERT_NO_FATAL_FAILURE(GenerateMiB("next.264", 1));
    fs::create_directory(m_dir / "out");
    WriteFile(PathOf("out/big.avi"), std::vector<std::uint8_t>(7000, 0x42));
    const fault::FolderSnapshot before = fault::Snapshot(m_dir);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const fault::ChildResult run = fault::RunInChild({}, [&] {
            const pid_t pid =
                fault::StartConvert({"-f", "-d", "out", "big.264", "next.264"}, m_dir);
            if (!fault::WaitForOutput(pid, m_dir))
                return 2;
            kill(pid, signal);
            int status = 0;
            waitpid(pid, &status, 0);
            return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 3; // not exit(128 + signal)
        });
        EXPECT_EQ(run.exitCode, 128 + signal) << run.err;
        EXPECT_NE(run.err.find("big.264: cancelled"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(": 0 converted, 1 failed, 1 not started\n"), std::string::npos);
        EXPECT_EQ(run.err.find("next.264"), std::string::npos) << run.err;
        EXPECT_EQ(fault::Differences(before, fault::Snapshot(m_dir)), "");
    }
    // Two jobs at once (MP4, whose sound is encoded on threads of their own):
    // both stop and remove what they wrote, and the other two never start.
    fs::create_directory(m_dir / "batch");
    std::vector<std::string> batch{"-j", "2", "--format", "mp4", "-d", "out"};
    for (const char* name : {"batch/1.264", "batch/2.264", "batch/3.264", "batch/4.264"}) {
        ASSERT_NO_FATAL_FAILURE(GenerateMiB(name, 32));
        batch.push_back(name);
    }
    const fault::FolderSnapshot sources = fault::Snapshot(m_dir);
    const fault::ChildResult two = fault::RunInChild({}, [&] {
        const pid_t pid = fault::StartConvert(batch, m_dir);
        if (!fault::WaitForOutput(pid, m_dir / "out", 2))
            return 2;
        kill(pid, SIGINT);
        return fault::ShellStatus(pid);
    });
    EXPECT_EQ(two.exitCode, 128 + SIGINT) << two.err;
    for (const char* name : {"batch/1.264: cancelled", "batch/2.264: cancelled",
                             ": 0 converted, 2 failed, 2 not started\n"})
        EXPECT_NE(two.err.find(name), std::string::npos) << name << "\n" << two.err;
    EXPECT_EQ(two.err.find("batch/3.264"), std::string::npos) << two.err;
    EXPECT_EQ(fault::Differences(sources, fault::Snapshot(m_dir)), "");
    for (int signal : {SIGHUP, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        const fault::ChildResult run = fault::RunInChild({}, [&] {
            std::signal(signal, SIG_IGN);
            const pid_t pid = fault::StartConvert({"-q", "-o", "kept.avi", "big.264"}, m_dir);
            if (!fault::WaitForOutput(pid, m_dir))
                return 2;
            kill(pid, signal);
            return fault::ShellStatus(pid);
        });
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(fs::remove(m_dir / "kept.avi"));
    }
}

// Started with its output closed, the program still keeps its messages out
// of the AVI; output that cannot be written (a full disk, a closed pipe)
// fails the run, though every AVI is still made.
TEST_F(CommandFaults, ClosedOrFullStandardOutputLosesNothingSilently) {
    ASSERT_NO_FATAL_FAILURE(GenerateMiB("in.264", 2));
    ASSERT_EQ(fault::RunConvert({"-q", "-o", "reference.avi", "in.264"}, m_dir).exitCode, 0);
    const fault::ChildResult closed = fault::RunInChild({}, [&] {
        const pid_t pid = fork();
        if (pid == 0 && chdir(m_dir.c_str()) == 0 && close(STDOUT_FILENO) == 0 &&
            close(STDERR_FILENO) == 0)
            execl(VELTRANO_CONVERT_BINARY, VELTRANO_CONVERT_BINARY, "-o", "closed.avi", "in.264",
                  nullptr);
        if (pid == 0)
            _exit(126);
        return fault::ShellStatus(pid);
    });
    EXPECT_EQ(closed.exitCode, 0);
    EXPECT_TRUE(fault::FileBytes(m_dir / "closed.avi") ==
                fault::FileBytes(m_dir / "reference.avi"));

    // A pipe whose reader is gone (`| head`) stops no conversion either: the
    // batch goes on and the lost text is reported once, after the tally.
    for (const char* name : {"1.264", "2.264", "3.264"})
        fs::copy_file(m_dir / "in.264", m_dir / name);
    const struct {
        std::vector<std::string> args;
        bool closedPipe;
        std::string tally;
    } cases[] = {{{"--probe", "in.264"}, false, ""},
                 {{"-o", "full.avi", "in.264"}, false, ""},
                 {{"-d", "piped", "1.264", "2.264", "3.264"},
                  true,
                  "veltrano-convert: 3 converted, 0 failed\n"}};
    for (const auto& c : cases) {
        const fault::ChildResult full = fault::RunInChild({}, [&] {
            const int device = Unwritable(c.closedPipe);
            if (device < 0 || dup2(device, STDOUT_FILENO) < 0 ||
                std::signal(SIGPIPE, SIG_DFL) == SIG_ERR)
                return 2;
            return fault::ShellStatus(fault::StartConvert(c.args, m_dir));
        });
        EXPECT_EQ(full.exitCode, 1) << c.args[0];
        EXPECT_EQ(full.err.rfind(c.tally + "veltrano-convert: write error", 0), 0u) << full.err;
        EXPECT_EQ(std::count(full.err.begin(), full.err.end(), '\n'), c.closedPipe ? 2 : 1);
    }
    EXPECT_TRUE(fault::FileBytes(m_dir / "full.avi") == fault::FileBytes(m_dir / "reference.avi"));
    for (const char* name : {"piped/1.avi", "piped/2.avi", "piped/3.avi"})
        EXPECT_TRUE(fault::FileBytes(m_dir / name) == fault::FileBytes(m_dir / "reference.avi"));
}

// Without --force nothing is replaced, not even a file that appears while the
// conversion runs; of two runs to one destination exactly one wins.
TEST_F(CommandFaults, NoOverwriteHoldsAgainstRaces) {
    ASSERT_NO_FATAL_FAILURE(GenerateMiB("in.264", 160));
    const std::vector<std::uint8_t> mine(5000, 0x42);

    const fault::ChildResult appeared = fault::RunInChild({}, [&] {
        const pid_t pid = fault::StartConvert({"-q", "-o", "new.avi", "in.264"}, m_dir);
        if (!fault::WaitForOutput(pid, m_dir))
            return 2;
        WriteFile(PathOf("new.avi"), mine);
        return fault::ShellStatus(pid);
    });
    EXPECT_EQ(appeared.exitCode, 1);
    EXPECT_NE(appeared.err.find("new.avi: already exists; use --force"), std::string::npos)
        << appeared.err;
    EXPECT_EQ(ReadFile(PathOf("new.avi")), mine);
    // With -n the same is a skip: the file kept, the work removed, status 0.
    const fault::ChildResult skipped = fault::RunInChild({}, [&] {
        const pid_t pid = fault::StartConvert({"-n", "-o", "late.avi", "in.264"}, m_dir);
        if (!fault::WaitForOutput(pid, m_dir))
            return 2;
        WriteFile(PathOf("late.avi"), mine);
        return fault::ShellStatus(pid);
    });
    EXPECT_EQ(skipped.exitCode, 0) << skipped.err;
    EXPECT_EQ(skipped.err, "veltrano-convert: in.264: skipped: late.avi exists\n");
    EXPECT_EQ(ReadFile(PathOf("late.avi")), mine);

    const fault::ChildResult both = fault::RunInChild({}, [&] {
        const pid_t a = fault::StartConvert({"-q", "-o", "both.avi", "in.264"}, m_dir);
        const pid_t b = fault::StartConvert({"-q", "-o", "both.avi", "in.264"}, m_dir);
        return fault::ShellStatus(a) + fault::ShellStatus(b) * 4;
    });
    EXPECT_TRUE(both.exitCode == 1 || both.exitCode == 4) << both.exitCode << both.err;
    ASSERT_EQ(fault::RunConvert({"-q", "-o", "alone.avi", "in.264"}, m_dir).exitCode, 0);
    EXPECT_TRUE(ReadFile(PathOf("both.avi")) == ReadFile(PathOf("alone.avi")))
        << "the winner's AVI is whole";
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 5)
        << "in.264, new.avi, late.avi, both.avi, alone.avi and nothing else";
}

// Where the file system has no unnamed files (FAT, network shares), the AVI
// is written under a hidden name: it is renamed into place, never over a file
// that appeared meanwhile unless forced, and removed again when the run is
// interrupted.
TEST_F(CommandFaults, WithoutUnnamedFilesAHiddenFileIsUsedAndCleanedUp) {
    ASSERT_NO_FATAL_FAILURE(GenerateMiB("in.264", 160));
    fs::create_directory(m_dir / "ram");
    fault::ChildConditions noUnnamed;
    noUnnamed.noUnnamedFiles = true;
    const std::vector<std::uint8_t> mine(5000, 0x42);

    // Every check runs in the child, whose opens of unnamed files fail.
    const fault::ChildResult run = fault::RunInChild(noUnnamed, [&] {
        std::string failures;
        auto check = [&](bool ok, const char* what) {
            failures += ok ? "" : std::string(what) + "\n";
        };
        const fs::path ram = m_dir / "ram";
        auto only = [&](std::vector<std::string> names) {
            std::vector<std::string> found;
            for (const auto& entry : fs::directory_iterator(ram))
                found.push_back(entry.path().filename().string());
            std::sort(found.begin(), found.end());
            return found == names;
        };
        check(open(ram.c_str(), O_TMPFILE | O_RDWR, 0600) < 0, "unnamed files still open");

        const pid_t first = fault::StartConvert({"-q", "-o", "ram/a.avi", "in.264"}, m_dir);
        check(fault::ShellStatus(first) == 0 && only({"a.avi"}), "a plain conversion");

        fs::permissions(ram / "a.avi", fs::perms::owner_read | fs::perms::owner_write);
        const pid_t forced = fault::StartConvert({"-q", "-f", "-o", "ram/a.avi", "in.264"}, m_dir);
        check(fault::ShellStatus(forced) == 0 && only({"a.avi"}) &&
                  fs::status(ram / "a.avi").permissions() ==
                      (fs::perms::owner_read | fs::perms::owner_write),
              "a forced replacement keeping the mode");

        const pid_t racing = fault::StartConvert({"-q", "-o", "ram/b.avi", "in.264"}, m_dir);
        check(fault::WaitForOutput(racing, ram), "the race's conversion under way");
        WriteFile((ram / "b.avi").string(), mine);
        check(fault::ShellStatus(racing) == 1 && ReadFile((ram / "b.avi").string()) == mine &&
                  only({"a.avi", "b.avi"}),
              "a destination that appeared during the run is kept");

        const pid_t stopped = fault::StartConvert({"-q", "-o", "ram/c.avi", "in.264"}, m_dir);
        check(fault::WaitForOutput(stopped, ram), "the interrupted conversion under way");
        kill(stopped, SIGINT);
        check(fault::ShellStatus(stopped) == 128 + SIGINT && only({"a.avi", "b.avi"}),
              "an interrupted run removes its hidden file");
        std::fputs(failures.c_str(), stderr);
        return failures.empty() ? 0 : 1;
    });
    if (!run.setupError.empty())
        GTEST_SKIP() << "no seccomp filter can be set here: " << run.setupError;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("ram/b.avi: already exists; use --force to replace it"),
              std::string::npos)
        << run.err;
}

// Short of memory the program says so, for the source, and changes
// nothing, whichever thread met the shortage (the MP4's sound encoder runs
// on one of its own).
TEST_F(CommandFaults, RunningShortOfMemoryFailsWithTheCause) {
    MakeFolder();
    fault::ChildConditions shortOfMemory, onThreads;
    shortOfMemory.largeAllocationsFail = true;
    onThreads.threadAllocationsFail = true;
    const FailureCase cases[] = {{"large allocations fail",
                                  {"--force", "-o", "old.avi", "in.264"},
                                  "in.264",
                                  "not enough memory",
                                  shortOfMemory},
                                 {"allocations fail on the encoder's thread",
                                  {"--force", "-o", "old.mp4", "in.264"},
                                  "in.264",
                                  "not enough memory",
                                  onThreads}};
    for (const FailureCase& c : cases)
        if (const std::string setup = ExpectFailureChangingNothing(c); !setup.empty())
            GTEST_SKIP() << setup;
}

// Ctrl+C in the MP4's last passes, which read back what was written (the
// index moved to the front; sound that waited on disk for a picture that
// never came, encoded at the end), each read as slow as from a slow card:
// heard at the next read, not when the pass ends minutes later.
TEST_F(CommandFaults, InterruptsAreHeardInTheMp4sLastPasses) {
    ASSERT_NO_FATAL_FAILURE(GenerateMiB("picture.264", 32));
    WriteSoundAlone(PathOf("sound.264"), 100000);
    WriteFile(PathOf("old.mp4"), std::vector<std::uint8_t>(7000, 0x44));
    const fault::FolderSnapshot before = fault::Snapshot(m_dir);
    fault::ChildConditions slow;
    slow.slowOutputReadsMark = m_dir / "reading";
    for (const std::string source : {"picture.264", "sound.264"}) {
        const fault::ChildResult run = fault::RunInChild(slow, [&] {
            const pid_t pid = fault::StartConvert({"-f", "-o", "old.mp4", source}, m_dir);
            if (!fault::WaitForFile(pid, slow.slowOutputReadsMark))
                return 2;
            kill(pid, SIGINT);
            return fault::ShellStatusWithin(pid, 10);
        });
        EXPECT_EQ(run.exitCode, 128 + SIGINT) << source << ": " << run.err;
        EXPECT_NE(run.err.find(source + ": cancelled"), std::string::npos) << run.err;
        fs::remove(slow.slowOutputReadsMark);
        EXPECT_EQ(fault::Differences(before, fault::Snapshot(m_dir)), "") << source;
    }
}

// Sound that waits for a picture is held on disk: a day of it takes no
// more memory than its AVI, and none of it is lost.
TEST_F(CommandFaults, SoundAloneTakesLittleMoreMemoryThanItsAvi) {
    constexpr int kBlocks = 100000;
    WriteSoundAlone(PathOf("sound.264"), kBlocks);
    long peakKiB[2] = {};
    for (int mp4 : {0, 1}) {
        const fault::ChildResult run = fault::RunInChild({}, [&] {
            const pid_t pid =
                fault::StartConvert({"-q", "-o", mp4 ? "s.mp4" : "s.avi", "sound.264"}, m_dir);
            const int status = fault::ShellStatusAndPeak(pid, &peakKiB[mp4]);
            std::printf("%ld", peakKiB[mp4]);
            return status;
        });
        ASSERT_EQ(run.exitCode, 0) << run.err;
        peakKiB[mp4] = std::stol(run.out);
    }
    // AddressSanitizer keeps what is freed in quarantine: its peak would
    // measure the sanitizer, not the conversion.
    if (!fault::UnderAddressSanitizer()) {
        EXPECT_LT(peakKiB[1], peakKiB[0] + 8 * 1024) << "AVI " << peakKiB[0] << " KiB";
    }
    const MediaContents mp4 = ReadMedia(PathOf("s.mp4"));
    ASSERT_EQ(mp4.streams.size(), 1u);
    const MediaStreamInfo& a = mp4.streams[0];
    EXPECT_NEAR(double(a.duration) * a.timeBaseNum / a.timeBaseDen, kBlocks * 321 / 8000.0,
                1024 / 8000.0);
}

// What libavformat says of a frame it refuses ("[avi @ 0x...] H.264
// bitstream malformed ...") is not written onto the user's terminal.
TEST_F(CommandFaults, LibraryMessagesStayOffTheTerminal) {
    CraftedRecording rec;
    rec.Rate(0, 0x19).Video(true, std::vector<std::uint8_t>(300, 0x77));
    rec.Video(true, VideoPayload(500, 1)).Audio(AudioBlock(2));
    rec.WriteTo(PathOf("refused.264"));
    const fault::ChildResult run = fault::RunConvert({"-q", "refused.264"}, m_dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(fs::exists(m_dir / "refused.avi"));
}
