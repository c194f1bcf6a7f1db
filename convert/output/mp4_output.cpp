#include "convert/output/mp4_output.h"

#include <cerrno>
#include <optional>

#include "convert/output/muxer.h"
#include "convert/output/parameter_sets.h"
#include "convert/output/stream_parameters.h"
#include "convert/picture_format.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace {

constexpr int kVideoStreamIndex = 0;
constexpr int kAudioStreamIndex = 1;
// The sound goes into the file this many blocks behind what was submitted,
// taken in steps of as many: the encoder keeps a little work in hand, and
// where it runs on a thread of its own, the two do not take turns at each
// block.
constexpr std::int64_t kSoundLagBlocks = 32;

struct DictionaryDeleter {
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

} // namespace

Mp4Output::Mp4Output() = default;
Mp4Output::~Mp4Output() = default;

OutputNotes Mp4Output::Notes() const {
    return {m_framesLeftOut, m_soundLeftOut, m_sound.UndecodableBlocks()};
}

Failure Mp4Output::Open(TemporaryOutput& file, int frameRate, const PictureFormat& picture) {
    m_frameRate = frameRate;
    m_muxer = std::make_unique<Muxer>(file);
    if (Failure failure = m_muxer->Open("mp4"))
        return failure;
    if (Failure failure = m_sound.Open(m_muxer->Io().Destination()))
        return failure;
    AVStream* audio = m_muxer->AddStreams(frameRate, picture);
    if (audio == nullptr)
        return m_muxer->Fail(AVERROR(ENOMEM));
    m_sound.CopyParameters(audio->codecpar);
    audio->time_base = AVRational{1, kAudioSampleRate};

    // The index goes in front of the media data once both are written: the
    // muxer reads its data back through the same file to make room.
    m_muxer->Io().ServeReopens(m_muxer->Context());
    AVDictionary* raw = nullptr;
    if (av_dict_set(&raw, "movflags", "+faststart", 0) < 0)
        return m_muxer->Fail(AVERROR(ENOMEM));
    std::unique_ptr<AVDictionary, DictionaryDeleter> options(raw);
    raw = options.release();
    Failure failure = m_muxer->WriteHeader(&raw);
    options.reset(raw);
    return failure;
}

// The picture starts at a key frame whose parameter sets decode: they become
// the decoder configuration, and the track declares its picture. The sound
// starts with it. False when out of memory.
bool Mp4Output::StartPicture(const std::vector<std::uint8_t>& sets, const PictureFormat& picture) {
    AVStream* video = m_muxer->Context()->streams[kVideoStreamIndex];
    SetPictureParameters(video, picture);
    AVCodecParameters* par = video->codecpar;
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

Expected<WriteResult> Mp4Output::WriteVideo(const std::uint8_t* data, std::int64_t size, bool key) {
    if (!m_pictureStarted) {
        // Until then nothing can be shown: such frames are left out, and a
        // key frame whose parameter sets do not decode is damage.
        const std::vector<std::uint8_t> sets =
            key ? ParameterSetsOf(data, size) : std::vector<std::uint8_t>{};
        const std::optional<PictureFormat> picture =
            sets.empty() ? std::nullopt : ReadPictureFormat(data, size);
        if (!picture) {
            m_recordingSlots.Written();
            if (!sets.empty())
                return WriteResult::Damaged;
            ++m_framesLeftOut;
            return WriteResult::LeftOut;
        }
        if (!StartPicture(sets, *picture))
            return m_muxer->Fail(AVERROR(ENOMEM));
    }
    // A lost frame's slot stays empty: the frame before it shows longer.
    Expected<WriteResult> result =
        m_muxer->Write(kVideoStreamIndex, data, size, key, m_slots.Next(), 1, m_frameRate);
    if (!result)
        return result;
    if (*result == WriteResult::Written) {
        m_slots.Written();
        m_recordingSlots.Written();
    } else if (*result == WriteResult::Refused) {
        SkipVideoFrame();
    }
    if (Failure failure = TakeSound())
        return failure;
    return result;
}

void Mp4Output::SkipVideoFrame() {
    m_recordingSlots.Lost();
    if (m_pictureStarted)
        m_slots.Lost();
}

Expected<WriteResult> Mp4Output::WriteAudio(const std::uint8_t* data, std::int64_t size) {
    if (Failure failure = m_sound.Submit(data, size))
        return failure;
    ++m_blocksSubmitted;
    if (Failure failure = TakeSound())
        return failure;
    return WriteResult::Written;
}

// Writes the sound encoded so far, up to a point set by the blocks
// submitted alone, so the file is the same however fast the encoder ran.
Failure Mp4Output::TakeSound() {
    const std::int64_t upTo =
        (m_blocksSubmitted - kSoundLagBlocks) / kSoundLagBlocks * kSoundLagBlocks;
    if (upTo <= 0)
        return {};
    if (Failure failure = m_sound.Take(upTo, m_ready))
        return failure;
    return WriteSound(m_ready);
}

Failure Mp4Output::WriteSound(std::vector<SoundEncoder::Packet>& packets) {
    AVStream* audio = m_muxer->Context()->streams[kAudioStreamIndex];
    for (SoundEncoder::Packet& packet : packets) {
        packet->stream_index = kAudioStreamIndex;
        av_packet_rescale_ts(packet.get(), AVRational{1, kAudioSampleRate}, audio->time_base);
        m_soundWritten += packet->duration;
        if (Expected<WriteResult> written = m_muxer->WriteOwned(packet.get()); !written) {
            packets.clear();
            return written.TakeFailure();
        }
    }
    packets.clear();
    return {};
}

Failure Mp4Output::Close() {
    std::vector<SoundEncoder::Packet> rest;
    if (Failure failure = m_sound.Finish(rest))
        return failure;
    if (Failure failure = WriteSound(rest))
        return failure;
    if (!m_pictureStarted && m_soundWritten == 0)
        return DestinationFailure(m_muxer->Io().Destination(),
                                  "holds no key frame to start the picture from and no sound "
                                  "(an AVI keeps every frame)");
    if (Failure failure = m_muxer->WriteTrailer())
        return failure;
    m_muxer->Finish();
    return {};
}
