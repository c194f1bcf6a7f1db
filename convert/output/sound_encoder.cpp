#include "convert/output/sound_encoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "convert/output/muxer_io.h"
#include "convert/output/stream_parameters.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace {

// The encoder may run this far behind the picture (about 2.6 s of sound);
// a caller held back goes on once half of that is done, not after every
// block, so the two threads do not take turns at each block.
constexpr std::int64_t kMostQueuedBlocks = 64;
constexpr std::int64_t kResumeQueuedBlocks = kMostQueuedBlocks / 2;
// The encoder waits while this many packets wait to be taken (about 33 s of
// sound), so its output stays bounded however far behind the writing is.
constexpr std::size_t kMostEncodedPackets = 256;

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
SoundEncoder::~SoundEncoder() = default;

Failure SoundEncoder::Fail(const std::string& what, int error) const {
    if (error == AVERROR(ENOMEM))
        return OutOfMemory();
    return DestinationFailure(m_file, what + ": " + AvErrorText(error));
}

// Out of memory where it happens, on whichever thread: a failure made
// without allocating (no words), which Said puts in words for the caller.
Failure SoundEncoder::OutOfMemory() {
    return {FailureKind::Destination, {}, {}};
}

Failure SoundEncoder::Said(const Failure& failure) const {
    if (failure && failure.cause.empty())
        return DestinationFailure(m_file, kOutOfMemoryCause);
    return failure;
}

Failure SoundEncoder::Open(const std::string& file) {
    m_file = file;
    m_blocks.Open(file, AV_INPUT_BUFFER_PADDING_SIZE);
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_ADPCM_IMA_WAV);
    const AVCodec* encoder = avcodec_find_encoder_by_name("aac");
    if (decoder == nullptr || encoder == nullptr)
        return DestinationFailure(m_file, "this FFmpeg has no IMA ADPCM decoder or AAC encoder");
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

    // Without a thread the caller encodes, in Take and Finish.
    m_worker.Start([this](std::stop_token stop) { Run(stop); });
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

Failure SoundEncoder::Submit(const std::uint8_t* block, std::int64_t size) {
    // Decoders may read a little past the end of what they are given.
    const auto bytes = static_cast<std::size_t>(std::max<std::int64_t>(size, 0));
    std::vector<std::uint8_t> copy(bytes + AV_INPUT_BUFFER_PADDING_SIZE);
    std::copy_n(block, bytes, copy.begin());
    copy.resize(bytes);
    std::unique_lock lock(m_mutex);
    if (m_worker.Running() && m_started && m_blocks.Size() >= kMostQueuedBlocks)
        m_changed.wait(lock, [&] {
            return m_blocks.Size() <= kResumeQueuedBlocks || m_failure ||
                   m_encoded.size() >= kMostEncodedPackets; // for us to take first
        });
    if (m_failure)
        return Said(m_failure);
    if (Failure failure = m_blocks.Push(std::move(copy)))
        return m_failure = failure;
    ++m_submitted;
    lock.unlock();
    m_changed.notify_all();
    return {};
}

// Under m_mutex: moves the packets encoded from the first `blocks` blocks.
void SoundEncoder::GiveUpTo(std::int64_t blocks, std::vector<Packet>& packets) {
    while (!m_encoded.empty() && m_encoded.front().blocks <= blocks) {
        packets.push_back(std::move(m_encoded.front().packet));
        m_encoded.pop_front();
    }
}

// With `lock` held and the thread running: waits until `finished`, taking
// the packets of the first `blocks` blocks as they come, so the encoder
// never waits for room meanwhile.
void SoundEncoder::TakeUntil(std::unique_lock<std::mutex>& lock, std::int64_t blocks,
                             std::vector<Packet>& packets, const std::function<bool()>& finished) {
    const auto ready = [&] { return finished() || m_encoded.size() >= kMostEncodedPackets; };
    for (m_changed.wait(lock, ready); !finished(); m_changed.wait(lock, ready)) {
        GiveUpTo(blocks, packets);
        m_changed.notify_all();
    }
}

Failure SoundEncoder::Take(std::int64_t blocks, std::vector<Packet>& packets) {
    std::unique_lock lock(m_mutex);
    blocks = std::min(blocks, m_submitted);
    if (m_started && m_worker.Running()) {
        TakeUntil(lock, blocks, packets,
                  [&] { return m_encodedBlocks >= blocks || m_failure || m_done; });
    } else {
        while (m_started && !m_failure && m_encodedBlocks < blocks)
            m_failure = EncodeNext(lock);
    }
    GiveUpTo(blocks, packets);
    m_changed.notify_all(); // room for the encoder
    return Said(m_failure);
}

Failure SoundEncoder::Finish(std::vector<Packet>& packets) {
    std::unique_lock lock(m_mutex);
    m_started = m_ending = true;
    if (m_worker.Running()) {
        m_changed.notify_all();
        TakeUntil(lock, m_submitted, packets, [&] { return m_done; });
    } else {
        while (!m_failure && !m_blocks.Empty())
            m_failure = EncodeNext(lock);
        if (!m_failure)
            m_failure = EncodeTail(lock);
        m_done = true;
    }
    GiveUpTo(m_submitted, packets);
    return Said(m_failure);
}

// With `lock` held on entry and return: encodes the first block waiting,
// without the lock meanwhile.
Failure SoundEncoder::EncodeNext(std::unique_lock<std::mutex>& lock) {
    BlockQueue::Block block;
    bool taken = false;
    try {
        if (Failure failure = m_blocks.Pop(block, &taken))
            return failure;
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
    if (!taken)
        return {};
    const std::int64_t blocks = m_encodedBlocks + 1;
    const bool room = m_blocks.Size() == kResumeQueuedBlocks;
    lock.unlock();
    if (room)
        m_changed.notify_all(); // a caller held back may go on
    Failure failure = Encode(block, blocks);
    lock.lock();
    m_encodedBlocks = blocks;
    return failure;
}

// A block's samples, and the frames they complete. Out of memory here is
// a failure like any other, on whichever thread it happens.
Failure SoundEncoder::Encode(const std::vector<std::uint8_t>& block, std::int64_t blocks) {
    try {
        if (Failure failure = Decode(block))
            return failure;
        return EncodeFrames(false, blocks);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

// With `lock` held on entry and return: the samples left and the encoder's
// tail, without the lock meanwhile.
Failure SoundEncoder::EncodeTail(std::unique_lock<std::mutex>& lock) {
    const std::int64_t blocks = m_submitted;
    lock.unlock();
    Failure failure;
    try {
        failure = EncodeFrames(true, blocks);
    } catch (const std::bad_alloc&) {
        failure = OutOfMemory();
    }
    lock.lock();
    return failure;
}

// Under m_mutex: whether the encoding thread has work and room for it.
bool SoundEncoder::MayEncode() const {
    return m_started && (!m_blocks.Empty() || m_ending) && m_encoded.size() < kMostEncodedPackets;
}

// The encoding thread: block after block as they come, then the rest. A
// stop (the job's end, or its owner's) ends it between two blocks.
void SoundEncoder::Run(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_changed.wait(lock, stop, [&] { return MayEncode(); }) || stop.stop_requested())
            return;
        if (m_blocks.Empty())
            break; // ending, and nothing left
        m_failure = EncodeNext(lock);
        m_changed.notify_all();
        if (m_failure)
            break;
    }
    if (!m_failure)
        m_failure = EncodeTail(lock);
    m_done = true;
    m_changed.notify_all();
}

// Adds the block's samples behind those waiting, leaving out what plays
// before the start. A block the decoder refuses is dropped and counted.
Failure SoundEncoder::Decode(const std::vector<std::uint8_t>& block) {
    AVPacket* packet = m_packet.get();
    av_packet_unref(packet);
    packet->data = const_cast<std::uint8_t*>(block.data());
    packet->size = static_cast<int>(block.size());
    int ret = avcodec_send_packet(m_decoder.get(), packet);
    packet->data = nullptr;
    packet->size = 0;
    if (ret == AVERROR_INVALIDDATA) {
        ++m_undecodable;
        return {};
    }
    while (ret >= 0) {
        ret = avcodec_receive_frame(m_decoder.get(), m_decoded.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return {};
        if (ret == AVERROR_INVALIDDATA) {
            ++m_undecodable;
            return {};
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
    return Fail("the IMA ADPCM decoder", ret);
}

// Encodes every whole frame of samples waiting; with `last`, the rest as a
// shorter frame and then the encoder's tail. The packets are those of the
// first `blocks` blocks.
Failure SoundEncoder::EncodeFrames(bool last, std::int64_t blocks) {
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
        if (ret < 0)
            return Fail("the AAC encoder", ret);
        if (Failure failure = Receive(blocks))
            return failure;
    }
    m_pcm.erase(m_pcm.begin(), m_pcm.begin() + static_cast<std::ptrdiff_t>(used));
    if (!last)
        return {};
    if (const int ret = avcodec_send_frame(m_encoder.get(), nullptr); ret < 0)
        return Fail("the AAC encoder", ret);
    return Receive(blocks);
}

// Moves every packet the encoder has ready to the ones waiting to be taken.
Failure SoundEncoder::Receive(std::int64_t blocks) {
    for (;;) {
        Packet packet(av_packet_alloc());
        const int ret =
            packet ? avcodec_receive_packet(m_encoder.get(), packet.get()) : AVERROR(ENOMEM);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return {};
        if (ret < 0)
            return Fail("the AAC encoder", ret);
        std::lock_guard lock(m_mutex);
        m_encoded.push_back({blocks, std::move(packet)});
    }
}
