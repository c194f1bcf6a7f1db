// libFuzzer entry: a whole conversion of arbitrary bytes as a source file.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = fuzz::CheckConversion(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "conversion: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
