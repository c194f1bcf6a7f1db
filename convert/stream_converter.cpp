#include "convert/stream_converter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "convert/avi_output.h"
#include "convert/source_file.h"
#include "convert/temporary_output.h"

namespace {

// Refuses a destination that would overwrite the source or cannot take a
// file. Identity, not spelling, decides: another path to the same file, a
// symbolic or a hard link are all the source. Empty when the destination is
// usable.
std::string CheckDestination(const std::string& dest, const struct stat& source) {
    struct stat info {};
    if (stat(dest.c_str(), &info) != 0)
        return {}; // does not exist yet: creating it is checked later
    if (info.st_dev == source.st_dev && info.st_ino == source.st_ino)
        return "is the source recording itself; choose another destination";
    if (S_ISDIR(info.st_mode))
        return std::strerror(EISDIR);
    return {};
}

// The audio block's data bytes are stored with their nibbles exchanged;
// never touch bytes past the chunk.
void RestoreAudioNibbles(const Chunk& chunk) {
    const std::int64_t last =
        std::min<std::int64_t>(static_cast<std::int64_t>(kAudioSwapLast), chunk.chunkBytes - 1);
    for (std::int64_t i = kAudioSwapFirst; i <= last; ++i) {
        const std::uint8_t b = chunk.start[i];
        chunk.start[i] = static_cast<std::uint8_t>(b >> 4 | b << 4);
    }
}

} // namespace

CStreamConverter::CStreamConverter(const char* sourcePath, const char* destPath, int fallbackRate)
    : m_source(sourcePath ? sourcePath : ""), m_dest(destPath ? destPath : ""),
      m_fallbackRate(fallbackRate) {}

int CStreamConverter::SetCallback(void* context, ProgressCallback callback) {
    m_context = context;
    m_callback = callback;
    return 0;
}

int CStreamConverter::Fail(const std::string& file, const std::string& cause) {
    m_errorFile = file;
    m_errorCause = cause;
    m_error = file + ": " + cause;
    return 1;
}

bool CStreamConverter::Report(std::int64_t bytesRead, std::int64_t fileSize) {
    if (m_callback == nullptr || m_callback(m_context, bytesRead, fileSize) == 0)
        return true;
    m_cancelled = true;
    return false;
}

int CStreamConverter::Run() {
    m_stats = ConversionStats{};
    m_error.clear();
    m_errorFile.clear();
    m_errorCause.clear();
    m_cancelled = false;

    SourceFile source;
    if (std::string cause = OpenSource(m_source, source); !cause.empty())
        return Fail(m_source, cause);
    if (std::string cause = CheckDestination(m_dest, source.info); !cause.empty())
        return Fail(m_dest, cause);

    const int headerRate = DecodeHeaderRate(source.header, source.headerBytes);
    m_stats.rateFromHeader = headerRate != 0;
    m_stats.frameRate = m_stats.rateFromHeader ? headerRate : m_fallbackRate;
    m_stats.fileSize = source.size;
    if (!m_stats.rateFromHeader &&
        (m_fallbackRate < kMinFrameRate || m_fallbackRate > kMaxFrameRate))
        return Fail(m_source, "the recording gives no frame rate and the fallback rate " +
                                  std::to_string(m_fallbackRate) + " is outside " +
                                  std::to_string(kMinFrameRate) + " to " +
                                  std::to_string(kMaxFrameRate));

    TemporaryOutput temporary(m_dest);
    if (std::string cause = temporary.Create(); !cause.empty())
        return Fail(m_dest, cause);
    AviOutput output;
    if (output.Open(temporary.Path(), m_stats.frameRate) < 0)
        return Fail(m_dest, AvErrorText(output.LastError()));

    ChunkReader reader(fileno(source.file.get()), source.size);
    Chunk chunk;
    for (;;) {
        const ReadResult next = reader.Next(chunk);
        if (next == ReadResult::End)
            break;
        if (next == ReadResult::Error)
            return Fail(m_source, std::strerror(errno));

        WriteResult written;
        if (chunk.kind == KIND_AUDIO) {
            RestoreAudioNibbles(chunk);
            written = output.WriteAudio(chunk.payload, chunk.payloadBytes);
        } else {
            written =
                output.WriteVideo(chunk.payload, chunk.payloadBytes, chunk.kind == KIND_KEY_VIDEO);
        }
        if (written == WriteResult::Failed)
            return Fail(m_dest, AvErrorText(output.LastError()));
        if (written == WriteResult::Refused) {
            ++m_stats.refusedPackets;
        } else if (chunk.kind == KIND_AUDIO) {
            ++m_stats.audioPackets;
        } else {
            ++m_stats.videoPackets;
            if (chunk.kind == KIND_KEY_VIDEO)
                ++m_stats.keyVideoPackets;
        }
        // Once the whole file is read, a report would claim completion
        // before the AVI exists; the one completion report comes at the end.
        if (!reader.ReachedEnd() && !Report(reader.BytesRead(), reader.FileSize()))
            return Fail(m_source, kCancelledCause);
    }
    m_stats.damagedChunks = reader.DamagedChunks();
    m_stats.fileSize = reader.FileSize();
    source.file.reset();

    if (output.Close() < 0)
        return Fail(m_dest, AvErrorText(output.LastError()));
    if (std::string cause = temporary.Commit(); !cause.empty())
        return Fail(m_dest, cause);
    struct stat info {};
    if (stat(m_dest.c_str(), &info) == 0)
        m_stats.outputBytes = info.st_size;

    Report(reader.BytesRead(), reader.FileSize());
    return 0;
}

int RunConverter(CStreamConverter* job) {
    return job->Run();
}
