// Shared by the command-line tests: scratch folders, generated recordings and
// running the real veltrano-convert binary.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "recording_generator.h"

namespace clitest {

// A fresh folder under the test temp dir, removed with everything in it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

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
