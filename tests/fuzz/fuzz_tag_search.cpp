// libFuzzer entry: the tag search, the header-rate rule and the chunk reader
// on arbitrary bytes.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = fuzz::CheckTagSearchAndRate(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "tag search: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
