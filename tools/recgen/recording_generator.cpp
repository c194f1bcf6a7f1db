#include "tools/recgen/recording_generator.h"
#include "tools/recgen/recording_store.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "tools/recgen/chunk_writer.h"
#include "tools/recgen/h264_encoder.h"
#include "tools/recgen/ima_adpcm_encoder.h"
#include "tools/recgen/test_picture.h"

namespace recgen {
namespace {

constexpr int kToneHz = 440;
constexpr double kToneAmplitude = 8000.0;

bool PictureSizeOk(int width, int height) {
    return width >= 16 && height >= 16 && width <= 8192 && height <= 8192 && width % 2 == 0 &&
           height % 2 == 0;
}

std::string CheckPicture(const Options& o) {
    if (!PictureSizeOk(o.width, o.height) ||
        (o.resizeAt > 0 && !PictureSizeOk(o.resizeWidth, o.resizeHeight))) {
        return "picture sizes must be even, from 16x16 to 8192x8192";
    }
    if (o.sarNum < 0 || o.sarNum > 65535 || o.sarDen < 0 || o.sarDen > 65535 ||
        (o.sarNum > 0) != (o.sarDen > 0)) {
        return "sample aspect ratio terms must be 1..65535";
    }
    if (o.resizeAt < 0 || (o.resizeAt > 0 && (o.targetBytes > 0 || o.resizeAt >= o.frames))) {
        return "a size change needs a frame count beyond it (and no target size)";
    }
    return {};
}

std::string CheckOptions(const Options& o) {
    if (o.rate < 1 || o.rate > 1000) {
        return "rate must be 1..1000";
    }
    if (o.keyInterval < 1) {
        return "key interval must be at least 1";
    }
    if (o.frames < 0 || (o.frames == 0 && o.targetBytes <= 0 && o.truncateLast)) {
        return "frame count must be positive";
    }
    if (o.videoExtensionBytes < 0 || o.videoExtensionBytes > 0xFFFF) {
        return "extension bytes must be 0..65535";
    }
    if (o.garbageEvery < 0 || (o.garbageEvery > 0 && o.garbageBytes < 1)) {
        return "garbage needs a positive count and size";
    }
    if (o.targetBytes == 0 && o.bogusLengthAt >= o.frames) {
        return "bogus length at video chunk " + std::to_string(o.bogusLengthAt) + ", but only " +
               std::to_string(o.frames) + " frames";
    }
    if (o.targetBytes < 0) {
        return "target size must not be negative";
    }
    return CheckPicture(o);
}

// Writes the chunks of one video frame: the audio blocks due before it, the
// frame itself, and garbage wherever the chunk count calls for it.
class FrameSequencer {
public:
    FrameSequencer(const Options& options, ChunkWriter& writer)
        : m_options(options), m_writer(writer), m_tone(kToneHz, kToneAmplitude, options.seed),
          m_leads(options.seed ^ 0x1EADB17Eu) {}

    bool Write(const EncodedFrame& frame) {
        if (m_options.audio) {
            // Block b starts at b * 321 / 8000 s; it goes in before frame i when
            // that is no later than i / rate.
            while (m_block * kImaSamplesPerBlock * m_options.rate <= m_frame * kImaSampleRate) {
                if (!WriteAudioBlock()) {
                    return false;
                }
            }
        }
        const bool bogus = m_frame == m_options.bogusLengthAt;
        if (!m_writer.WriteVideo(Lead(), frame.key, frame.bytes, m_options.videoExtensionBytes,
                                 bogus) ||
            !AfterChunk()) {
            return false;
        }
        ++m_frame;
        return true;
    }

    std::int64_t FramesWritten() const { return m_frame; }

private:
    std::uint8_t Lead() {
        return static_cast<std::uint8_t>(m_options.varyTagLead ? '0' + m_leads.Below(17) : '0');
    }

    bool WriteAudioBlock() {
        std::int16_t samples[kImaSamplesPerBlock];
        std::uint8_t block[kImaBlockBytes];
        m_tone.Fill(samples, kImaSamplesPerBlock);
        m_adpcm.EncodeBlock(samples, block);
        ++m_block;
        return m_writer.WriteAudio(Lead(), block) && AfterChunk();
    }

    bool AfterChunk() {
        if (m_options.garbageEvery > 0 && m_writer.ChunksWritten() % m_options.garbageEvery == 0) {
            return m_writer.WriteGarbage(m_options.garbageBytes);
        }
        return true;
    }

    const Options& m_options;
    ChunkWriter& m_writer;
    ToneSource m_tone;
    ImaAdpcmEncoder m_adpcm;
    SeededRandom m_leads;
    std::int64_t m_frame = 0;
    std::int64_t m_block = 0;
};

EncoderSettings SettingsFor(const Options& options, int width, int height) {
    EncoderSettings settings;
    settings.rate = options.rate;
    settings.keyInterval = options.keyInterval;
    settings.width = width;
    settings.height = height;
    settings.sarNum = options.sarNum;
    settings.sarDen = options.sarDen;
    return settings;
}

// Encodes frames first .. first + count - 1 with one encoder, handing each
// access unit to `sink` in order, and checks that key frames fall exactly
// every keyInterval frames from `first`.
template <typename Sink>
bool EncodeRun(const EncoderSettings& settings, TestPicture& picture, int first, int count,
               Sink& sink, std::string* cause) {
    H264Encoder encoder;
    if (!encoder.Open(settings, cause)) {
        return false;
    }
    std::vector<EncodedFrame> out;
    int delivered = 0;
    auto deliver = [&]() {
        for (auto& frame : out) {
            if (frame.key != (delivered % settings.keyInterval == 0)) {
                *cause = "libx264 put a key frame at frame " + std::to_string(first + delivered) +
                         ", not every " + std::to_string(settings.keyInterval);
                return false;
            }
            if (!sink(frame)) {
                return false;
            }
            ++delivered;
        }
        out.clear();
        return true;
    };
    for (int i = 0; i < count; ++i) {
        AVFrame* frame = encoder.NextPicture(cause);
        if (frame == nullptr) {
            return false;
        }
        picture.Draw(first + i, frame);
        if (!encoder.Encode(false, &out, cause) || !deliver()) {
            return false;
        }
    }
    if (!encoder.Encode(true, &out, cause) || !deliver()) {
        return false;
    }
    if (delivered != count) {
        *cause = "libx264 returned " + std::to_string(delivered) + " frames for " +
                 std::to_string(count);
        return false;
    }
    return true;
}

// Encodes `count` frames: at the first size, then from resizeAt (if set) at
// the second.
template <typename Sink>
bool EncodeFrames(const Options& options, int count, Sink&& sink, std::string* cause) {
    TestPicture picture(options.seed);
    const int seam = options.resizeAt > 0 ? options.resizeAt : count;
    if (!EncodeRun(SettingsFor(options, options.width, options.height), picture, 0, seam, sink,
                   cause)) {
        return false;
    }
    return seam == count ||
           EncodeRun(SettingsFor(options, options.resizeWidth, options.resizeHeight), picture, seam,
                     count - seam, sink, cause);
}

} // namespace

bool Generate(const std::string& path, const Options& options, Manifest* manifest,
              std::string* error) {
    if (const std::string problem = CheckOptions(options); !problem.empty()) {
        *error = path + ": " + problem;
        return false;
    }
    // Kept for the store even when the caller does not want it.
    Manifest kept;
    if (manifest == nullptr)
        manifest = &kept;
    *manifest = Manifest{};
    ChunkWriter writer(path, options.seed, manifest);
    if (!writer.Open() || !writer.WriteHeader(options.records)) {
        *error = writer.Error();
        return false;
    }
    FrameSequencer sequencer(options, writer);
    std::string cause;
    bool ok = false;
    if (options.targetBytes > 0) {
        // Encode one group of frames, then repeat it: benchmarks need big files fast.
        std::vector<EncodedFrame> group;
        ok = EncodeFrames(
            options, options.keyInterval,
            [&](EncodedFrame& frame) {
                group.push_back(std::move(frame));
                return true;
            },
            &cause);
        while (ok && writer.BytesWritten() < options.targetBytes) {
            const auto index =
                static_cast<std::size_t>(sequencer.FramesWritten() % options.keyInterval);
            ok = sequencer.Write(group[index]);
        }
    } else {
        ok = EncodeFrames(
            options, options.frames, [&](EncodedFrame& frame) { return sequencer.Write(frame); },
            &cause);
    }
    if (!ok || !writer.Finish(options.truncateLast)) {
        *error = !writer.Error().empty() ? writer.Error() : path + ": " + cause;
        return false;
    }
    SaveToStore(path, options, *manifest);
    return true;
}

} // namespace recgen
