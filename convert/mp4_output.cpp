#include "convert/mp4_output.h"

#include <cerrno>

#include "convert/avi_output.h"
#include "convert/muxer.h"
#include "convert/parameter_sets.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace {

constexpr int kVideoStreamIndex = 0;
constexpr int kAudioStreamIndex = 1;

struct DictionaryDeleter {
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

} // namespace

Mp4Output::Mp4Output() = default;
Mp4Output::~Mp4Output() = default;

const Failure& Mp4Output::GetFailure() const {
    return m_failure;
}

OutputNotes Mp4Output::Notes() const {
    return {m_framesLeftOut, m_soundLeftOut, m_sound.UndecodableBlocks()};
}

WriteResult Mp4Output::SoundFailed(const std::string& cause) {
    m_failure = DestinationFailure(m_muxer->Io().Destination(), cause);
    return WriteResult::Failed;
}

Failure Mp4Output::Open(TemporaryOutput& file, int frameRate) {
    m_frameRate = frameRate;
    m_muxer = std::make_unique<Muxer>(file);
    if ((m_failure = m_muxer->Open("mp4")))
        return m_failure;
    if (const std::string cause = m_sound.Open(); !cause.empty()) {
        SoundFailed(cause);
        return m_failure;
    }
    AVStream* video = m_muxer->AddStream();
    AVStream* audio = video ? m_muxer->AddStream() : nullptr;
    if (audio == nullptr)
        return m_failure = m_muxer->Fail(AVERROR(ENOMEM));
    AVCodecParameters* par = video->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    par->width = kVideoWidth;
    par->height = kVideoHeight;
    video->time_base = AVRational{1, frameRate};
    m_sound.CopyParameters(audio->codecpar);
    audio->time_base = AVRational{1, kAudioSampleRate};

    // The index goes in front of the media data once both are written: the
    // muxer reads its data back through the same file to make room.
    m_muxer->Io().ServeReopens(m_muxer->Context());
    AVDictionary* raw = nullptr;
    if (av_dict_set(&raw, "movflags", "+faststart", 0) < 0)
        return m_failure = m_muxer->Fail(AVERROR(ENOMEM));
    std::unique_ptr<AVDictionary, DictionaryDeleter> options(raw);
    raw = options.release();
    m_failure = m_muxer->WriteHeader(&raw);
    options.reset(raw);
    return m_failure;
}

// The picture starts at a key frame with its parameter sets, which become the
// decoder configuration; the sound starts with it. False when out of memory.
bool Mp4Output::StartPicture(const std::vector<std::uint8_t>& sets) {
    AVCodecParameters* par = m_muxer->Context()->streams[kVideoStreamIndex]->codecpar;
    par->extradata =
        static_cast<std::uint8_t*>(av_mallocz(sets.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (par->extradata == nullptr)
        return false;
    std::copy(sets.begin(), sets.end(), par->extradata);
    par->extradata_size = static_cast<int>(sets.size());
    // What played before this frame, timed as the AVI would time it.
    m_soundLeftOut = m_recordingSlots.Next() * kAudioSampleRate / m_frameRate;
    m_sound.StartAt(m_soundLeftOut);
    m_pictureStarted = true;
    return true;
}

WriteResult Mp4Output::WriteVideo(const std::uint8_t* data, std::int64_t size, bool key) {
    if (!m_pictureStarted) {
        // Until then nothing can be shown: such frames are left out.
        const std::vector<std::uint8_t> sets =
            key ? ParameterSetsOf(data, size) : std::vector<std::uint8_t>{};
        if (sets.empty()) {
            ++m_framesLeftOut;
            m_recordingSlots.Written();
            return WriteResult::LeftOut;
        }
        if (!StartPicture(sets)) {
            m_failure = m_muxer->Fail(AVERROR(ENOMEM));
            return WriteResult::Failed;
        }
    }
    // A lost frame's slot stays empty: the frame before it shows longer.
    const WriteResult result =
        m_muxer->Write(kVideoStreamIndex, data, size, key, m_slots.Next(), 1, m_frameRate);
    if (result == WriteResult::Written) {
        m_slots.Written();
        m_recordingSlots.Written();
    } else if (result == WriteResult::Refused) {
        SkipVideoFrame();
    } else if (result == WriteResult::Failed) {
        m_failure = m_muxer->GetFailure();
        return result;
    }
    if (!m_sound.Take(m_ready))
        return SoundFailed(m_sound.Cause());
    const WriteResult sound = WriteSound(m_ready);
    return sound == WriteResult::Failed ? sound : result;
}

void Mp4Output::SkipVideoFrame() {
    m_recordingSlots.Lost();
    if (m_pictureStarted)
        m_slots.Lost();
}

WriteResult Mp4Output::WriteAudio(const std::uint8_t* data, std::int64_t size) {
    if (!m_sound.Submit(data, size) || !m_sound.Take(m_ready))
        return SoundFailed(m_sound.Cause());
    return WriteSound(m_ready);
}

WriteResult Mp4Output::WriteSound(std::vector<SoundEncoder::Packet>& packets) {
    AVStream* audio = m_muxer->Context()->streams[kAudioStreamIndex];
    for (SoundEncoder::Packet& packet : packets) {
        packet->stream_index = kAudioStreamIndex;
        av_packet_rescale_ts(packet.get(), AVRational{1, kAudioSampleRate}, audio->time_base);
        m_soundWritten += packet->duration;
        if (m_muxer->WriteOwned(packet.get()) == WriteResult::Failed) {
            packets.clear();
            m_failure = m_muxer->GetFailure();
            return WriteResult::Failed;
        }
    }
    packets.clear();
    return WriteResult::Written;
}

Failure Mp4Output::Close() {
    std::vector<SoundEncoder::Packet> rest;
    if (const std::string cause = m_sound.Finish(rest); !cause.empty()) {
        SoundFailed(cause);
        return m_failure;
    }
    if (WriteSound(rest) == WriteResult::Failed)
        return m_failure;
    if (!m_pictureStarted && m_soundWritten == 0) {
        m_failure = DestinationFailure(m_muxer->Io().Destination(),
                                       "holds no key frame to start the picture from and no sound "
                                       "(an AVI keeps every frame)");
        return m_failure;
    }
    if ((m_failure = m_muxer->WriteTrailer()))
        return m_failure;
    m_muxer->Finish();
    return {};
}
