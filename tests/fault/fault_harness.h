// What the fault matrix needs beyond the conversion fixture: proof that a
// failure changed no file, child processes that meet a file-size limit or a
// read-only folder, and veltrano-convert run under them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace fault {

// Every regular file under a folder with its bytes, by path relative to it.
using FolderSnapshot = std::map<std::string, std::vector<std::uint8_t>>;
FolderSnapshot Snapshot(const std::filesystem::path& folder);
// One line per file added, removed or changed; empty when none.
std::string Differences(const FolderSnapshot& before, const FolderSnapshot& after);

// What a child process meets besides the parent's environment.
struct ChildConditions {
    // > 0: writes past this many bytes fail with EFBIG, as on a full disk
    // (SIGXFSZ is ignored, so the write returns an error instead of killing).
    std::int64_t fileSizeLimit = 0;
    // Non-empty: this folder is seen read-only (a read-only bind mount in a
    // private mount namespace; the rest of the system never sees it).
    std::filesystem::path readOnlyFolder;
    // Opening an unnamed temporary file (O_TMPFILE) fails as on FAT or a
    // network share, for the child and what it runs.
    bool noUnnamedFiles = false;
    // Closing the AVI being written fails with EIO, as a network file system
    // may report a write it could not complete (a preloaded close()).
    bool closeFails = false;
    // Every allocation over 1 MiB fails, as near a memory limit (a preloaded
    // malloc(); not with AddressSanitizer, which has an allocator of its own).
    bool largeAllocationsFail = false;
    // Every allocation on any thread but the first fails (the same
    // preloaded malloc()).
    bool threadAllocationsFail = false;
    // Non-empty: every read of the output being written takes 0.2 s, as
    // from a slow card (a preloaded pread()), and the first creates this file.
    std::filesystem::path slowOutputReadsMark;
};

struct ChildResult {
    // Empty when the conditions were set up; otherwise why they could not
    // be (the body then never ran).
    std::string setupError;
    int exitCode = -1; // -1: ended by a signal
    std::string out, err;
};

// Runs `body` in a forked child under `conditions`; its return value is the
// exit code and its stdout/stderr are captured.
ChildResult RunInChild(const ChildConditions& conditions, const std::function<int()>& body);

// Starts the veltrano-convert binary with `args` in `workDir`, stdin empty,
// output to ours; does not wait.
pid_t StartConvert(std::vector<std::string> args, const std::filesystem::path& workDir);
// True once `pid` holds `count` files in `dir` open that are not recordings:
// that many conversions are under way.
bool WaitForOutput(pid_t pid, const std::filesystem::path& dir, int count = 1);
// Waits for `pid`: its exit code, or 128 + the signal that ended it, as a
// shell reports it.
int ShellStatus(pid_t pid);
// The same for a started veltrano-convert, with its peak resident memory
// in KiB, read while it runs (the system's own count would include what it
// had before its exec: a copy of this process).
int ShellStatusAndPeak(pid_t pid, long* peakKiB);
// Whether the programs run under AddressSanitizer, whose allocator holds on
// to freed memory.
bool UnderAddressSanitizer();
// The same, waiting at most `seconds` before killing it: -1 then.
int ShellStatusWithin(pid_t pid, int seconds);
// Waits up to 20 s for `path` to exist while `pid` runs.
bool WaitForFile(pid_t pid, const std::filesystem::path& path);

// Runs the veltrano-convert binary with `args` in `workDir` under `conditions`.
ChildResult RunConvert(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                       const ChildConditions& conditions = {});

// The whole file, or throws std::runtime_error naming it.
std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path);

} // namespace fault
