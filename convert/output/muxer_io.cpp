#include "convert/output/muxer_io.h"

#include <algorithm>
#include <cerrno>

#include "convert/library_log.h"
#include "convert/platform/files.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

namespace {

// Large enough that a write to the system carries several frames.
constexpr int kIoBufferBytes = 256 * 1024;

} // namespace

std::string AvErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(error, text, sizeof text) < 0)
        return "unknown error " + std::to_string(error);
    return text;
}

void MuxerIo::IoDeleter::operator()(AVIOContext* io) const {
    av_freep(&io->buffer);
    avio_context_free(&io);
}

MuxerIo::MuxerIo(TemporaryOutput& file)
    : m_cursor{&file, 0, 0, {}, &m_keepGoing}, m_reopened{&file, 0, 0, {}, &m_keepGoing} {
    m_writer = OpenIo(m_cursor, true);
}

void MuxerIo::HearStops(std::function<bool()> keepGoing) {
    m_keepGoing = std::move(keepGoing);
}

// Whether the job was told to stop, which the cursor then records.
bool MuxerIo::Stopped(Cursor& cursor) {
    if (cursor.failure.kind == FailureKind::Cancelled)
        return true;
    if (!*cursor.keepGoing || (*cursor.keepGoing)())
        return false;
    cursor.failure = {FailureKind::Cancelled, {}, kCancelledCause};
    return true;
}

MuxerIo::Io MuxerIo::OpenIo(Cursor& cursor, bool write) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr)
        return nullptr;
    Io io(avio_alloc_context(buffer, kIoBufferBytes, write ? 1 : 0, &cursor,
                             write ? nullptr : ReadPacket, write ? WritePacket : nullptr, Seek));
    if (!io)
        av_free(buffer);
    return io;
}

MuxerIo::Io MuxerIo::OpenReader(Cursor& cursor) const {
    cursor = Cursor{m_cursor.file, 0, m_cursor.end, {}, &m_keepGoing};
    return OpenIo(cursor, false);
}

int MuxerIo::WritePacket(void* opaque, std::uint8_t* data, int size) {
    auto* cursor = static_cast<Cursor*>(opaque);
    if (Stopped(*cursor))
        return AVERROR_EXIT;
    if (Failure failure = cursor->file->WriteAt(data, size, cursor->position)) {
        cursor->failure = std::move(failure);
        return AVERROR(EIO);
    }
    cursor->position += size;
    cursor->end = std::max(cursor->end, cursor->position);
    return size;
}

int MuxerIo::ReadPacket(void* opaque, std::uint8_t* data, int size) {
    auto* cursor = static_cast<Cursor*>(opaque);
    if (Stopped(*cursor))
        return AVERROR_EXIT;
    Expected<std::int64_t> got = cursor->file->ReadAt(data, size, cursor->position);
    if (!got) {
        cursor->failure = got.TakeFailure();
        return AVERROR(EIO);
    }
    if (*got == 0)
        return AVERROR_EOF;
    cursor->position += *got;
    return static_cast<int>(*got);
}

// avio_seek turns every seek into one from the start before it gets here.
std::int64_t MuxerIo::Seek(void* opaque, std::int64_t offset, int whence) {
    auto* cursor = static_cast<Cursor*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return cursor->end;
    if (whence != SEEK_SET || offset < 0)
        return AVERROR(EINVAL);
    return cursor->position = offset;
}

void MuxerIo::ServeReopens(AVFormatContext* context) {
    context->opaque = this;
    context->io_open = Reopen;
    context->io_close2 = CloseReopened;
}

int MuxerIo::Reopen(AVFormatContext* context, AVIOContext** io, const char*, int flags,
                    AVDictionary**) {
    const auto* self = static_cast<const MuxerIo*>(context->opaque);
    if ((flags & AVIO_FLAG_WRITE) != 0)
        return AVERROR(EINVAL); // only the one file, written through Writer()
    Io reader = self->OpenReader(self->m_reopened);
    if (!reader)
        return AVERROR(ENOMEM);
    *io = reader.release();
    return 0;
}

int MuxerIo::CloseReopened(AVFormatContext*, AVIOContext* io) {
    IoDeleter{}(io);
    return 0;
}

Failure MuxerIo::LastFailure() const {
    return m_cursor.failure ? m_cursor.failure : m_reopened.failure;
}

Failure MuxerIo::FailureFor(int error) const {
    if (Failure failure = LastFailure())
        return failure;
    if (error == AVERROR(ENOMEM))
        return DestinationFailure(Destination(), kOutOfMemoryCause);
    // What the library said of the failure in its log explains the code.
    std::string cause = AvErrorText(error);
    if (const std::string said = LastLibraryError(); !said.empty())
        cause += " (" + said + ")";
    return DestinationFailure(Destination(), cause);
}

const std::string& MuxerIo::Destination() const {
    return m_cursor.file->Destination();
}
