#include "convert/output/muxer.h"

#include "convert/output/stream_parameters.h"

#include <cerrno>
#include <climits>

extern "C" {
#include <libavformat/avformat.h>
}

void Muxer::ContextDeleter::operator()(AVFormatContext* context) const {
    avformat_free_context(context);
}

void Muxer::PacketDeleter::operator()(AVPacket* packet) const {
    av_packet_free(&packet);
}

Muxer::Muxer(TemporaryOutput& file) : m_io(file) {}
Muxer::~Muxer() = default;

Failure Muxer::Fail(int error) const {
    return m_io.FailureFor(error);
}

Failure Muxer::Open(const char* format) {
    AVFormatContext* raw = nullptr;
    const int ret = avformat_alloc_output_context2(&raw, nullptr, format, nullptr);
    if (ret < 0)
        return Fail(ret);
    m_context.reset(raw);
    m_packet.reset(av_packet_alloc());
    if (m_io.Writer() == nullptr || !m_packet)
        return Fail(AVERROR(ENOMEM));
    m_context->pb = m_io.Writer();
    m_context->flags |= AVFMT_FLAG_CUSTOM_IO;
    // By default the muxer empties its buffer after every packet: one system
    // call per chunk. The file is of use only once complete, so the buffer
    // is written only when full.
    m_context->flush_packets = 0;
    return {};
}

AVStream* Muxer::AddStreams(int frameRate, const PictureFormat& picture) {
    AVStream* video = avformat_new_stream(m_context.get(), nullptr);
    AVStream* audio = video ? avformat_new_stream(m_context.get(), nullptr) : nullptr;
    if (audio == nullptr)
        return nullptr;
    video->id = audio->id = 0;
    SetVideoParameters(video, frameRate, picture);
    return audio;
}

Failure Muxer::WriteHeader(AVDictionary** options) {
    const int ret = avformat_write_header(m_context.get(), options);
    return ret < 0 ? Fail(ret) : Failure{};
}

Expected<WriteResult> Muxer::Outcome(int ret) const {
    if (ret >= 0)
        return WriteResult::Written;
    if (ret == AVERROR_INVALIDDATA && m_context->pb->error == 0)
        return WriteResult::Refused;
    return Fail(ret);
}

Expected<WriteResult> Muxer::Write(int stream, const std::uint8_t* data, std::int64_t size,
                                   bool key, std::int64_t pts, std::int64_t duration,
                                   int timeBaseDen) {
    if (size < 0 || size > INT_MAX)
        return WriteResult::Refused;
    AVPacket* packet = m_packet.get();
    av_packet_unref(packet);
    packet->data = const_cast<std::uint8_t*>(data);
    packet->size = static_cast<int>(size);
    packet->stream_index = stream;
    packet->flags = key ? AV_PKT_FLAG_KEY : 0;
    packet->pts = pts;
    packet->dts = pts;
    packet->duration = duration;
    av_packet_rescale_ts(packet, AVRational{1, timeBaseDen}, m_context->streams[stream]->time_base);
    const int ret = av_write_frame(m_context.get(), packet);
    packet->data = nullptr;
    packet->size = 0;
    return Outcome(ret);
}

Expected<WriteResult> Muxer::WriteOwned(AVPacket* packet) {
    const int ret = av_write_frame(m_context.get(), packet);
    av_packet_unref(packet);
    return Outcome(ret);
}

Failure Muxer::WriteTrailer() {
    int ret = av_write_trailer(m_context.get());
    // A write the trailer's last flush could not make is left in the
    // context's error alone.
    if (ret >= 0 && m_context->pb != nullptr && m_context->pb->error < 0)
        ret = m_context->pb->error;
    return ret < 0 ? Fail(ret) : Failure{};
}

void Muxer::Finish() {
    m_context.reset();
}
