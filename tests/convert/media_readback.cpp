#include "tests/convert/media_readback.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "tests/support/ffmpeg_owners.h"

namespace {

// Without parsing, packets come back exactly as the muxer stored them, with
// the key flags of the index rather than ones a parser guessed.
InputPtr OpenInput(const std::string& path, bool parse) {
    AVFormatContext* raw = nullptr;
    AVDictionary* options = nullptr;
    if (!parse)
        av_dict_set(&options, "fflags", "+noparse+nofillin", 0);
    const int ret = avformat_open_input(&raw, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (ret < 0)
        throw std::runtime_error("cannot open " + path);
    InputPtr input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        throw std::runtime_error("no stream info in " + path);
    return input;
}

} // namespace

MediaContents ReadMedia(const std::string& path) {
    InputPtr input = OpenInput(path, false);
    MediaContents contents;
    if (input->duration != AV_NOPTS_VALUE)
        contents.durationSeconds = input->duration / double(AV_TIME_BASE);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        MediaStreamInfo info;
        info.codecType = par->codec_type;
        info.codecId = par->codec_id;
        info.width = par->width;
        info.height = par->height;
        info.sarNum = stream->sample_aspect_ratio.num;
        info.sarDen = stream->sample_aspect_ratio.den;
        info.sampleRate = par->sample_rate;
        info.channels = par->ch_layout.nb_channels;
        info.blockAlign = par->block_align;
        info.bitsPerCodedSample = par->bits_per_coded_sample;
        info.bitRate = par->bit_rate;
        info.timeBaseNum = stream->time_base.num;
        info.timeBaseDen = stream->time_base.den;
        info.startTime = stream->start_time;
        info.duration = stream->duration;
        info.extradata.assign(par->extradata, par->extradata + par->extradata_size);
        contents.streams.push_back(info);
    }
    PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        MediaPacket copy;
        copy.stream = packet->stream_index;
        copy.data.assign(packet->data, packet->data + packet->size);
        copy.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        copy.dts = packet->dts;
        contents.packets.push_back(std::move(copy));
        av_packet_unref(packet.get());
    }
    return contents;
}

const char* WhyNoDecoders() {
    if (avcodec_find_decoder(AV_CODEC_ID_H264) && avcodec_find_decoder(AV_CODEC_ID_ADPCM_IMA_WAV) &&
        avcodec_find_decoder(AV_CODEC_ID_AAC))
        return nullptr;
    return "this FFmpeg lacks an H.264, IMA ADPCM or AAC decoder (the Windows and bundled builds "
           "decode no AAC)";
}

DecodeCounts DecodeMedia(const std::string& path) {
    InputPtr input = OpenInput(path, true);
    std::vector<CodecPtr> decoders(input->nb_streams);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* par = input->streams[i]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (codec == nullptr)
            throw std::runtime_error("no decoder for a stream of " + path);
        decoders[i].reset(avcodec_alloc_context3(codec));
        if (avcodec_parameters_to_context(decoders[i].get(), par) < 0 ||
            avcodec_open2(decoders[i].get(), codec, nullptr) < 0)
            throw std::runtime_error("cannot open a decoder for " + path);
    }
    DecodeCounts counts;
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    auto drain = [&](AVCodecContext* decoder) {
        int ret;
        while ((ret = avcodec_receive_frame(decoder, frame.get())) >= 0) {
            if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
                ++counts.videoFrames;
                counts.width = frame->width;
                counts.height = frame->height;
            } else {
                ++counts.audioFrames;
                counts.audioSamples += frame->nb_samples;
            }
            av_frame_unref(frame.get());
        }
        if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
            ++counts.errors;
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        AVCodecContext* decoder = decoders[packet->stream_index].get();
        if (avcodec_send_packet(decoder, packet.get()) < 0)
            ++counts.errors;
        av_packet_unref(packet.get());
        drain(decoder);
    }
    for (auto& decoder : decoders) {
        avcodec_send_packet(decoder.get(), nullptr);
        drain(decoder.get());
    }
    return counts;
}

namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// Walks RIFF chunks in [begin, end), descending into LIST movi / rec.
void WalkChunks(const std::vector<std::uint8_t>& b, std::size_t begin, std::size_t end, bool inMovi,
                std::vector<MoviChunk>& out) {
    std::size_t at = begin;
    while (at + 8 <= end) {
        const std::string id(reinterpret_cast<const char*>(&b[at]), 4);
        const std::size_t size = Le32(b, at + 4);
        const std::size_t body = at + 8;
        if (body + size > end)
            throw std::runtime_error("RIFF chunk " + id + " runs past its parent");
        if (id == "LIST" || id == "RIFF") {
            const std::string type(reinterpret_cast<const char*>(&b[body]), 4);
            WalkChunks(b, body + 4, body + size, inMovi || type == "movi", out);
        } else if (inMovi && id.size() == 4 && std::isdigit(id[0]) && std::isdigit(id[1])) {
            MoviChunk chunk;
            chunk.stream = (id[0] - '0') * 10 + (id[1] - '0');
            chunk.type = id.substr(2);
            chunk.size = size;
            out.push_back(chunk);
        } else if (id == "idx1") {
            // One 16-byte entry per movi chunk, in their order: the flags at +4.
            for (std::size_t i = 0; i < out.size() && body + 16 * i + 8 <= body + size; ++i)
                out[i].key = (Le32(b, body + 16 * i + 4) & 0x10) != 0;
        }
        at = body + size + (size & 1);
    }
}

} // namespace

std::vector<MoviChunk> ReadMoviChunks(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0)
        throw std::runtime_error(path + " is not a RIFF file");
    std::vector<MoviChunk> chunks;
    WalkChunks(bytes, 0, bytes.size(), false, chunks);
    return chunks;
}

std::vector<std::string> TopLevelBoxes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> boxes;
    unsigned char head[16];
    while (in.read(reinterpret_cast<char*>(head), 8)) {
        std::uint64_t size = std::uint64_t{head[0]} << 24 | head[1] << 16 | head[2] << 8 | head[3];
        boxes.emplace_back(reinterpret_cast<const char*>(head + 4), 4);
        if (size == 1 && in.read(reinterpret_cast<char*>(head + 8), 8)) {
            size = 0;
            for (int i = 8; i < 16; ++i)
                size = size << 8 | head[i];
            in.seekg(static_cast<std::streamoff>(size - 16), std::ios::cur);
        } else if (size >= 8) {
            in.seekg(static_cast<std::streamoff>(size - 8), std::ios::cur);
        } else {
            break; // to the end of the file, or broken
        }
    }
    return boxes;
}

std::uint32_t AudioSampleSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(8192, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    std::size_t at = head.find("strh");
    while (at != std::string::npos && head.compare(at + 8, 4, "auds") != 0)
        at = head.find("strh", at + 1);
    if (at == std::string::npos)
        throw std::runtime_error(path + ": no audio stream header");
    const auto* field = reinterpret_cast<const unsigned char*>(head.data() + at + 8 + 44);
    return field[0] | field[1] << 8 | field[2] << 16 | std::uint32_t(field[3]) << 24;
}
