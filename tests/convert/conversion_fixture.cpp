#include "tests/convert/conversion_fixture.h"

#include <algorithm>
#include <cstdlib>

#include "tests/support/scratch_dir.h"

namespace {

int Record(void* context, std::int64_t bytesRead, std::int64_t fileSize) {
    static_cast<ConversionRun*>(context)->reports.emplace_back(bytesRead, fileSize);
    return 0;
}

} // namespace

void ConversionTest::SetUp() {
    m_dir = NewScratchFolder();
}

void ConversionTest::TearDown() {
    std::error_code ignored;
    std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_dir, ignored);
}

ConversionRun ConversionTest::Convert(const std::string& source, const std::string& dest,
                                      int fallbackRate) {
    ConversionRun run;
    CStreamConverter job(source.c_str(), dest.c_str(), fallbackRate);
    job.SetCallback(&run, Record);
    run.result = RunConverter(&job);
    run.stats = job.Stats();
    run.error = job.GetFailure().Message();
    return run;
}

std::vector<std::string>
ConversionTest::StrayFiles(const std::vector<std::string>& expected) const {
    std::vector<std::string> stray;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dir)) {
        if (!entry.is_regular_file())
            continue;
        const std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end())
            stray.push_back(name);
    }
    return stray;
}
