// What the suites expect differently on each system: the system's own texts
// for common failures, a file that is not a regular one, and the POSIX
// facilities some tests need (each says why not where the system lacks it).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

enum class SystemCause { kNoSuchFile, kNoSuchFolder, kIsADirectory, kNameTooLong };
// The text the system gives for the cause, as the file layer reports it.
std::string ExpectedCause(SystemCause cause);

// A path in `dir`, or a device, that names something other than a regular
// file: a FIFO on POSIX, the NUL device on Windows.
std::string NonRegularFile(const std::filesystem::path& dir);

// Null where a process can be given a file-size limit; otherwise why not.
const char* WhyNoFileSizeLimit();
// Runs `body` in a child process whose files cannot grow past `bytes`;
// true when the child ended with `body` returning true.
bool RunWithFileSizeLimit(std::int64_t bytes, const std::function<bool()>& body);

// Null where GStreamer's gst-launch-1.0 (a Linux player's pipeline) can
// play files back; otherwise why not.
const char* WhyNoGStreamer();

// Gives the file what a user may set on it (mode 0600; the hidden
// attribute and an access control list of its own), and tells whether it
// has exactly that.
void MarkAsUsers(const std::filesystem::path& file);
bool MarkedAsUsers(const std::filesystem::path& file);
// Whether the file has what any new file of the user gets (0666 under the
// umask; no hidden, read-only or temporary attribute).
bool LooksNew(const std::filesystem::path& file);
