#include "convert/source/chunk_head.h"

ChunkHead ReadChunkHead(ChunkKind kind, const std::uint8_t* tag, std::int64_t available,
                        std::int64_t mostBytes) {
    ChunkHead head;
    if (kind == KIND_AUDIO) {
        if (available < static_cast<std::int64_t>(kAudioHeadBytes))
            return head;
        const std::int64_t length = ReadLe16(tag + kAudioLengthOffset);
        // L counts the 4 unused bytes before the payload: L <= 4 leaves no
        // block at all.
        head.malformed = length <= 4;
        head.chunkBytes = kAudioHeadBytes + length;
        head.payloadOffset = kAudioPayloadOffset;
        return head;
    }
    if (available < static_cast<std::int64_t>(kVideoHeadBytes))
        return head;
    const std::int64_t payload = ReadLe32(tag + kVideoPayloadSizeOffset);
    const std::int64_t extension = ReadLe16(tag + kVideoExtensionSizeOffset);
    head.chunkBytes = static_cast<std::int64_t>(kVideoHeadBytes) + extension + payload;
    head.malformed = head.chunkBytes > mostBytes;
    head.payloadOffset = static_cast<std::int64_t>(kVideoHeadBytes) + extension;
    return head;
}
