// The MP4's sound: IMA ADPCM blocks decoded with libavcodec's IMA ADPCM WAV
// decoder and encoded once with libavcodec's AAC encoder (AAC-LC, mono,
// 8000 Hz as recorded: no resampling). Where there are threads, the
// encoding runs on one of its own while the picture is copied on the
// caller's, so a conversion to MP4 takes about as long as the sound's
// encoding; without, the caller encodes as it takes the packets. Which
// packets a Take gives depends only on the blocks submitted, never on the
// encoder's pace, so both ways write the same file.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "convert/failure.h"
#include "convert/output/block_queue.h"
#include "convert/platform/worker.h"

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

    // Opens both codecs and starts the thread; failures name `file`.
    Failure Open(const std::string& file);
    // What the sound's stream in the MP4 declares: the encoder's.
    void CopyParameters(AVCodecParameters* parameters) const;

    // The sound starts `samples` in: what plays before the first frame the
    // picture can start from is left out, so both start together. Until
    // this is said (or Finish), blocks wait; after it, Submit waits while
    // the encoder is more than a few seconds behind, so the picture never
    // runs far ahead of the sound.
    void StartAt(std::int64_t samples);
    // Queues one block (copied).
    Failure Submit(const std::uint8_t* block, std::int64_t size);
    // Adds to `packets` those encoded from the first `blocks` blocks
    // submitted and not yet taken, in order (the encoder waits while a few
    // hundred wait to be taken, so take in steps) (times in 1/8000 s, the first
    // ones before 0: the encoder's priming, which the MP4's edit list
    // skips). Nothing is encoded before StartAt.
    Failure Take(std::int64_t blocks, std::vector<Packet>& packets);
    // No more blocks: encodes what is left and the encoder's tail, and
    // gives every remaining packet.
    Failure Finish(std::vector<Packet>& packets);

    // Blocks the decoder refused: dropped, as damaged chunks are. Counted
    // by whichever thread encodes; read only once Finish has returned.
    std::int64_t UndecodableBlocks() const { return m_undecodable; }

private:
    struct CodecDeleter {
        void operator()(AVCodecContext* context) const;
    };
    struct FrameDeleter {
        void operator()(AVFrame* frame) const;
    };
    struct Encoded {
        std::int64_t blocks; // submitted blocks it was encoded from
        Packet packet;
    };
    void Run(std::stop_token stop);
    bool MayEncode() const;
    Failure EncodeNext(std::unique_lock<std::mutex>& lock);
    Failure Encode(const std::vector<std::uint8_t>& block, std::int64_t blocks);
    Failure EncodeTail(std::unique_lock<std::mutex>& lock);
    Failure Decode(const std::vector<std::uint8_t>& block);
    Failure EncodeFrames(bool last, std::int64_t blocks);
    Failure Receive(std::int64_t blocks);
    Failure Fail(const std::string& what, int error) const;
    static Failure OutOfMemory();
    Failure Said(const Failure& failure) const;
    void GiveUpTo(std::int64_t blocks, std::vector<Packet>& packets);
    void TakeUntil(std::unique_lock<std::mutex>& lock, std::int64_t blocks,
                   std::vector<Packet>& packets, const std::function<bool()>& finished);

    std::string m_file;
    std::unique_ptr<AVCodecContext, CodecDeleter> m_decoder;
    std::unique_ptr<AVCodecContext, CodecDeleter> m_encoder;
    std::unique_ptr<AVFrame, FrameDeleter> m_decoded;
    std::unique_ptr<AVFrame, FrameDeleter> m_frame;
    Packet m_packet;
    // The encoder's own, on whichever thread encodes (the worker, or the
    // caller without one), never both: decoded samples waiting for a whole
    // frame.
    std::vector<float> m_pcm;
    std::int64_t m_skip = 0;    // samples still to leave out
    std::int64_t m_nextPts = 0; // of the next frame, in samples
    std::int64_t m_undecodable = 0;

    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    BlockQueue m_blocks; // submitted, not yet encoded
    std::int64_t m_submitted = 0;
    std::int64_t m_encodedBlocks = 0;
    std::deque<Encoded> m_encoded; // not yet taken
    bool m_started = false;
    bool m_ending = false;
    bool m_done = false;
    Failure m_failure;
    Worker m_worker; // last: starts once everything above is set up
};
