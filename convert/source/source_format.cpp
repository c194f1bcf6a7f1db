#include "convert/source/source_format.h"

#include <algorithm>
#include <cstring>

std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void ExchangeAudioNibbles(std::uint8_t* chunk, std::int64_t chunkBytes) {
    const std::int64_t last =
        std::min<std::int64_t>(static_cast<std::int64_t>(kAudioSwapLast), chunkBytes - 1);
    for (std::int64_t i = kAudioSwapFirst; i <= last; ++i)
        chunk[i] = static_cast<std::uint8_t>(chunk[i] >> 4 | chunk[i] << 4);
}

int DecodeRateByte(std::uint8_t b) {
    if ((b & 0xC0) == 0xC0)
        return 1;
    return b & 0x1F;
}

std::array<RateRecord, kRateRecordCount> ReadRateRecords(const std::uint8_t* header,
                                                         std::size_t headerBytes) {
    std::array<RateRecord, kRateRecordCount> records{};
    for (std::size_t k = 0; k < kRateRecordCount; ++k) {
        const std::size_t at = kFirstRateRecordOffset + kRateRecordBytes * k;
        // A short header reads as zeros beyond its end.
        const std::uint8_t inUse = at < headerBytes ? header[at] : 0;
        const std::uint8_t rate = at + 1 < headerBytes ? header[at + 1] : 0;
        records[k].inUse = inUse != 0;
        records[k].rateByte = rate;
        records[k].decodedRate = DecodeRateByte(rate);
    }
    return records;
}

int DecodeHeaderRate(const std::uint8_t* header, std::size_t headerBytes) {
    int rate = 0;
    // The last record in use wins, even when it decodes to "no rate".
    for (const RateRecord& record : ReadRateRecords(header, headerBytes))
        if (record.inUse)
            rate = record.decodedRate;
    return rate;
}

namespace {

bool IsTagLead(std::uint8_t b) {
    return b >= 0x30 && b <= 0x40;
}

// The kind of the tag at p, or 0. p must have kTagProbeBytes bytes behind it.
int TagKindAt(const std::uint8_t* p) {
    if (!IsTagLead(p[0]))
        return 0;
    if ((p[1] == '0' || p[1] == '1') && std::memcmp(p + 2, "dcH264", 6) == 0)
        return p[1] == '0' ? KIND_KEY_VIDEO : KIND_VIDEO;
    if (p[1] == '3' && p[2] == 'w' && p[3] == 'b')
        return KIND_AUDIO;
    return 0;
}

} // namespace

std::int64_t FindChunkTag(const std::uint8_t* buffer, std::int64_t start, std::int64_t length,
                          int* kinds) {
    if (start < 0 || length < start + static_cast<std::int64_t>(kTagProbeBytes))
        return -1;
    const std::int64_t last = length - static_cast<std::int64_t>(kTagProbeBytes);
    for (std::int64_t a = start; a <= last; ++a) {
        // Every tag has its second byte in '0', '1' or '3': a cheap filter
        // before the full test.
        const std::uint8_t second = buffer[a + 1];
        if (second != '0' && second != '1' && second != '3')
            continue;
        const int kind = TagKindAt(buffer + a);
        if (kind == 0)
            continue;
        if (kinds == nullptr)
            return a;
        if (*kinds & kind) {
            *kinds = kind;
            return a;
        }
    }
    return -1;
}
