#include "convert/output/block_queue.h"

#include <cstring>

#include "convert/platform/files.h"

namespace {

// Blocks kept in memory at the front (about 2.6 s of sound, what the
// encoder may be behind the picture anyway), and written or read back at a
// time (about 11 kB).
constexpr std::size_t kHeadBlocks = 64;
constexpr std::size_t kBatchBlocks = 64;

// A batch on disk: its length, then each block's length and bytes.
using Length = std::uint64_t;

void Put(std::vector<std::uint8_t>& to, Length value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    to.insert(to.end(), bytes, bytes + sizeof value);
}

} // namespace

BlockQueue::BlockQueue() = default;
BlockQueue::~BlockQueue() = default;

void BlockQueue::Open(std::string destination, std::size_t spareBytes) {
    m_destination = std::move(destination);
    m_spareBytes = spareBytes;
    m_mayUseDisk = SpareFilesAllowed();
}

Failure BlockQueue::Push(Block block) {
    const bool onDisk = m_readAt < m_writeAt;
    if (!m_mayUseDisk || (!onDisk && m_tail.empty() && m_head.size() < kHeadBlocks))
        m_head.push_back(std::move(block));
    else
        m_tail.push_back(std::move(block));
    ++m_size;
    return m_tail.size() >= kBatchBlocks ? WriteBatch() : Failure{};
}

Failure BlockQueue::Pop(Block& block, bool* taken) {
    *taken = false;
    if (m_head.empty() && m_readAt < m_writeAt) {
        if (Failure failure = ReadBatch())
            return failure;
    }
    if (m_head.empty())
        m_head.swap(m_tail);
    if (m_head.empty())
        return {};
    block = std::move(m_head.front());
    m_head.pop_front();
    --m_size;
    *taken = true;
    return {};
}

Failure BlockQueue::WriteBatch() {
    if (!m_file) {
        m_file = std::make_unique<TemporaryOutput>(m_destination);
        if (Failure failure = m_file->Create()) {
            m_file.reset();
            return failure;
        }
    }
    std::vector<std::uint8_t> batch;
    Put(batch, 0);
    for (const Block& block : m_tail) {
        Put(batch, block.size());
        batch.insert(batch.end(), block.begin(), block.end());
    }
    const Length length = batch.size() - sizeof(Length);
    std::memcpy(batch.data(), &length, sizeof length);
    if (Failure failure = m_file->WriteAt(batch.data(), std::ssize(batch), m_writeAt))
        return failure;
    m_writeAt += std::ssize(batch);
    m_tail.clear();
    return {};
}

Failure BlockQueue::ReadBatch() {
    Length length = 0;
    if (Failure failure = ReadFully(&length, sizeof length))
        return failure;
    std::vector<std::uint8_t> batch(length);
    if (Failure failure = ReadFully(batch.data(), std::ssize(batch)))
        return failure;
    for (std::size_t at = 0; at + sizeof(Length) <= batch.size();) {
        Length size = 0;
        std::memcpy(&size, batch.data() + at, sizeof size);
        at += sizeof size;
        Block& block = m_head.emplace_back(size + m_spareBytes);
        std::memcpy(block.data(), batch.data() + at, size);
        block.resize(size);
        at += size;
    }
    // All read back: the file's space is used again from its start.
    if (m_readAt == m_writeAt)
        m_readAt = m_writeAt = 0;
    return {};
}

Failure BlockQueue::ReadFully(void* to, std::int64_t bytes) {
    auto* into = static_cast<std::uint8_t*>(to);
    for (std::int64_t done = 0; done < bytes;) {
        Expected<std::int64_t> got = m_file->ReadAt(into + done, bytes - done, m_readAt);
        if (!got)
            return got.TakeFailure();
        if (*got == 0) // shorter than written: the file was changed under us
            return DestinationFailure(m_destination, "the sound held on disk was cut short");
        done += *got;
        m_readAt += *got;
    }
    return {};
}
