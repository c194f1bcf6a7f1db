#include "tests/fault/fault_recordings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

#include "tests/convert/crafted_recording.h"
#include "tests/convert/media_readback.h"

namespace fault {

namespace {

constexpr int kVideoStream = 0;
constexpr int kAudioStream = 1;

void AddVideo(CraftedRecording& rec, std::vector<ExpectedPacket>& packets, bool key,
              std::size_t size, std::uint8_t seed, std::uint16_t extension = 0) {
    const std::vector<std::uint8_t> payload = VideoPayload(size, seed);
    rec.Video(key, payload, extension);
    packets.push_back({kVideoStream, payload, static_cast<std::int64_t>(rec.Bytes().size())});
}

void AddAudio(CraftedRecording& rec, std::vector<ExpectedPacket>& packets, std::uint8_t seed) {
    const std::vector<std::uint8_t> stored = AudioBlock(seed);
    rec.Audio(stored);
    packets.push_back(
        {kAudioStream, RestoredBlock(stored), static_cast<std::int64_t>(rec.Bytes().size())});
}

void WriteAt(int fd, const std::vector<std::uint8_t>& bytes, std::int64_t offset,
             const std::string& path) {
    if (pwrite(fd, bytes.data(), bytes.size(), offset) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error(path + ": " + std::strerror(errno));
}

} // namespace

std::vector<ExpectedPacket> KnownRecording::CompleteWithin(std::int64_t cut) const {
    std::vector<ExpectedPacket> within;
    for (const ExpectedPacket& packet : packets)
        if (packet.end <= cut)
            within.push_back(packet);
    return within;
}

KnownRecording ShortRecording() {
    KnownRecording known;
    CraftedRecording rec;
    rec.Rate(0, 0x19);
    AddVideo(rec, known.packets, true, 300, 1, 6);
    AddAudio(rec, known.packets, 2);
    rec.Garbage(37);
    AddVideo(rec, known.packets, false, 211, 3);
    AddAudio(rec, known.packets, 4);
    // L = 3 leaves no block: dropped, and the search goes on after its tag.
    rec.AudioWithLength(3, 0);
    AddVideo(rec, known.packets, false, 157, 5);
    AddAudio(rec, known.packets, 6);
    AddVideo(rec, known.packets, true, 90, 7, 1);
    known.bytes = rec.Bytes();
    return known;
}

std::vector<ExpectedPacket> WriteSparseRecording(const std::string& path, std::int64_t size) {
    std::vector<ExpectedPacket> packets;
    CraftedRecording head;
    head.Rate(0, 0x19);
    AddVideo(head, packets, true, 5000, 11);
    AddAudio(head, packets, 12);
    CraftedRecording tail;
    tail.Bytes().clear();
    std::vector<ExpectedPacket> tailPackets;
    AddVideo(tail, tailPackets, false, 6000, 13);
    AddAudio(tail, tailPackets, 14);
    const std::int64_t tailAt = size - static_cast<std::int64_t>(tail.Bytes().size());
    for (ExpectedPacket& packet : tailPackets) {
        packet.end += tailAt;
        packets.push_back(std::move(packet));
    }

    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        throw std::runtime_error(path + ": " + std::strerror(errno));
    WriteAt(fd, head.Bytes(), 0, path);
    WriteAt(fd, tail.Bytes(), tailAt, path);
    close(fd);
    return packets;
}

std::vector<ExpectedPacket> PacketsOf(const std::string& aviPath) {
    std::vector<ExpectedPacket> packets;
    for (MediaPacket& packet : ReadMedia(aviPath).packets)
        packets.push_back({packet.stream, std::move(packet.data), 0});
    return packets;
}

std::string Describe(const std::vector<ExpectedPacket>& packets) {
    std::string text;
    for (const ExpectedPacket& packet : packets)
        text += std::to_string(packet.stream) + ":" + std::to_string(packet.data.size()) + " ";
    return text;
}

bool SamePackets(const std::vector<ExpectedPacket>& a, const std::vector<ExpectedPacket>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].stream != b[i].stream || a[i].data != b[i].data)
            return false;
    return true;
}

} // namespace fault
