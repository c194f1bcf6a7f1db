#include "convert/output/parameter_sets.h"

#include <cstring>

namespace {

constexpr int kSequenceParameterSet = 7;
constexpr int kPictureParameterSet = 8;

// The first start code (00 00 01) at or after `from`, or `end`. Every key
// frame is searched: the ones are found by memchr, which is fast.
std::int64_t NextStartCode(const std::uint8_t* data, std::int64_t from, std::int64_t end) {
    std::int64_t one = from + 2;
    while (one < end) {
        const void* found = std::memchr(data + one, 1, static_cast<std::size_t>(end - one));
        if (found == nullptr)
            break;
        one = static_cast<const std::uint8_t*>(found) - data;
        if (data[one - 1] == 0 && data[one - 2] == 0)
            return one - 2;
        ++one;
    }
    return end;
}

} // namespace

std::vector<std::uint8_t> ParameterSetsOf(const std::uint8_t* data, std::int64_t size) {
    std::vector<std::uint8_t> sets;
    bool sps = false, pps = false;
    std::int64_t start = NextStartCode(data, 0, size);
    while (start < size) {
        const std::int64_t unit = start + 3;
        std::int64_t next = NextStartCode(data, unit, size);
        // The zero in front of a four-byte start code is not the unit's.
        std::int64_t end = next;
        while (end > unit && next < size && data[end - 1] == 0)
            --end;
        if (unit < end) {
            const int type = data[unit] & 0x1F;
            if (type == kSequenceParameterSet || type == kPictureParameterSet) {
                sps = sps || type == kSequenceParameterSet;
                pps = pps || type == kPictureParameterSet;
                sets.insert(sets.end(), {0, 0, 0, 1});
                sets.insert(sets.end(), data + unit, data + end);
            }
        }
        start = next;
    }
    if (!sps || !pps)
        sets.clear();
    return sets;
}
