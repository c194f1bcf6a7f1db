#include "convert/source/block_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::int64_t kPageBytes = 4096;

std::int64_t RoundUp(std::int64_t n, std::int64_t to) {
    return (n + to - 1) / to * to;
}

} // namespace

BlockReader::BlockReader(SourceFile& file, std::int64_t size, std::int64_t runBytes)
    : m_file(file), m_size(std::max<std::int64_t>(size, 0)),
      // A block is at least a run, so a run spans two blocks at most.
      m_blockBytes(RoundUp(std::max<std::int64_t>(runBytes, 1), kPageBytes)) {
    // Blocks start on a page, as they do in the file: the system copies
    // aligned bytes fastest.
    m_storage = std::make_unique_for_overwrite<std::uint8_t[]>(
        static_cast<std::size_t>((kBlocks + 1) * m_blockBytes + kPageBytes));
    const auto address = reinterpret_cast<std::uintptr_t>(m_storage.get());
    const auto misalignment = static_cast<std::int64_t>(address % kPageBytes);
    m_start = m_storage.get() + (misalignment ? kPageBytes - misalignment : 0) + m_blockBytes;
    m_mayRead = kBlocks;
    // A file of one block gains nothing from a second thread. Without one,
    // blocks are read when first needed instead.
    if (m_size > m_blockBytes)
        m_worker.Start([this](std::stop_token stop) { Run(stop); });
}

BlockReader::~BlockReader() = default;

void BlockReader::Extend(std::int64_t size) {
    // The reading thread has ended with the file's end, or is about to.
    m_worker.Stop();
    m_size = size;
    m_ended = m_failed;
}

std::uint8_t* BlockReader::At(std::int64_t offset) const {
    return m_start + (offset - m_lapStart);
}

// Reads `block` into its place in the buffer: the count read, short of a
// block only where the file ends.
Expected<std::int64_t> BlockReader::ReadBlock(std::int64_t block) {
    const std::int64_t offset = block * m_blockBytes;
    const std::int64_t want = std::min(m_blockBytes, m_size - offset);
    std::uint8_t* to = m_start + (block % kBlocks) * m_blockBytes;
    std::int64_t done = 0;
    while (done < want) {
        Expected<std::int64_t> got = m_file.ReadAt(to + done, want - done, offset + done);
        if (!got)
            return got;
        if (*got == 0)
            break; // the file shrank while being read
        done += *got;
    }
    return done;
}

// Under m_mutex: what ReadBlock gave for `block`.
void BlockReader::Publish(std::int64_t block, Expected<std::int64_t> got) {
    if (!got) {
        m_failed = true;
        m_failure = got.TakeFailure();
    } else {
        m_read = block * m_blockBytes + *got;
    }
    m_ended = m_failed || *got < m_blockBytes || m_read >= m_size;
}

// The reading thread: block after block, each as soon as its place is free,
// until the file ends, a read fails or the reader is destroyed.
void BlockReader::Run(std::stop_token stop) {
    for (std::int64_t block = 0;; ++block) {
        {
            std::unique_lock lock(m_mutex);
            if (!m_changed.wait(lock, stop, [&] { return block < m_mayRead; }))
                return;
        }
        bool ended = false;
        try {
            Expected<std::int64_t> got = ReadBlock(block);
            std::lock_guard lock(m_mutex);
            Publish(block, std::move(got));
            ended = m_ended;
        } catch (const std::bad_alloc&) {
            // Not even the failure could be made here: the caller makes it.
            std::lock_guard lock(m_mutex);
            m_failed = m_ended = m_outOfMemory = ended = true;
        }
        m_changed.notify_all();
        if (ended)
            return;
    }
}

// Lets the reading thread go on past the blocks before `offset`'s, then
// waits for the file's bytes up to `end`, or its end; the failure of a read
// they need.
Failure BlockReader::Await(std::int64_t offset, std::int64_t end) {
    const std::int64_t released = offset / m_blockBytes;
    if (released == m_released && m_known >= end)
        return {};
    m_released = released;
    std::unique_lock lock(m_mutex);
    // The place of the block `offset` lies in, or of any after it, is not
    // to be read into until the runs asked for have moved past it.
    m_mayRead = released + kBlocks;
    if (m_worker.Running()) {
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_read >= end || m_ended; });
    } else {
        while (m_read < end && !m_ended) {
            const std::int64_t block = m_read / m_blockBytes;
            Publish(block, ReadBlock(block));
        }
    }
    m_known = m_read;
    if (m_known < end && m_failed)
        return m_outOfMemory ? Failure{FailureKind::Source, {}, kOutOfMemoryCause} : m_failure;
    return {};
}

Expected<HeldBytes> BlockReader::Hold(std::int64_t offset, std::int64_t bytes) {
    const std::int64_t end = std::min(offset + bytes, m_size);
    const std::int64_t lapEnd = m_lapStart + kBlocks * m_blockBytes;
    if (end > lapEnd) {
        // The run would pass the buffer's end: once read, its first bytes
        // go in front of the buffer's start, and the blocks go round again.
        if (Failure failure = Await(offset, lapEnd))
            return failure;
        if (m_known >= lapEnd) {
            const std::int64_t keep = lapEnd - offset;
            std::memcpy(m_start - keep, At(offset), static_cast<std::size_t>(keep));
            m_lapStart = lapEnd;
        }
    }
    if (Failure failure = Await(offset, end))
        return failure;
    return HeldBytes{At(offset), std::max<std::int64_t>(std::min(end, m_known) - offset, 0)};
}
