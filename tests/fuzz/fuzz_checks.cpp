#include "tests/fuzz/fuzz_checks.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "convert/pipeline.h"
#include "convert/platform/files.h"
#include "convert/source/chunk_reader.h"
#include "convert/source/source_format.h"
#include "convert/stream_converter.h"
#include "tests/convert/media_readback.h"
#include "tests/fuzz/memory_file.h"
#include "tests/fuzz/reference_layout.h"
#include "tests/support/scratch_dir.h"

namespace fs = std::filesystem;

namespace fuzz {

namespace {

std::string At(const char* what, std::int64_t value) {
    return std::string(what) + " " + std::to_string(value);
}

std::string CheckTagSearch(const std::uint8_t* buffer, std::int64_t length, std::int64_t start,
                           int mask) {
    std::int64_t expected = -1;
    int expectedKind = 0;
    for (std::int64_t a = std::max<std::int64_t>(start, 0); start >= 0 && a + 8 <= length; ++a) {
        const int kind = ReferenceTagKind(buffer + a);
        if (kind != 0 && (mask == 0 || (mask & kind) != 0)) {
            expected = a;
            expectedKind = kind;
            break;
        }
    }
    int kinds = mask;
    const std::int64_t found = FindChunkTag(buffer, start, length, mask == 0 ? nullptr : &kinds);
    if (found != expected)
        return "FindChunkTag from " + std::to_string(start) + " for kinds " + std::to_string(mask) +
               " found " + std::to_string(found) + ", expected " + std::to_string(expected);
    if (mask != 0 && kinds != (found >= 0 ? expectedKind : mask))
        return At("FindChunkTag gave kinds", kinds) + At(" for a tag of kind", expectedKind);
    return {};
}

std::string CheckRate(const std::uint8_t* header, std::size_t bytes) {
    const int rate = DecodeHeaderRate(header, bytes);
    const int expected = ReferenceHeaderRate(header, bytes);
    if (rate != expected)
        return At("DecodeHeaderRate gave", rate) + At(", expected", expected);
    for (const RateRecord& record : ReadRateRecords(header, bytes))
        if (record.decodedRate != DecodeRateByte(record.rateByte))
            return At("a rate record decodes byte", record.rateByte) +
                   At(" as", record.decodedRate);
    return {};
}

// `claimedSize` may exceed the bytes there, as for a file that shrinks while
// it is read.
std::string CheckReader(const std::vector<std::uint8_t>& bytes, std::int64_t claimedSize) {
    const ReferenceLayout layout = ReferenceChunks(bytes.data(), bytes.size());
    const MemoryFile file(bytes);
    if (!file.Error().empty())
        return "memory file: " + file.Error();

    SourceFile source;
    if (const Failure failure = source.Open(file.Path()))
        return "memory file: " + failure.cause;
    ChunkReader reader(source, claimedSize);
    const std::int64_t size = static_cast<std::int64_t>(bytes.size());
    std::size_t index = 0;
    std::int64_t lastRead = 0;
    std::int64_t damaged = 0;
    for (;;) {
        Chunk chunk;
        const Expected<ReadResult> next = reader.Next(chunk);
        if (!next)
            return "reading from memory failed: " + next.GetFailure().cause;
        const ReadResult result = *next;
        if (reader.BytesRead() < lastRead || reader.BytesRead() > size)
            return At("bytes read went to", reader.BytesRead());
        lastRead = reader.BytesRead();
        if (result == ReadResult::Searched)
            continue;
        if (result == ReadResult::End)
            break;
        if (result == ReadResult::Damaged) {
            ++damaged;
            continue;
        }
        if (index == layout.chunks.size())
            return At("an extra chunk at", chunk.fileOffset);
        const ReferenceChunk& want = layout.chunks[index++];
        if (chunk.fileOffset != want.offset || chunk.kind != want.kind ||
            chunk.chunkBytes != want.chunkBytes ||
            chunk.payload - chunk.start != want.payloadOffset ||
            chunk.payloadBytes != want.chunkBytes - want.payloadOffset)
            return At("chunk", static_cast<std::int64_t>(index - 1)) +
                   At(" read at", chunk.fileOffset) + At(" size", chunk.chunkBytes) +
                   At(", expected at", want.offset) + At(" size", want.chunkBytes);
        // Prepared, audio data bytes come out with their nibbles exchanged,
        // and only those: bytes 16 to 175, never past the chunk.
        PrepareChunk(chunk);
        std::vector<std::uint8_t> expected(bytes.begin() + want.offset,
                                           bytes.begin() + want.offset + want.chunkBytes);
        for (std::size_t i = 16; want.kind == KIND_AUDIO && i <= 175 && i < expected.size(); ++i)
            expected[i] = static_cast<std::uint8_t>((expected[i] & 0x0F) << 4 | expected[i] >> 4);
        if (std::memcmp(chunk.start, expected.data(), expected.size()) != 0)
            return At("the bytes of the chunk at", want.offset) + " differ from the file's";
    }
    if (damaged != reader.DamagedChunks())
        return At("damaged chunks reported one by one", damaged) +
               At(", counted", reader.DamagedChunks());
    if (index != layout.chunks.size())
        return At("the reader stopped after", static_cast<std::int64_t>(index)) +
               At(" chunks of", static_cast<std::int64_t>(layout.chunks.size()));
    if (reader.DamagedChunks() != layout.damaged)
        return At("damaged chunks", reader.DamagedChunks()) + At(", expected", layout.damaged);
    if (!reader.ReachedEnd() || reader.BytesRead() != size || reader.FileSize() != size)
        return At("at the end bytes read is", reader.BytesRead()) +
               At(" and the size", reader.FileSize()) + At(" of", size);
    if (reader.Evidence().HoldsARecording() != layout.isRecording)
        return At("the reader takes it for a recording:", reader.Evidence().HoldsARecording());
    return {};
}

// A folder of our own for the whole process: in.264 and out.avi, removed
// as the process ends. (An exit handler registered while the path was being
// made ran after the path was destroyed, and crashed on Windows.)
const fs::path& Scratch() {
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    static const ScratchDir folder;
    (void)quiet;
    return folder.Path();
}

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Reports {
    std::vector<std::pair<std::int64_t, std::int64_t>> list;
    static int Add(void* context, std::int64_t read, std::int64_t size) {
        static_cast<Reports*>(context)->list.emplace_back(read, size);
        return 0;
    }
};

std::string CheckReports(const Reports& reports, std::int64_t size, bool completes) {
    if (reports.list.empty() && completes)
        return "no progress report";
    int completions = 0;
    std::int64_t last = 0;
    for (const auto& [read, total] : reports.list) {
        if (total != size || read < last || read > size)
            return At("report", read) + At(" of", total) + At(" after", last);
        last = read;
        completions += read == size ? 1 : 0;
    }
    if (!completes)
        return completions == 0 ? "" : At("completion reports of a failed run:", completions);
    if (completions != 1 || reports.list.back().first != size)
        return At("completion reports:", completions);
    return {};
}

std::string CheckOutput(const fs::path& avi, const ReferenceLayout& layout,
                        const ConversionStats& stats) {
    std::int64_t key = 0, video = 0, audio = 0;
    for (const ReferenceChunk& chunk : layout.chunks) {
        key += chunk.kind == KIND_KEY_VIDEO ? 1 : 0;
        video += chunk.kind != KIND_AUDIO ? 1 : 0;
        audio += chunk.kind == KIND_AUDIO ? 1 : 0;
    }
    if (stats.videoPackets + stats.audioPackets + stats.refusedPackets != video + audio)
        return At("packets written and refused:", stats.videoPackets + stats.audioPackets) +
               At(" +", stats.refusedPackets) + At(" of chunks", video + audio);
    if (stats.damagedChunks != layout.damaged)
        return At("damaged chunks", stats.damagedChunks) + At(", expected", layout.damaged);
    if (stats.refusedPackets > 0)
        return {}; // which ones were refused is the muxer's business
    if (stats.keyVideoPackets != key || stats.videoPackets != video || stats.audioPackets != audio)
        return "packet counts by kind differ from the chunks found";

    std::vector<MoviChunk> movi;
    try {
        movi = ReadMoviChunks(avi.string());
    } catch (const std::exception& e) {
        return std::string("the AVI cannot be walked: ") + e.what();
    }
    // Every chunk in order; between them, an empty video chunk may keep the
    // slot of a frame lost to damage.
    std::size_t next = 0;
    std::int64_t slots = 0;
    for (const MoviChunk& m : movi) {
        if (next < layout.chunks.size()) {
            const ReferenceChunk& chunk = layout.chunks[next];
            const int stream = chunk.kind == KIND_AUDIO ? 1 : 0;
            if (m.stream == stream &&
                static_cast<std::int64_t>(m.size) == chunk.chunkBytes - chunk.payloadOffset) {
                ++next;
                continue;
            }
        }
        if (m.stream == 0 && m.size == 0 && ++slots <= layout.damaged)
            continue;
        return At("AVI chunk", static_cast<std::int64_t>(next + slots)) +
               At(" of stream", m.stream) + At(" has size", static_cast<std::int64_t>(m.size)) +
               At(", expected chunk", static_cast<std::int64_t>(next));
    }
    if (next != layout.chunks.size())
        return At("the AVI holds", static_cast<std::int64_t>(next)) +
               At(" chunks, expected", static_cast<std::int64_t>(layout.chunks.size()));
    return {};
}

} // namespace

std::string CheckTagSearchAndRate(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return {};
    const std::int64_t start = static_cast<std::int8_t>(data[0]);
    const int mask = data[1] & kAllChunkKinds;
    const bool shrinks = (data[1] & 8) != 0;
    // Mostly a little filler, which keeps runs fast; the top values reach
    // past the window (262143) and the read-ahead buffer (2 MiB).
    const std::size_t filler =
        data[2] < 0xF0 ? data[2] * std::size_t{131} : (data[2] - 0xEFu) * std::size_t{131071};
    const std::uint8_t* rest = data + 3;
    const std::size_t length = size - 3;

    std::string problem = CheckTagSearch(rest, static_cast<std::int64_t>(length), start, mask);
    if (problem.empty())
        problem = CheckRate(rest, std::min(length, kHeaderBytes));
    if (problem.empty() && length + filler > 0) {
        std::vector<std::uint8_t> bytes(filler, 0xFF);
        bytes.insert(bytes.end(), rest, rest + length);
        const std::int64_t bytesSize = static_cast<std::int64_t>(bytes.size());
        problem = CheckReader(bytes, shrinks ? bytesSize + 4099 : bytesSize);
    }
    return problem;
}

std::string CheckConversion(const std::uint8_t* data, std::size_t size) {
    const fs::path source = Scratch() / "in.264";
    const fs::path dest = Scratch() / "out.avi";
    {
        std::ofstream out(source, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out.flush())
            return source.string() + ": cannot be written";
    }

    Reports reports;
    CStreamConverter job(source.string().c_str(), dest.string().c_str(), 25);
    job.SetCallback(&reports, &Reports::Add);
    const ReferenceLayout layout = ReferenceChunks(data, size);
    const int result = RunConverter(&job);
    if (result != 0 && (layout.isRecording || job.GetFailure().kind != FailureKind::NotARecording))
        return "the conversion failed: " + job.GetFailure().Message();
    if (result == 0 && !layout.isRecording)
        return "bytes that are no recording were converted";

    const std::int64_t fileSize = static_cast<std::int64_t>(size);
    std::string problem = CheckReports(reports, fileSize, result == 0);
    if (problem.empty() && result == 0)
        problem = CheckOutput(dest, layout, job.Stats());
    if (problem.empty() && FileBytes(source) != std::vector<std::uint8_t>(data, data + size))
        problem = "the source changed";
    if (problem.empty())
        for (const auto& entry : fs::directory_iterator(Scratch()))
            if (entry.path() != source && entry.path() != dest)
                problem = entry.path().string() + " was left behind";
    std::error_code ignored;
    fs::remove(dest, ignored);
    return problem;
}

} // namespace fuzz
