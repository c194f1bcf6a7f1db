// A scratch folder per test, and a conversion run that records its reports.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "convert/stream_converter.h"

struct ConversionRun {
    int result = -1;
    std::vector<std::pair<std::int64_t, std::int64_t>> reports;
    ConversionStats stats;
    std::string error;

    int CompletionReports() const {
        int count = 0;
        for (const auto& [read, size] : reports)
            count += read >= size ? 1 : 0;
        return count;
    }
};

class ConversionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }
    ConversionRun Convert(const std::string& source, const std::string& dest,
                          int fallbackRate = 25);
    // Files in the scratch folder, by name, other than those given.
    std::vector<std::string> StrayFiles(const std::vector<std::string>& expected) const;

    std::filesystem::path m_dir;
};
