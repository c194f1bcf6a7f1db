#include "convert/sound_encoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "convert/avi_output.h"
#include "convert/file_io.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace {

// The encoder may run this far behind the picture (about 2.6 s of sound);
// a caller held back goes on once half of that is done, not after every
// block, so the two threads do not take turns at each block.
constexpr std::size_t kMostQueuedBlocks = 64;
constexpr std::size_t kResumeQueuedBlocks = kMostQueuedBlocks / 2;

} // namespace

void SoundEncoder::PacketDeleter::operator()(AVPacket* packet) const {
    av_packet_free(&packet);
}

void SoundEncoder::CodecDeleter::operator()(AVCodecContext* context) const {
    avcodec_free_context(&context);
}

void SoundEncoder::FrameDeleter::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}

SoundEncoder::SoundEncoder() = default;

SoundEncoder::~SoundEncoder() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::string SoundEncoder::Fail(const std::string& what, int error) {
    return what + ": " + AvErrorText(error);
}

std::string SoundEncoder::Open() {
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_ADPCM_IMA_WAV);
    const AVCodec* encoder = avcodec_find_encoder_by_name("aac");
    if (decoder == nullptr || encoder == nullptr)
        return "this FFmpeg has no IMA ADPCM decoder or AAC encoder";
    m_decoder.reset(avcodec_alloc_context3(decoder));
    m_encoder.reset(avcodec_alloc_context3(encoder));
    m_decoded.reset(av_frame_alloc());
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_decoder || !m_encoder || !m_decoded || !m_frame || !m_packet)
        return Fail("the sound", AVERROR(ENOMEM));

    m_decoder->sample_rate = kAudioSampleRate;
    av_channel_layout_default(&m_decoder->ch_layout, 1);
    m_decoder->block_align = kAudioBlockAlign;
    m_decoder->bits_per_coded_sample = 4;
    if (const int ret = avcodec_open2(m_decoder.get(), decoder, nullptr); ret < 0)
        return Fail("the IMA ADPCM decoder", ret);

    m_encoder->sample_rate = kAudioSampleRate;
    av_channel_layout_default(&m_encoder->ch_layout, 1);
    m_encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_encoder->bit_rate = kAacBitRate;
    m_encoder->profile = FF_PROFILE_AAC_LOW;
    m_encoder->time_base = AVRational{1, kAudioSampleRate};
    // The configuration goes into the MP4's index, not in front of each frame.
    m_encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // The fast coder takes half the time of the default one, and at 8 kHz
    // the difference is not heard.
    av_opt_set(m_encoder->priv_data, "aac_coder", "fast", 0);
    if (const int ret = avcodec_open2(m_encoder.get(), encoder, nullptr); ret < 0)
        return Fail("the AAC encoder", ret);

    try {
        m_thread = std::thread(&SoundEncoder::Run, this);
    } catch (const std::system_error& e) {
        return e.code().message();
    }
    return {};
}

void SoundEncoder::CopyParameters(AVCodecParameters* parameters) const {
    avcodec_parameters_from_context(parameters, m_encoder.get());
}

void SoundEncoder::StartAt(std::int64_t samples) {
    {
        std::lock_guard lock(m_mutex);
        if (m_started)
            return;
        m_skip = samples;
        m_started = true;
    }
    m_changed.notify_all();
}

bool SoundEncoder::Submit(const std::uint8_t* block, std::int64_t size) {
    std::unique_lock lock(m_mutex);
    if (m_started && m_blocks.size() >= kMostQueuedBlocks)
        m_changed.wait(
            lock, [&] { return m_blocks.size() <= kResumeQueuedBlocks || !m_failure.empty(); });
    if (!m_failure.empty())
        return false;
    // Decoders may read a little past the end of what they are given.
    const auto bytes = static_cast<std::size_t>(std::max<std::int64_t>(size, 0));
    std::vector<std::uint8_t> copy(bytes + AV_INPUT_BUFFER_PADDING_SIZE);
    std::copy_n(block, bytes, copy.begin());
    copy.resize(bytes);
    m_blocks.push_back(std::move(copy));
    lock.unlock();
    m_changed.notify_all();
    return true;
}

bool SoundEncoder::Take(std::vector<Packet>& packets) {
    std::lock_guard lock(m_mutex);
    for (Packet& packet : m_encoded)
        packets.push_back(std::move(packet));
    m_encoded.clear();
    return m_failure.empty();
}

std::string SoundEncoder::Cause() {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

std::string SoundEncoder::Finish(std::vector<Packet>& packets) {
    std::unique_lock lock(m_mutex);
    m_started = m_ending = true;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_done; });
    for (Packet& packet : m_encoded)
        packets.push_back(std::move(packet));
    m_encoded.clear();
    return m_failure;
}

// The encoding thread: block after block as they come, then the rest.
void SoundEncoder::Run() {
    std::string failure;
    for (;;) {
        std::vector<std::uint8_t> block;
        bool room = false;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(
                lock, [&] { return m_stop || (m_started && (!m_blocks.empty() || m_ending)); });
            if (m_stop)
                return;
            if (m_blocks.empty())
                break; // ending, and nothing left
            block = std::move(m_blocks.front());
            m_blocks.pop_front();
            room = m_blocks.size() == kResumeQueuedBlocks;
        }
        if (room)
            m_changed.notify_all(); // a caller held back may go on
        if (!Decode(block) || !EncodeFrames(false)) {
            failure = m_failure;
            break;
        }
    }
    if (failure.empty() && !EncodeFrames(true))
        failure = m_failure;
    std::lock_guard lock(m_mutex);
    m_failure = failure;
    m_done = true;
    m_changed.notify_all();
}

// Adds the block's samples behind those waiting, leaving out what plays
// before the start. A block the decoder refuses is dropped and counted.
bool SoundEncoder::Decode(const std::vector<std::uint8_t>& block) {
    AVPacket* packet = m_packet.get();
    av_packet_unref(packet);
    packet->data = const_cast<std::uint8_t*>(block.data());
    packet->size = static_cast<int>(block.size());
    int ret = avcodec_send_packet(m_decoder.get(), packet);
    packet->data = nullptr;
    packet->size = 0;
    if (ret == AVERROR_INVALIDDATA) {
        ++m_undecodable;
        return true;
    }
    while (ret >= 0) {
        ret = avcodec_receive_frame(m_decoder.get(), m_decoded.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        if (ret == AVERROR_INVALIDDATA) {
            ++m_undecodable;
            return true;
        }
        if (ret < 0)
            break;
        const auto* samples = reinterpret_cast<const std::int16_t*>(m_decoded->data[0]);
        const std::int64_t count = m_decoded->nb_samples;
        const std::int64_t skipped = std::min(m_skip, count);
        m_skip -= skipped;
        for (std::int64_t i = skipped; i < count; ++i)
            m_pcm.push_back(static_cast<float>(samples[i]) / 32768.0f);
        av_frame_unref(m_decoded.get());
    }
    std::lock_guard lock(m_mutex);
    m_failure = Fail("the IMA ADPCM decoder", ret);
    return false;
}

// Encodes every whole frame of samples waiting; with `last`, the rest as a
// shorter frame and then the encoder's tail.
bool SoundEncoder::EncodeFrames(bool last) {
    const std::size_t frameSize = static_cast<std::size_t>(m_encoder->frame_size);
    std::size_t used = 0;
    while (m_pcm.size() - used >= frameSize || (last && used < m_pcm.size())) {
        const std::size_t count = std::min(frameSize, m_pcm.size() - used);
        AVFrame* frame = m_frame.get();
        frame->nb_samples = static_cast<int>(count);
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = kAudioSampleRate;
        av_channel_layout_default(&frame->ch_layout, 1);
        int ret = av_frame_get_buffer(frame, 0);
        if (ret >= 0) {
            std::memcpy(frame->data[0], m_pcm.data() + used, count * sizeof(float));
            frame->pts = m_nextPts;
            m_nextPts += static_cast<std::int64_t>(count);
            used += count;
            ret = avcodec_send_frame(m_encoder.get(), frame);
        }
        av_frame_unref(frame);
        if (ret < 0) {
            std::lock_guard lock(m_mutex);
            m_failure = Fail("the AAC encoder", ret);
            return false;
        }
        if (!Receive())
            return false;
    }
    m_pcm.erase(m_pcm.begin(), m_pcm.begin() + static_cast<std::ptrdiff_t>(used));
    if (!last)
        return true;
    if (const int ret = avcodec_send_frame(m_encoder.get(), nullptr); ret < 0) {
        std::lock_guard lock(m_mutex);
        m_failure = Fail("the AAC encoder", ret);
        return false;
    }
    return Receive();
}

// Moves every packet the encoder has ready to the ones waiting to be taken.
bool SoundEncoder::Receive() {
    for (;;) {
        Packet packet(av_packet_alloc());
        const int ret =
            packet ? avcodec_receive_packet(m_encoder.get(), packet.get()) : AVERROR(ENOMEM);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        std::lock_guard lock(m_mutex);
        if (ret < 0) {
            m_failure = Fail("the AAC encoder", ret);
            return false;
        }
        m_encoded.push_back(std::move(packet));
    }
}
