// Recordings for the fault matrix, each with the packets a reader must get
// out of it, in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fault {

struct ExpectedPacket {
    int stream = 0; // 0 video, 1 audio, as in the AVI
    std::vector<std::uint8_t> data;
    std::int64_t end = 0; // file offset one past the chunk
};

struct KnownRecording {
    std::vector<std::uint8_t> bytes;
    std::vector<ExpectedPacket> packets;
    // The packets of chunks that lie wholly within the first `cut` bytes.
    std::vector<ExpectedPacket> CompleteWithin(std::int64_t cut) const;
};

// About 2 KB: every chunk kind, an extension, garbage between chunks and a
// malformed chunk, all payload sizes distinct.
KnownRecording ShortRecording();

// A sparse file of `size` bytes: a header and two chunks at its start, two
// chunks ending exactly at its end, holes in between. Returns the packets.
std::vector<ExpectedPacket> WriteSparseRecording(const std::string& path, std::int64_t size);

// The packets of an AVI as (stream, data), in the order a player reads them.
std::vector<ExpectedPacket> PacketsOf(const std::string& aviPath);

// "stream:size" per packet, for readable failure messages.
std::string Describe(const std::vector<ExpectedPacket>& packets);
bool SamePackets(const std::vector<ExpectedPacket>& a, const std::vector<ExpectedPacket>& b);

} // namespace fault
