// The chunks of one recording, or of several read one after the other as
// one: what the pipeline reads. Progress runs over the whole.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "convert/expected.h"
#include "convert/source/chunk_reader.h"
#include "convert/source/recording.h"

class ChunkSource {
public:
    // Reads `recordings` in order, each from its first byte to its end.
    explicit ChunkSource(std::vector<std::unique_ptr<Recording>> recordings);
    ~ChunkSource();
    ChunkSource(const ChunkSource&) = delete;
    ChunkSource& operator=(const ChunkSource&) = delete;

    // As ChunkReader::Next, over every recording in turn. A file whose
    // chunks do not make a recording fails as NotARecording once read.
    Expected<ReadResult> Next(Chunk& chunk);

    // Bytes read so far, of Size() in all: the files read are counted at
    // their real ends, the others at the sizes measured when opened.
    std::int64_t BytesRead() const;
    std::int64_t Size() const;
    std::int64_t DamagedChunks() const;
    // The file being read, or the last one read, and its place in the order.
    const Recording& Current() const { return *m_recordings[m_current]; }
    std::size_t CurrentIndex() const { return m_current; }
    // Closes the files; nothing is read after.
    void Close();

private:
    // Counts the current file's figures as read, and lets it go.
    void EndReader();

    std::vector<std::unique_ptr<Recording>> m_recordings;
    std::unique_ptr<ChunkReader> m_reader; // of m_recordings[m_current]
    std::size_t m_current = 0;
    std::int64_t m_readBefore = 0; // the files before the current one, whole
    std::int64_t m_damagedBefore = 0;
};
