// The few things the conversion asks of the operating system: reading the
// recording, checking and writing the destination, noticing an interrupt.
// One implementation per platform; every failure names its file and gives
// the system's own text for the cause.
#pragma once

#include <cstdint>
#include <string>

#include "convert/expected.h"
#include "convert/failure.h"

// Which file a path names, whatever the spelling or link that led there.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
};
// Both parts must match: the same index on another device is another file.
inline bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.index == b.index;
}

// The cause given for a destination or source that is a FIFO, a device or a
// socket.
inline constexpr const char* kNotRegularCause = "is not a regular file";
// The cause given when the destination appeared while the job ran and the
// job was told not to replace it.
inline constexpr const char* kExistsCause = "already exists";
// The cause given for a destination that is the source by any path or link.
inline constexpr const char* kIsTheSourceCause =
    "is the source recording itself; choose another destination";

// A recording opened for reading only. Refuses anything but a regular file
// before reading a byte, so a FIFO or a device cannot block or be consumed.
class SourceFile {
public:
    SourceFile() = default;
    ~SourceFile() { Close(); }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    Failure Open(const std::string& path);
    // The size measured when the file was opened.
    std::int64_t Size() const { return m_size; }
    // The size now, which grows while a recording or a copy is under way;
    // -1 when the system cannot tell.
    std::int64_t CurrentSize() const;
    const FileIdentity& Identity() const { return m_identity; }
    // Up to `bytes` from `offset`: the count read, 0 at the end.
    Expected<std::int64_t> ReadAt(void* buffer, std::int64_t bytes, std::int64_t offset);
    void Close();

private:
    std::string m_path;
    std::intptr_t m_handle = -1;
    std::int64_t m_size = 0;
    FileIdentity m_identity;
};

// No failure when `dest` may receive the AVI of the source with `source`'s
// identity: missing, a regular file, or a symbolic link (the link itself is
// replaced; the file it names is untouched). Otherwise it is the source
// itself (by any path or link), a directory, or not a regular file.
Failure CheckDestination(const std::string& dest, const FileIdentity& source);
// The same without the identity check: a directory or not a regular file.
Failure CheckDestinationKind(const std::string& dest);

// The AVI is written beside its destination and moved into place only when
// complete, so a failed or interrupted job never leaves a half-written file
// nor harms an existing one. Until then the file has no name, or the system
// holds it for deletion, so even a killed process leaves nothing behind; only
// on Linux file systems without unnamed files (FAT, network shares) can a
// hidden file stay.
class TemporaryOutput {
public:
    explicit TemporaryOutput(std::string destination);
    ~TemporaryOutput(); // removes the file unless committed
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    // Creates the file in the destination's folder; fails early, before any
    // work, when the folder cannot take the destination's name.
    Failure Create();
    // Positioned writes and reads on the file, for the muxers: a write does
    // all of it; a read gives the count read, 0 at the end.
    Failure WriteAt(const void* data, std::int64_t bytes, std::int64_t offset);
    Expected<std::int64_t> ReadAt(void* buffer, std::int64_t bytes, std::int64_t offset);
    // Moves the finished file to the destination. With `replace` an existing
    // destination is replaced atomically and its permissions (and owner,
    // where allowed) carry over; without it a destination that exists by
    // now is left alone and the failure is DestinationExists.
    Failure Commit(bool replace);
    const std::string& Destination() const { return m_destination; }
    // Size of the file; valid after a successful Commit.
    std::int64_t Size() const;

private:
    std::string m_destination;
    std::string m_path;
    std::intptr_t m_handle = -1;
    std::int64_t m_size = 0; // where the size is taken before the move
    bool m_named = false;    // false: no name until Commit links it into place
    bool m_committed = false;
};

// Whether a job may keep a second temporary file beside its output, for
// work that would otherwise wait in memory (the MP4's sound before its
// picture starts); a browser gives a job its one file only.
bool SpareFilesAllowed();

// The identity of the file `path` names, following links as the job's own
// check of its destination does; false when it names none (missing, or out
// of reach).
bool PathIdentity(const std::string& path, FileIdentity* identity);
