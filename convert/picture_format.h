// What a recording's picture is: its size and shape, and the H.264 profile
// and level, as the sequence parameter set of a key frame gives them.
// Recorders film at many sizes; the outputs declare what the stream holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/expected.h"
#include "convert/platform/files.h"

struct PictureFormat {
    int width = 720; // the recorders' usual D1 picture, when the stream says nothing
    int height = 576;
    int sarNum = 0; // the sample (pixel) aspect ratio; 0 when the stream gives none
    int sarDen = 1;
    int profile =
        -1; // as libavcodec gives them (profile_idc with its constraints); -1 when unknown
    int level = -1;
    bool fromStream = false; // false: no key frame was read, the defaults stand

    bool SameSize(const PictureFormat& other) const {
        return width == other.width && height == other.height;
    }
};

// "High", "Constrained Baseline", ...; and the level as "3.1".
std::string ProfileName(const PictureFormat& format);
std::string LevelName(const PictureFormat& format);

// How far into a recording the outputs look for the first key frame before
// their header must be written.
constexpr std::int64_t kPictureLookAheadBytes = 8 << 20;

// The picture a key frame (one access unit, Annex B) shows, read by decoding
// it: nothing when its parameter sets or slices do not decode, as a zeroed
// card sector leaves them. Throws std::bad_alloc when out of memory.
std::optional<PictureFormat> ReadPictureFormat(const std::uint8_t* frame, std::int64_t size);

// The picture of the first key frame that decodes within the first
// kPictureLookAheadBytes of `file`, `size` bytes long; the defaults when
// none does; or the failure of a read.
Expected<PictureFormat> FindPictureFormat(SourceFile& file, std::int64_t size);
// The same for the recording at `path`, opened for the purpose.
Expected<PictureFormat> FindPictureFormat(const std::string& path);

// Key frames whose parameter sets are the same bytes show the same picture:
// only a new set is decoded.
class PictureWatch {
public:
    // The picture of the key frame; nothing when it does not decode.
    std::optional<PictureFormat> Read(const std::uint8_t* frame, std::int64_t size);

private:
    std::vector<std::uint8_t> m_sets;
    std::optional<PictureFormat> m_picture;
};
