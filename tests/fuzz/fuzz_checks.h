// What the fuzz targets check on arbitrary bytes, as plain functions so the
// inputs the fuzzer once found run again in the normal test suite. Each
// returns an empty string, or what went wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Bytes 0-2 choose the search start, the kinds sought and a run of filler put
// in front for the chunk reader (up to 2 MiB, to move chunks across the edges
// of its window and of its read-ahead buffer);
// the rest is searched, read as a header and read chunk by chunk. Results
// must match the layout rules computed here independently.
std::string CheckTagSearchAndRate(const std::uint8_t* data, std::size_t size);

// The bytes as a source file, converted whole: it must succeed when the
// layout rules find a recording (and fail as no recording otherwise), report
// progress in order ending in one completion report, write every chunk the
// layout rules find, leave the source as it was and no other file behind.
std::string CheckConversion(const std::uint8_t* data, std::size_t size);

} // namespace fuzz
