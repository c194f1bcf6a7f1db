// The sound blocks submitted to the MP4's encoder and not yet encoded, in
// order. Until the picture starts nothing may be encoded (where the sound
// starts is not known yet), however long that lasts: a day of sound alone
// included. So only the first blocks and the last few stay in memory; those
// between wait on disk, in a temporary file beside the destination that is
// removed as the output's own is, and come back a batch at a time. Where
// the platform allows no such file (a browser), all stay in memory.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "convert/failure.h"

class TemporaryOutput;

class BlockQueue {
public:
    using Block = std::vector<std::uint8_t>;

    BlockQueue();
    ~BlockQueue();
    BlockQueue(const BlockQueue&) = delete;
    BlockQueue& operator=(const BlockQueue&) = delete;

    // Blocks held on disk go beside `destination`; failures name it. Those
    // read back have room for `spareBytes` zeros behind their end, as those
    // pushed have (decoders may read a little past the end).
    void Open(std::string destination, std::size_t spareBytes);
    Failure Push(Block block);
    // The first block into `block`; false in `*taken` when there is none.
    Failure Pop(Block& block, bool* taken);
    std::int64_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }

private:
    Failure WriteBatch();
    Failure ReadBatch();
    Failure ReadFully(void* to, std::int64_t bytes);

    std::string m_destination;
    std::size_t m_spareBytes = 0;
    bool m_mayUseDisk = false; // where not, every block stays in memory
    std::deque<Block> m_head;  // the first blocks
    std::deque<Block> m_tail;  // the last ones, on their way to the file
    std::unique_ptr<TemporaryOutput> m_file;
    std::int64_t m_readAt = 0;  // the first batch not yet read back
    std::int64_t m_writeAt = 0; // the end of the batches written
    std::int64_t m_size = 0;
};
