// Generated recordings kept by their options, for builds that cannot encode
// H.264 (the Windows build links an FFmpeg without encoders). A native run
// with VELTRANO_RECORDING_STORE naming a folder saves there every recording
// it generates; the Windows build's Generate takes them from that folder, so
// the same test sources run on both with byte-identical inputs.
#pragma once

#include <string>

#include "tools/recgen/recording_generator.h"

namespace recgen {

inline constexpr const char* kRecordingStoreVariable = "VELTRANO_RECORDING_STORE";

// Every option that shapes the file, as one line of text.
std::string StoreKey(const Options& options);

// Copies the finished recording at `path` and its manifest into the folder
// named by the variable, if it is set. Sized ones are kept too (the fault
// suite's are over 100 MiB), so set it only for test runs.
void SaveToStore(const std::string& path, const Options& options, const Manifest& manifest);

// Writes the stored recording for `options` to `path`; false with *error =
// "PATH: cause" when the store has none.
bool LoadFromStore(const std::string& path, const Options& options, Manifest* manifest,
                   std::string* error);

} // namespace recgen
