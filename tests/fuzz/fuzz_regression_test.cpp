// Every input the fuzzers once failed on (and the hand-picked edge cases kept
// beside them) runs through the same checks in the normal suite.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/fuzz/fuzz_checks.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> InputsIn(const char* target) {
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(fs::path(VELTRANO_FUZZ_REGRESSIONS) / target))
        if (entry.is_regular_file())
            inputs.push_back(entry.path());
    return inputs;
}

std::vector<std::uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void RunAll(const char* target, std::string (*check)(const std::uint8_t* data, std::size_t size)) {
    const std::vector<fs::path> inputs = InputsIn(target);
    ASSERT_FALSE(inputs.empty()) << "no inputs kept for " << target;
    for (const fs::path& input : inputs) {
        const std::vector<std::uint8_t> bytes = Bytes(input);
        EXPECT_EQ(check(bytes.data(), bytes.size()), "") << input.filename();
    }
}

} // namespace

TEST(FuzzRegressions, TagSearchInputs) {
    RunAll("tag_search", &fuzz::CheckTagSearchAndRate);
}

TEST(FuzzRegressions, ConversionInputs) {
    RunAll("conversion", &fuzz::CheckConversion);
}
