// The MP4's sound: IMA ADPCM blocks decoded with libavcodec's IMA ADPCM WAV
// decoder and encoded once, on a thread of their own, with libavcodec's AAC
// encoder (AAC-LC, mono, 8000 Hz as recorded: no resampling). The picture is
// copied meanwhile on the caller's thread, so a conversion to MP4 takes
// about as long as the sound's encoding.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

// A bit rate that keeps 8 kHz speech clear; measured against 16 and 32 kb/s.
constexpr int kAacBitRate = 24000;

class SoundEncoder {
public:
    struct PacketDeleter {
        void operator()(AVPacket* packet) const;
    };
    using Packet = std::unique_ptr<AVPacket, PacketDeleter>;

    SoundEncoder();
    ~SoundEncoder(); // stops the thread; encoded packets not taken are dropped
    SoundEncoder(const SoundEncoder&) = delete;
    SoundEncoder& operator=(const SoundEncoder&) = delete;

    // Opens both codecs and starts the thread. Empty on success, otherwise
    // the cause.
    std::string Open();
    // What the sound's stream in the MP4 declares: the encoder's.
    void CopyParameters(AVCodecParameters* parameters) const;

    // The sound starts `samples` in: what plays before the first frame the
    // picture can start from is left out, so both start together. Until
    // this is said (or Finish), blocks wait; after it, Submit waits while
    // the encoder is more than a few seconds behind, so the picture never
    // runs far ahead of the sound.
    void StartAt(std::int64_t samples);
    // Queues one block (copied); false once the encoder has failed.
    bool Submit(const std::uint8_t* block, std::int64_t size);
    // The packets encoded so far, in order (times in 1/8000 s, the first
    // ones before 0: the encoder's priming, which the MP4's edit list
    // skips). False once the encoder has failed.
    bool Take(std::vector<Packet>& packets);
    // No more blocks: encodes what is left and the encoder's tail, and
    // gives every remaining packet. Empty on success, otherwise the cause.
    std::string Finish(std::vector<Packet>& packets);

    // Why the encoder failed; empty while it has not.
    std::string Cause();
    // Blocks the decoder refused: dropped, as damaged chunks are.
    std::int64_t UndecodableBlocks() const { return m_undecodable; }

private:
    struct CodecDeleter {
        void operator()(AVCodecContext* context) const;
    };
    struct FrameDeleter {
        void operator()(AVFrame* frame) const;
    };
    void Run();
    bool Decode(const std::vector<std::uint8_t>& block);
    bool EncodeFrames(bool last);
    bool Receive();
    std::string Fail(const std::string& what, int error);

    std::unique_ptr<AVCodecContext, CodecDeleter> m_decoder;
    std::unique_ptr<AVCodecContext, CodecDeleter> m_encoder;
    std::unique_ptr<AVFrame, FrameDeleter> m_decoded;
    std::unique_ptr<AVFrame, FrameDeleter> m_frame;
    Packet m_packet;
    // The encoding thread's own: decoded samples waiting for a whole frame.
    std::vector<float> m_pcm;
    std::int64_t m_skip = 0;    // samples still to leave out
    std::int64_t m_nextPts = 0; // of the next frame, in samples
    std::int64_t m_undecodable = 0;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<std::uint8_t>> m_blocks; // submitted, not yet decoded
    std::vector<Packet> m_encoded;                  // not yet taken
    bool m_started = false;
    bool m_ending = false;
    bool m_done = false;
    bool m_stop = false;
    std::string m_failure;
    std::thread m_thread; // last: starts once everything above is set up
};
