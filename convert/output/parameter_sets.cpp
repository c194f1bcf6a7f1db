#include "convert/output/parameter_sets.h"

namespace {

constexpr int kSequenceParameterSet = 7;
constexpr int kPictureParameterSet = 8;

// The first start code (00 00 01) at or after `from`, or `end`.
std::int64_t NextStartCode(const std::uint8_t* data, std::int64_t from, std::int64_t end) {
    for (std::int64_t i = from; i + 3 <= end; ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
            return i;
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
