#include "tools/recgen/chunk_writer.h"

#include "tools/recgen/ima_adpcm_encoder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace recgen {
namespace {

constexpr std::size_t kBufferBytes = 8u << 20;
constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kFirstRateRecord = 100;
constexpr std::size_t kRateRecordBytes = 40;
constexpr std::size_t kVideoHeadBytes = 24;
constexpr std::size_t kAudioHeadBytes = 8;
constexpr std::size_t kAudioPayloadOffset = 12;
constexpr std::size_t kAudioSwapFirst = 16; // first block data byte, from the tag
constexpr std::uint32_t kBogusLength = 0xFFFFFFF0u;

void PutLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    PutLe16(p, v & 0xFFFF);
    PutLe16(p + 2, v >> 16);
}

} // namespace

ChunkWriter::ChunkWriter(const std::string& path, std::uint32_t seed, Manifest* manifest)
    : m_path(path), m_partPath(path + ".part"), m_filler(seed ^ 0x6A5B17E5u), m_manifest(manifest),
      m_buffer(kBufferBytes) {}

ChunkWriter::~ChunkWriter() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (!m_finished && !m_partPath.empty()) {
        ::unlink(m_partPath.c_str());
    }
}

bool ChunkWriter::Fail(const std::string& cause) {
    if (m_error.empty()) {
        m_error = m_path + ": " + cause;
    }
    return false;
}

bool ChunkWriter::Open() {
    m_fd = ::open(m_partPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        const std::string cause = std::strerror(errno);
        m_partPath.clear(); // nothing of ours to remove
        return Fail(cause);
    }
    return true;
}

bool ChunkWriter::Flush() {
    std::size_t done = 0;
    while (done < m_used) {
        const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_used - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    m_written += static_cast<std::int64_t>(m_used);
    m_used = 0;
    return true;
}

bool ChunkWriter::Append(const std::uint8_t* data, std::size_t bytes) {
    if (!m_error.empty()) {
        return false;
    }
    while (bytes > 0) {
        if (m_used == m_buffer.size() && !Flush()) {
            return false;
        }
        const std::size_t take = std::min(bytes, m_buffer.size() - m_used);
        std::memcpy(m_buffer.data() + m_used, data, take);
        m_used += take;
        data += take;
        bytes -= take;
    }
    return true;
}

void ChunkWriter::Record(const ChunkRecord& chunk) {
    m_last = chunk;
    m_garbageAfterLast = false;
    ++m_chunkCount;
    if (!chunk.damaged) {
        m_totals.videoFrames += chunk.kind != kAudio;
        m_totals.keyFrames += chunk.kind == kKeyVideo;
        m_totals.audioBlocks += chunk.kind == kAudio;
    }
    if (m_manifest != nullptr) {
        m_manifest->chunks.push_back(chunk);
    }
}

bool ChunkWriter::WriteHeader(const std::array<RateRecordSpec, 4>& records) {
    std::uint8_t header[kHeaderBytes] = {};
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::uint8_t* record = header + kFirstRateRecord + i * kRateRecordBytes;
        record[0] = records[i].inUse ? 1 : 0;
        record[1] = records[i].rateByte;
    }
    return Append(header, sizeof header);
}

bool ChunkWriter::WriteVideo(std::uint8_t lead, bool key, const std::vector<std::uint8_t>& payload,
                             int extensionBytes, bool bogusLength) {
    std::uint8_t head[kVideoHeadBytes] = {
        lead, static_cast<std::uint8_t>(key ? '0' : '1'), 'd', 'c', 'H', '2', '6', '4'};
    PutLe32(head + 8, bogusLength ? kBogusLength : static_cast<std::uint32_t>(payload.size()));
    PutLe16(head + 12, static_cast<std::uint32_t>(extensionBytes));

    ChunkRecord chunk;
    chunk.kind = key ? kKeyVideo : kVideo;
    chunk.offset = BytesWritten();
    chunk.payloadOffset =
        chunk.offset + static_cast<std::int64_t>(kVideoHeadBytes) + extensionBytes;
    chunk.payloadBytes = static_cast<std::int64_t>(payload.size());
    chunk.chunkBytes = chunk.payloadOffset - chunk.offset + chunk.payloadBytes;
    chunk.damaged = bogusLength;

    if (!Append(head, sizeof head)) {
        return false;
    }
    // Extension filler is >= 0x80 like garbage, so it can never look like a tag.
    std::uint8_t extension[256];
    for (int left = extensionBytes; left > 0;) {
        const int take = std::min(left, static_cast<int>(sizeof extension));
        for (int i = 0; i < take; ++i) {
            extension[i] = static_cast<std::uint8_t>(0x80 | m_filler.Below(128));
        }
        if (!Append(extension, static_cast<std::size_t>(take))) {
            return false;
        }
        left -= take;
    }
    if (!Append(payload.data(), payload.size())) {
        return false;
    }
    Record(chunk);
    return true;
}

bool ChunkWriter::WriteAudio(std::uint8_t lead, const std::uint8_t* block) {
    std::array<std::uint8_t, kAudioPayloadOffset + kImaBlockBytes> chunkBytes{};
    std::uint8_t* c = chunkBytes.data();
    c[0] = lead;
    c[1] = '3';
    c[2] = 'w';
    c[3] = 'b';
    PutLe16(c + 6, static_cast<std::uint32_t>(chunkBytes.size() - kAudioHeadBytes));
    std::memcpy(c + kAudioPayloadOffset, block, kImaBlockBytes);
    // Recordings keep the block's data bytes with their two nibbles exchanged.
    for (std::size_t i = kAudioSwapFirst; i < chunkBytes.size(); ++i) {
        c[i] = static_cast<std::uint8_t>(c[i] >> 4 | c[i] << 4);
    }

    ChunkRecord chunk;
    chunk.kind = kAudio;
    chunk.offset = BytesWritten();
    chunk.chunkBytes = static_cast<std::int64_t>(chunkBytes.size());
    chunk.payloadOffset = chunk.offset + static_cast<std::int64_t>(kAudioPayloadOffset);
    chunk.payloadBytes = kImaBlockBytes;
    if (!Append(c, chunkBytes.size())) {
        return false;
    }
    Record(chunk);
    return true;
}

bool ChunkWriter::WriteGarbage(int bytes) {
    // Every tag byte is below 0x80, so bytes from 0x80 up can neither hold a
    // tag nor complete one that starts in the chunk before them.
    std::vector<std::uint8_t> garbage(static_cast<std::size_t>(bytes));
    for (auto& b : garbage) {
        b = static_cast<std::uint8_t>(0x80 | m_filler.Below(128));
    }
    ++m_totals.garbageRuns;
    m_garbageAfterLast = true;
    return Append(garbage.data(), garbage.size());
}

bool ChunkWriter::Finish(bool truncateLast) {
    if (!m_error.empty() || !Flush()) {
        return false;
    }
    std::int64_t size = m_written;
    if (truncateLast) {
        if (m_chunkCount == 0) {
            return Fail("no chunk to truncate");
        }
        const std::int64_t keep = m_last.chunkBytes / 2;
        size = m_last.offset + keep;
        if (::ftruncate(m_fd, size) != 0) {
            return Fail(std::strerror(errno));
        }
        if (m_garbageAfterLast) {
            --m_totals.garbageRuns; // cut off with the chunk's second half
        }
        const bool wasIntact = !m_last.damaged;
        m_last.damaged = true;
        m_last.chunkBytes = keep;
        m_last.payloadBytes =
            std::max<std::int64_t>(0, m_last.offset + keep - m_last.payloadOffset);
        if (wasIntact) {
            m_totals.videoFrames -= m_last.kind != kAudio;
            m_totals.keyFrames -= m_last.kind == kKeyVideo;
            m_totals.audioBlocks -= m_last.kind == kAudio;
        }
        if (m_manifest != nullptr) {
            m_manifest->chunks.back() = m_last;
        }
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        return Fail(std::strerror(errno));
    }
    if (std::rename(m_partPath.c_str(), m_path.c_str()) != 0) {
        return Fail(std::strerror(errno));
    }
    m_finished = true;
    m_totals.fileBytes = size;
    if (m_manifest != nullptr) {
        m_manifest->fileBytes = size;
        m_manifest->videoFrames = m_totals.videoFrames;
        m_manifest->keyFrames = m_totals.keyFrames;
        m_manifest->audioBlocks = m_totals.audioBlocks;
        m_manifest->garbageRuns = m_totals.garbageRuns;
    }
    return true;
}

} // namespace recgen
