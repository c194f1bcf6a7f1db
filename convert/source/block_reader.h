// Reads a recording front to back in blocks, on a thread of its own a few
// blocks ahead of the conversion: the system's copying of the file into
// memory then goes on beside the conversion's work instead of before it.
//
// The blocks go round one buffer. A run of bytes asked for lies whole in it:
// only when a run would pass the buffer's end are its first bytes copied in
// front of the buffer's start, once a lap.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>

#include "convert/expected.h"
#include "convert/platform/files.h"
#include "convert/platform/worker.h"

// A run of a file's bytes, whole in memory: `bytes` of them from `data`,
// fewer than asked when the file ended before.
struct HeldBytes {
    std::uint8_t* data = nullptr;
    std::int64_t bytes = 0;
};

class BlockReader {
public:
    // Reads `size` bytes of `file` from offset 0, which stays open for the
    // life of the reader. No run asked for is longer than `runBytes`.
    BlockReader(SourceFile& file, std::int64_t size, std::int64_t runBytes);
    ~BlockReader(); // waits for a read under way, then stops
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // The file's bytes [offset, offset + bytes), valid and writable until
    // the next call; the failure of a read they need. Bytes before `offset`
    // are never asked for again.
    Expected<HeldBytes> Hold(std::int64_t offset, std::int64_t bytes);
    // The file has grown to `size` since the reader reached its end: the
    // bytes added are read too, on the caller's thread.
    void Extend(std::int64_t size);

private:
    void Run(std::stop_token stop);
    Expected<std::int64_t> ReadBlock(std::int64_t block);
    void Publish(std::int64_t block, Expected<std::int64_t> got);
    Failure Await(std::int64_t offset, std::int64_t end);
    std::uint8_t* At(std::int64_t offset) const;

    static constexpr int kBlocks = 7; // go round the buffer

    SourceFile& m_file;
    std::int64_t m_size; // changes only while no reading thread runs
    const std::int64_t m_blockBytes;
    // A block's room for the copied start of a run, then kBlocks blocks
    // from m_start on.
    std::unique_ptr<std::uint8_t[]> m_storage;
    std::uint8_t* m_start = nullptr;
    std::int64_t m_lapStart = 0; // the file offset at the first block's start
    std::int64_t m_released = 0; // blocks wholly behind the last run asked for
    std::int64_t m_known = 0;    // read bytes the consumer has seen published

    // Shared with the reading thread, under m_mutex. The file's bytes
    // [0, m_read) are in the buffer, so far as not yet gone round.
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::int64_t m_read = 0;
    bool m_ended = false; // no more will be read: m_read is all, or m_failed
    bool m_failed = false;
    bool m_outOfMemory = false; // the reading thread's failure could not be made
    Failure m_failure;
    std::int64_t m_mayRead = 0; // blocks before this one may be read in
    Worker m_worker;            // last: starts once everything above is set up
};
