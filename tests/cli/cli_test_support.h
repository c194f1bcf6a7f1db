// Shared by the command-line tests: scratch folders, generated recordings and
// running the real veltrano-convert binary.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"
#include "tools/recgen/recording_generator.h"

namespace clitest {

struct RunResult {
    int exitCode = -1; // -1: did not exit normally
    std::string out;
    std::string err;
};

// Runs veltrano-convert with `args` in `workDir`, stdin from /dev/null and
// stdout/stderr captured (so never a terminal).
RunResult RunConvert(const std::vector<std::string>& args, const std::filesystem::path& workDir);

// Writes a recording or throws std::runtime_error naming the cause.
recgen::Manifest MakeRecording(const std::string& path, const recgen::Options& options);

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

} // namespace clitest
