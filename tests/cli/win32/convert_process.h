// The real binary as a Windows process the test can stop midway.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"

namespace clitest {

class ConvertProcess {
public:
    // Stdin from NUL, output captured.
    ConvertProcess(const std::vector<std::string>& args, const std::filesystem::path& workDir);
    ~ConvertProcess();
    ConvertProcess(const ConvertProcess&) = delete;
    ConvertProcess& operator=(const ConvertProcess&) = delete;

    void Kill(); // TerminateProcess: no chance to clean up
    RunResult Wait();

private:
    std::unique_ptr<ScratchDir> m_capture;
    void* m_process = nullptr;
};

} // namespace clitest
