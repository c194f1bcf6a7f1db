#include "convert/output/avi_output.h"

#include <cerrno>

#include "convert/output/muxer.h"
#include "convert/output/stream_parameters.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

constexpr int kVideoStreamIndex = 0;
constexpr int kAudioStreamIndex = 1;

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

} // namespace

AviOutput::AviOutput() = default;
AviOutput::~AviOutput() = default;

Failure AviOutput::Open(TemporaryOutput& file, int frameRate, const PictureFormat& picture) {
    m_frameRate = frameRate;
    m_muxer = std::make_unique<Muxer>(file);
    if (Failure failure = m_muxer->Open("avi"))
        return failure;
    AVStream* audio = m_muxer->AddStreams(frameRate, picture);
    if (audio == nullptr)
        return m_muxer->Fail(AVERROR(ENOMEM));
    SetAudioParameters(audio);
    return m_muxer->WriteHeader(nullptr);
}

Expected<WriteResult> AviOutput::WriteVideo(const std::uint8_t* data, std::int64_t size, bool key) {
    // The empty frames are the ones the muxer itself writes into a gap, byte
    // for byte; written here, a gap of any length keeps its slots, where the
    // muxer refuses one of more than 60,000 and with it every later frame.
    while (m_slots.Gap() > 0) {
        Expected<WriteResult> filled =
            m_muxer->Write(kVideoStreamIndex, nullptr, 0, false, m_slots.InFile(), 1, m_frameRate);
        if (!filled || *filled != WriteResult::Written)
            return filled;
        m_slots.Filled();
    }
    Expected<WriteResult> result =
        m_muxer->Write(kVideoStreamIndex, data, size, key, m_slots.Next(), 1, m_frameRate);
    if (result && *result == WriteResult::Written)
        m_slots.Written();
    else if (result && *result == WriteResult::Refused)
        m_slots.Lost();
    return result;
}

void AviOutput::SkipVideoFrame() {
    m_slots.Lost();
}

Expected<WriteResult> AviOutput::WriteAudio(const std::uint8_t* data, std::int64_t size) {
    Expected<WriteResult> result =
        m_muxer->Write(kAudioStreamIndex, data, size, true, m_audioIndex * kAudioSamplesPerBlock,
                       kAudioSamplesPerBlock, kAudioSampleRate);
    if (result && *result == WriteResult::Written)
        ++m_audioIndex;
    return result;
}

// libavformat declares the audio's block size as its fixed sample size
// (dwSampleSize = 164) and has no option against it. Players built on
// GStreamer then time the sound by bytes, with a byte rate that assumes 160
// samples a block, and play it at half its length. A sample size of 0 makes
// every player time each chunk as one block of dwScale/dwRate (321/8000) s.
// So the finished header is mended in place, found by walking its chunks.
Failure AviOutput::ClearAudioSampleSize() {
    AVIOContext* pb = m_muxer->Context()->pb;
    avio_flush(pb);
    if (pb->error < 0)
        return m_muxer->Fail(pb->error);
    MuxerIo::Cursor cursor;
    const MuxerIo::Io in = m_muxer->Io().OpenReader(cursor);
    if (!in)
        return m_muxer->Fail(AVERROR(ENOMEM));
    std::int64_t at = -1;
    if (avio_rl32(in.get()) == Tag("RIFF")) {
        const std::int64_t riffBytes = avio_rl32(in.get());
        if (avio_rl32(in.get()) == Tag("AVI "))
            at = FindAudioSampleSize(in.get(), 12, 8 + riffBytes);
    }
    if (cursor.failure)
        return cursor.failure;
    if (at < 0)
        return m_muxer->Fail(AVERROR_INVALIDDATA);
    const std::int64_t end = avio_tell(pb);
    if (avio_seek(pb, at, SEEK_SET) != at)
        return m_muxer->Fail(pb->error < 0 ? pb->error : AVERROR(EIO));
    avio_wl32(pb, 0);
    avio_seek(pb, end, SEEK_SET);
    avio_flush(pb);
    return pb->error < 0 ? m_muxer->Fail(pb->error) : Failure{};
}

// The file itself is closed by its owner, which also hears of any error the
// system reports only then.
Failure AviOutput::Close() {
    if (Failure failure = m_muxer->WriteTrailer())
        return failure;
    if (Failure failure = ClearAudioSampleSize())
        return failure;
    m_muxer->Finish();
    return {};
}
