// The H.264 parameter sets a decoder needs before a frame's slices, found in
// the frame's own NAL units (Annex B form, with start codes).
#pragma once

#include <cstdint>
#include <vector>

// Every sequence and picture parameter set (SPS, PPS) of the frame, each
// behind a four-byte start code, in the frame's order: a decoder
// configuration to start from. Empty unless the frame holds at least one of
// each.
std::vector<std::uint8_t> ParameterSetsOf(const std::uint8_t* data, std::int64_t size);
