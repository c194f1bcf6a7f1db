// Lays out a recording in a file: header, video and audio chunks, garbage
// runs, and the manifest entry for each. Output goes through a large buffer to
// PATH.part, which is renamed into place only once the file is complete.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/recgen/recording_generator.h"
#include "tools/recgen/seeded_random.h"

namespace recgen {

class ChunkWriter {
public:
    // `manifest` may be null; totals are kept either way (see Totals()).
    ChunkWriter(const std::string& path, std::uint32_t seed, Manifest* manifest);
    ~ChunkWriter();
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // Each returns false once writing failed; Error() then says why.
    bool Open();
    bool WriteHeader(const std::array<RateRecordSpec, 4>& records);
    bool WriteVideo(std::uint8_t lead, bool key, const std::vector<std::uint8_t>& payload,
                    int extensionBytes, bool bogusLength);
    // `block` holds one kImaBlockBytes IMA ADPCM block in WAV layout.
    bool WriteAudio(std::uint8_t lead, const std::uint8_t* block);
    bool WriteGarbage(int bytes);
    // Flushes, cuts the last chunk in half when asked, and renames the file
    // into place. Without Finish the partial file is removed.
    bool Finish(bool truncateLast);

    std::int64_t BytesWritten() const { return m_written + static_cast<std::int64_t>(m_used); }
    std::int64_t ChunksWritten() const { return m_chunkCount; }
    const Manifest& Totals() const { return m_totals; }
    const std::string& Error() const { return m_error; }

private:
    bool Append(const std::uint8_t* data, std::size_t bytes);
    bool Flush();
    bool Fail(const std::string& cause);
    void Record(const ChunkRecord& chunk);

    std::string m_path;
    std::string m_partPath;
    SeededRandom m_filler;
    Manifest* m_manifest;
    Manifest m_totals; // counts only; chunks stay empty
    ChunkRecord m_last;
    bool m_garbageAfterLast = false;
    std::int64_t m_chunkCount = 0;
    int m_fd = -1;
    bool m_finished = false;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_used = 0;
    std::int64_t m_written = 0; // bytes already handed to the file
    std::string m_error;
};

} // namespace recgen
