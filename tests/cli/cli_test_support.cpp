#include "tests/cli/cli_test_support.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace clitest {

std::string ReadText(const std::string& path) {
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                     std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
        throw std::runtime_error(path + ": cannot be written");
}

recgen::Manifest MakeRecording(const std::string& path, const recgen::Options& options) {
    recgen::Manifest manifest;
    std::string error;
    if (!recgen::Generate(path, options, &manifest, &error))
        throw std::runtime_error(error);
    return manifest;
}

} // namespace clitest
