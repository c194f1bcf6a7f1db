#include "convert/avi_output.h"

#include "convert/file_layer.h"
#include "convert/library_log.h"

#include <algorithm>
#include <cerrno>
#include <climits>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/mathematics.h>
}

namespace {

constexpr int kVideoStreamIndex = 0;
constexpr int kAudioStreamIndex = 1;
// Large enough that a write to the system carries several frames.
constexpr int kIoBufferBytes = 256 * 1024;

void SetVideoParameters(AVStream* stream, int frameRate) {
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    par->width = kVideoWidth;
    par->height = kVideoHeight;
    stream->time_base = AVRational{1, frameRate};
}

// Beyond the basic fields, the audio declares 4-bit samples and 321 samples
// a block: without them the muxer writes wSamplesPerBlock = 0 and times a
// block as 41 ms instead of 40.125 ms, so the sound drifts from the video.
void SetAudioParameters(AVStream* stream) {
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = AV_CODEC_ID_ADPCM_IMA_WAV;
    par->bit_rate = kAudioBitRate;
    par->sample_rate = kAudioSampleRate;
    av_channel_layout_default(&par->ch_layout, 1);
    par->block_align = kAudioBlockAlign;
    par->bits_per_coded_sample = 4;
    par->frame_size = kAudioSamplesPerBlock;
    stream->time_base = AVRational{1, kAudioSampleRate};
}

constexpr std::uint32_t Tag(const char (&id)[5]) {
    return MKTAG(id[0], id[1], id[2], id[3]);
}

// Where the audio stream header's dwSampleSize lies among the chunks in
// [pos, end), looking into the header lists only; -1 when it is not there.
std::int64_t FindAudioSampleSize(AVIOContext* in, std::int64_t pos, std::int64_t end) {
    constexpr std::int64_t kSampleSizeInStrh = 44; // after fccType .. dwQuality
    while (pos + 8 <= end && avio_seek(in, pos, SEEK_SET) == pos) {
        const std::uint32_t id = avio_rl32(in);
        const std::int64_t size = avio_rl32(in);
        const std::int64_t data = pos + 8;
        if (in->error != 0 || avio_feof(in))
            return -1;
        if (id == Tag("LIST") && size >= 4) {
            const std::uint32_t type = avio_rl32(in);
            if (type == Tag("hdrl") || type == Tag("strl")) {
                const std::int64_t found = FindAudioSampleSize(in, data + 4, data + size);
                if (found >= 0)
                    return found;
            }
        } else if (id == Tag("strh") && size >= kSampleSizeInStrh + 4 &&
                   avio_rl32(in) == Tag("auds")) {
            return data + kSampleSizeInStrh;
        }
        pos = data + size + (size & 1); // chunks are padded to even sizes
    }
    return -1;
}

// The library's text for an error code ("Invalid argument", ...), and what
// it said of the failure in its log.
std::string LibraryCause(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    std::string cause = av_strerror(error, text, sizeof text) < 0
                            ? "unknown error " + std::to_string(error)
                            : std::string(text);
    if (const std::string said = LastLibraryError(); !said.empty())
        cause += " (" + said + ")";
    return cause;
}

} // namespace

void AviOutput::ContextDeleter::operator()(AVFormatContext* context) const {
    avformat_free_context(context);
}

void AviOutput::IoDeleter::operator()(AVIOContext* io) const {
    av_freep(&io->buffer);
    avio_context_free(&io);
}

void AviOutput::PacketDeleter::operator()(AVPacket* packet) const {
    av_packet_free(&packet);
}

// libavformat reads and writes through the job's own file rather than
// opening it by name: the file may have no name, and stays the file layer's
// to delete should the process die.
AviOutput::Io AviOutput::OpenIo(FileCursor& cursor, bool write) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr)
        return nullptr;
    Io io(avio_alloc_context(buffer, kIoBufferBytes, write ? 1 : 0, &cursor,
                             write ? nullptr : ReadPacket, write ? WritePacket : nullptr, Seek));
    if (!io)
        av_free(buffer);
    return io;
}

int AviOutput::WritePacket(void* opaque, std::uint8_t* data, int size) {
    auto* cursor = static_cast<FileCursor*>(opaque);
    if (cursor->file->WriteAt(data, size, cursor->position, &cursor->failure) < 0)
        return AVERROR(EIO);
    cursor->position += size;
    cursor->end = std::max(cursor->end, cursor->position);
    return size;
}

int AviOutput::ReadPacket(void* opaque, std::uint8_t* data, int size) {
    auto* cursor = static_cast<FileCursor*>(opaque);
    const std::int64_t got = cursor->file->ReadAt(data, size, cursor->position, &cursor->failure);
    if (got < 0)
        return AVERROR(EIO);
    if (got == 0)
        return AVERROR_EOF;
    cursor->position += got;
    return static_cast<int>(got);
}

// avio_seek turns every seek into one from the start before it gets here.
std::int64_t AviOutput::Seek(void* opaque, std::int64_t offset, int whence) {
    auto* cursor = static_cast<FileCursor*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return cursor->end;
    if (whence != SEEK_SET || offset < 0)
        return AVERROR(EINVAL);
    return cursor->position = offset;
}

Failure AviOutput::Fail(int error) {
    if (m_writer.failure)
        m_failure = m_writer.failure;
    else
        m_failure = DestinationFailure(m_writer.file->Destination(), LibraryCause(error));
    return m_failure;
}

AviOutput::AviOutput() = default;
AviOutput::~AviOutput() = default;

Failure AviOutput::Open(TemporaryOutput& file, int frameRate) {
    m_frameRate = frameRate;
    m_writer = FileCursor{&file, 0, 0, {}};
    const AVOutputFormat* format = av_guess_format("avi", nullptr, nullptr);
    if (format == nullptr)
        return Fail(AVERROR_MUXER_NOT_FOUND);

    AVFormatContext* raw = nullptr;
    int ret = avformat_alloc_output_context2(&raw, format, nullptr, nullptr);
    if (ret < 0)
        return Fail(ret);
    m_context.reset(raw);
    m_io = OpenIo(m_writer, true);
    if (!m_io)
        return Fail(AVERROR(ENOMEM));
    m_context->pb = m_io.get();
    m_context->flags |= AVFMT_FLAG_CUSTOM_IO;
    // By default the muxer empties the buffer after every packet: one system
    // call per chunk. The file is of use only once complete, so the buffer
    // is written only when full.
    m_context->flush_packets = 0;

    AVStream* video = avformat_new_stream(m_context.get(), nullptr);
    AVStream* audio = video ? avformat_new_stream(m_context.get(), nullptr) : nullptr;
    if (audio == nullptr)
        return Fail(AVERROR(ENOMEM));
    video->id = 0;
    audio->id = 0;
    SetVideoParameters(video, frameRate);
    SetAudioParameters(audio);

    m_packet.reset(av_packet_alloc());
    if (!m_packet)
        return Fail(AVERROR(ENOMEM));

    ret = avformat_write_header(m_context.get(), nullptr);
    if (ret < 0)
        return Fail(ret);
    return {};
}

WriteResult AviOutput::Write(int streamIndex, const std::uint8_t* data, std::int64_t size, bool key,
                             std::int64_t pts, std::int64_t duration, int timeBaseDen) {
    if (size < 0 || size > INT_MAX)
        return WriteResult::Refused;
    AVPacket* packet = m_packet.get();
    av_packet_unref(packet);
    // The packet borrows the chunk's bytes for the length of the call.
    packet->data = const_cast<std::uint8_t*>(data);
    packet->size = static_cast<int>(size);
    packet->stream_index = streamIndex;
    packet->flags = key ? AV_PKT_FLAG_KEY : 0;
    packet->pts = pts;
    packet->dts = pts;
    packet->duration = duration;
    av_packet_rescale_ts(packet, AVRational{1, timeBaseDen},
                         m_context->streams[streamIndex]->time_base);

    const int ret = av_write_frame(m_context.get(), packet);
    packet->data = nullptr;
    packet->size = 0;
    if (ret >= 0)
        return WriteResult::Written;
    if (ret == AVERROR_INVALIDDATA && m_context->pb->error == 0)
        return WriteResult::Refused;
    Fail(ret);
    return WriteResult::Failed;
}

WriteResult AviOutput::WriteVideo(const std::uint8_t* data, std::int64_t size, bool key) {
    // The empty frames are the ones the muxer itself writes into a gap, byte
    // for byte; written here, a gap of any length keeps its slots, where the
    // muxer refuses one of more than 60,000 and with it every later frame.
    while (m_slots.Gap() > 0) {
        const WriteResult filled =
            Write(kVideoStreamIndex, nullptr, 0, false, m_slots.InFile(), 1, m_frameRate);
        if (filled != WriteResult::Written)
            return filled;
        m_slots.Filled();
    }
    const WriteResult result =
        Write(kVideoStreamIndex, data, size, key, m_slots.Next(), 1, m_frameRate);
    if (result == WriteResult::Written)
        m_slots.Written();
    else if (result == WriteResult::Refused)
        m_slots.Lost();
    return result;
}

void AviOutput::SkipVideoFrame() {
    m_slots.Lost();
}

WriteResult AviOutput::WriteAudio(const std::uint8_t* data, std::int64_t size) {
    const WriteResult result =
        Write(kAudioStreamIndex, data, size, true, m_audioIndex * kAudioSamplesPerBlock,
              kAudioSamplesPerBlock, kAudioSampleRate);
    if (result == WriteResult::Written)
        ++m_audioIndex;
    return result;
}

// libavformat declares the audio's block size as its fixed sample size
// (dwSampleSize = 164) and has no option against it. Players built on
// GStreamer then time the sound by bytes, with a byte rate that assumes 160
// samples a block, and play it at half its length. A sample size of 0 makes
// every player time each chunk as one block of dwScale/dwRate (321/8000) s.
// So the finished header is mended in place, found by walking its chunks.
int AviOutput::ClearAudioSampleSize() {
    AVIOContext* pb = m_context->pb;
    avio_flush(pb);
    if (pb->error < 0)
        return pb->error;
    FileCursor reader{m_writer.file, 0, m_writer.end, {}};
    const Io in = OpenIo(reader, false);
    if (!in)
        return AVERROR(ENOMEM);
    std::int64_t at = -1;
    if (avio_rl32(in.get()) == Tag("RIFF")) {
        const std::int64_t riffBytes = avio_rl32(in.get());
        if (avio_rl32(in.get()) == Tag("AVI "))
            at = FindAudioSampleSize(in.get(), 12, 8 + riffBytes);
    }
    if (reader.failure) {
        m_writer.failure = reader.failure;
        return AVERROR(EIO);
    }
    if (at < 0)
        return AVERROR_INVALIDDATA;
    const std::int64_t end = avio_tell(pb);
    if (avio_seek(pb, at, SEEK_SET) != at)
        return pb->error < 0 ? pb->error : AVERROR(EIO);
    avio_wl32(pb, 0);
    avio_seek(pb, end, SEEK_SET);
    avio_flush(pb);
    return pb->error;
}

// The file itself is closed by its owner, which also hears of any error the
// system reports only then.
Failure AviOutput::Close() {
    int ret = av_write_trailer(m_context.get());
    if (ret >= 0)
        ret = ClearAudioSampleSize();
    if (ret < 0)
        return Fail(ret);
    m_context.reset();
    m_io.reset();
    return {};
}
