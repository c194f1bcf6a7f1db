#pragma once

// The prefix of every message the command prints.
inline constexpr const char* kProgramName = "veltrano-convert";
