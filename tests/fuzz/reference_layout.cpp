#include "tests/fuzz/reference_layout.h"

#include <algorithm>
#include <cstring>

#include "convert/source/chunk_reader.h"

namespace fuzz {

namespace {

std::int64_t Le(const std::uint8_t* p, int bytes) {
    std::int64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

} // namespace

int ReferenceTagKind(const std::uint8_t* p) {
    if (p[0] < '0' || p[0] > '@')
        return 0;
    if (std::memcmp(p + 1, "0dcH264", 7) == 0)
        return KIND_KEY_VIDEO;
    if (std::memcmp(p + 1, "1dcH264", 7) == 0)
        return KIND_VIDEO;
    if (std::memcmp(p + 1, "3wb", 3) == 0)
        return KIND_AUDIO;
    return 0;
}

ReferenceLayout ReferenceChunks(const std::uint8_t* data, std::size_t size) {
    ReferenceLayout layout;
    const std::int64_t end = static_cast<std::int64_t>(size);
    std::int64_t at = 0;
    while (at + 8 <= end) {
        const int kind = ReferenceTagKind(data + at);
        if (kind == 0) {
            ++at;
            continue;
        }
        ReferenceChunk chunk{kind, at, -1, 0};
        const std::uint8_t* tag = data + at;
        bool usable = false;
        if (kind == KIND_AUDIO) {
            if (end - at >= 8) {
                const std::int64_t length = Le(tag + 6, 2);
                chunk.chunkBytes = 8 + length;
                chunk.payloadOffset = 12;
                usable = length > 4;
            }
        } else if (end - at >= 24) {
            chunk.payloadOffset = 24 + Le(tag + 12, 2);
            chunk.chunkBytes = chunk.payloadOffset + Le(tag + 8, 4);
            // The reader holds at most one window; a larger chunk is damage.
            usable = chunk.chunkBytes <= kReadBufferBytes;
        }
        if (usable && at + chunk.chunkBytes <= end) {
            layout.chunks.push_back(chunk);
            at += chunk.chunkBytes;
        } else {
            ++layout.damaged;
            ++at;
        }
    }
    std::int64_t inChunks = 0, nonZeroInChunks = 0, video = 0;
    for (const ReferenceChunk& chunk : layout.chunks) {
        inChunks += chunk.chunkBytes;
        nonZeroInChunks +=
            std::count_if(data + chunk.offset, data + chunk.offset + chunk.chunkBytes,
                          [](std::uint8_t b) { return b != 0; });
        video += chunk.kind != KIND_AUDIO;
    }
    const std::int64_t nonZeroElsewhere =
        std::count_if(data, data + size, [](std::uint8_t b) { return b != 0; }) - nonZeroInChunks;
    layout.isRecording =
        video > 0 || (inChunks > 0 && 10 * inChunks >= inChunks + nonZeroElsewhere);
    return layout;
}

int ReferenceHeaderRate(const std::uint8_t* data, std::size_t size) {
    int rate = 0;
    for (std::size_t record = 0; record < 4; ++record) {
        const std::size_t at = 100 + 40 * record;
        const std::uint8_t inUse = at < size ? data[at] : 0;
        const std::uint8_t rateByte = at + 1 < size ? data[at + 1] : 0;
        if (inUse != 0)
            rate = (rateByte & 0xC0) == 0xC0 ? 1 : rateByte & 0x1F;
    }
    return rate;
}

} // namespace fuzz
