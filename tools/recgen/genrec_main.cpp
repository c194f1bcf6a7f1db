// veltrano-genrec: writes a synthetic .264 recording (see recording_generator.h).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

extern "C" {
#include <libavutil/log.h>
}

#include "tools/recgen/recording_generator.h"

namespace {

// "512M" -> 536870912; suffixes K, M, G are powers of 1024.
bool ParseSize(const std::string& text, std::int64_t* bytes) {
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used);
    } catch (const std::exception&) {
        return false;
    }
    std::string suffix = text.substr(used);
    int shift = 0;
    if (suffix == "K" || suffix == "k") {
        shift = 10;
    } else if (suffix == "M" || suffix == "m") {
        shift = 20;
    } else if (suffix == "G" || suffix == "g") {
        shift = 30;
    } else if (!suffix.empty()) {
        return false;
    }
    if (value <= 0 || value > (std::int64_t{1} << 50 >> shift)) {
        return false;
    }
    *bytes = static_cast<std::int64_t>(value) << shift;
    return true;
}

// Digits only, at most seven of them.
bool ParseCount(const std::string& text, int* value) {
    if (text.empty() || text.size() > 7 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *value = std::stoi(text);
    return true;
}

// "1920x1080" -> 1920, 1080 (the generator checks the values).
bool ParsePair(const std::string& text, char separator, int* first, int* second) {
    const std::size_t at = text.find(separator);
    return at != std::string::npos && ParseCount(text.substr(0, at), first) &&
           ParseCount(text.substr(at + 1), second);
}

// "100:352x288" -> from frame 100 on, 352 x 288.
bool ParseResize(const std::string& text, recgen::Options* options) {
    const std::size_t colon = text.find(':');
    return colon != std::string::npos && ParseCount(text.substr(0, colon), &options->resizeAt) &&
           options->resizeAt > 0 &&
           ParsePair(text.substr(colon + 1), 'x', &options->resizeWidth, &options->resizeHeight);
}

// Returns the cause of a failure, empty on success.
std::string WriteManifest(const std::string& path, const recgen::Manifest& manifest) {
    errno = 0;
    std::ofstream out(path);
    if (!out) {
        return errno != 0 ? std::strerror(errno) : "cannot create";
    }
    for (const auto& c : manifest.chunks) {
        out << c.kind << ' ' << c.offset << ' ' << c.chunkBytes << ' ' << c.payloadOffset << ' '
            << c.payloadBytes << ' ' << (c.damaged ? 1 : 0) << '\n';
    }
    out.close();
    return out ? std::string() : std::string("write failed");
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes a synthetic .264 recording: H.264 video and IMA ADPCM audio chunks."};
    recgen::Options options;
    std::string output;
    std::string manifestPath;
    std::string bytes, size, sar, resize;
    int frames = 0;
    double seconds = 0;
    int rateByte = -1;
    bool noHeaderRate = false;

    auto* framesOption = app.add_option("--frames", frames, "Video frames to write (default 50)")
                             ->check(CLI::Range(1, 10000000));
    app.add_option("--seconds", seconds, "Length in seconds instead of --frames")
        ->check(CLI::PositiveNumber)
        ->excludes(framesOption);
    app.add_option("--rate", options.rate, "Frames per second")->check(CLI::Range(1, 1000));
    app.add_option("--key-interval", options.keyInterval, "Frames from one key frame to the next")
        ->check(CLI::Range(1, 100000));
    app.add_flag("--no-header-rate", noHeaderRate, "Leave all four header rate records unused");
    app.add_option("--rate-byte", rateByte,
                   "Rate byte of the first record (default: the rate; readers decode up to 31)")
        ->check(CLI::Range(0, 255));
    app.add_option("--seed", options.seed, "Seed for picture, tone phase and filler");
    app.add_option("--extension-bytes", options.videoExtensionBytes,
                   "Extension bytes in every video chunk")
        ->check(CLI::Range(0, 65535));
    app.add_flag("--vary-tag-lead", options.varyTagLead,
                 "Vary the first tag byte over '0'..'@' instead of always '0'");
    app.add_flag(
        "--no-audio", [&](std::int64_t) { options.audio = false; }, "Write no audio");
    app.add_option("--garbage-every", options.garbageEvery, "Insert garbage after every Nth chunk")
        ->check(CLI::Range(1, 1000000000));
    app.add_option("--garbage-bytes", options.garbageBytes, "Size of each garbage run")
        ->check(CLI::Range(1, 1 << 24));
    app.add_flag("--truncate-last", options.truncateLast, "Cut the file inside its last chunk");
    app.add_option("--bogus-length-at", options.bogusLengthAt,
                   "Video chunk (0 = first frame) that declares an impossible length")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--bytes", bytes, "Repeat one key interval until the file has BYTES (K/M/G)");
    app.add_option("--size", size, "Picture size WxH, e.g. 1920x1080 (default 720x576)");
    app.add_option("--sar", sar, "Sample aspect ratio N:D written into the SPS (default none)");
    app.add_option("--resize-at", resize,
                   "N:WxH: from video frame N on, pictures of WxH from a fresh encoder "
                   "(a key frame at N)");
    app.add_option("--manifest", manifestPath,
                   "Write one line per chunk: kind offset chunkBytes payloadOffset "
                   "payloadBytes damaged");
    app.add_option("OUTPUT", output, "Recording to write")->required();
    CLI11_PARSE(app, argc, argv);

    if (*framesOption) {
        options.frames = frames;
    } else if (seconds > 0) {
        options.frames = std::max(1, static_cast<int>(seconds * options.rate + 0.5));
    }
    if (!bytes.empty() && !ParseSize(bytes, &options.targetBytes)) {
        std::cerr << "veltrano-genrec: --bytes: not a size: " << bytes << '\n';
        return 2;
    }
    if (!size.empty() && !ParsePair(size, 'x', &options.width, &options.height)) {
        std::cerr << "veltrano-genrec: --size: not WxH: " << size << '\n';
        return 2;
    }
    if (!sar.empty() && !ParsePair(sar, ':', &options.sarNum, &options.sarDen)) {
        std::cerr << "veltrano-genrec: --sar: not N:D: " << sar << '\n';
        return 2;
    }
    if (!resize.empty() && !ParseResize(resize, &options)) {
        std::cerr << "veltrano-genrec: --resize-at: not N:WxH: " << resize << '\n';
        return 2;
    }
    if (noHeaderRate) {
        options.records = {};
    } else {
        options.records[0].rateByte =
            static_cast<std::uint8_t>(rateByte >= 0 ? rateByte : options.rate & 0xFF);
    }

    av_log_set_level(AV_LOG_ERROR);
    // The manifest is kept even when not written out: its totals make the summary.
    recgen::Manifest manifest;
    std::string error;
    if (!recgen::Generate(output, options, &manifest, &error)) {
        std::cerr << "veltrano-genrec: " << error << '\n';
        return 1;
    }
    if (!manifestPath.empty()) {
        if (const std::string cause = WriteManifest(manifestPath, manifest); !cause.empty()) {
            std::cerr << "veltrano-genrec: " << manifestPath << ": " << cause << '\n';
            return 1;
        }
    }
    std::int64_t damaged = 0;
    for (const auto& c : manifest.chunks) {
        damaged += c.damaged ? 1 : 0;
    }
    std::cout << "wrote " << output << ": " << manifest.videoFrames << " video frames ("
              << manifest.keyFrames << " key), " << manifest.audioBlocks << " audio blocks, "
              << damaged << " damaged chunks, " << manifest.garbageRuns << " garbage runs, "
              << manifest.fileBytes << " bytes\n";
    return 0;
}
