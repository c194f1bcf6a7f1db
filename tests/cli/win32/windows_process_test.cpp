// What only Windows shows of veltrano-convert.exe: non-ASCII names through
// the command line and the console, a job killed or interrupted midway.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "cli/convert_command.h"
#include "convert/platform/files.h"
#include "convert/platform/interrupts.h"
#include "convert/platform/win32/console_events.h"
#include "tests/cli/win32/convert_process.h"
#include "tests/convert/crafted_recording.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool HasHiddenOutput(const fs::path& dir) {
    for (const std::string& name : Listing(dir))
        if (name.rfind(".veltrano-", 0) == 0)
            return true;
    return false;
}

// Long enough that the job is still writing when the test acts.
void WriteLongRecording(const fs::path& path) {
    CraftedRecording rec;
    rec.Rate(0, 0x19);
    const std::vector<std::uint8_t> frame = VideoPayload(100000, 7);
    for (int i = 0; i < 3000; ++i)
        rec.Video(i % 25 == 0, frame).Audio(AudioBlock(static_cast<std::uint8_t>(i)));
    rec.WriteTo(path.string());
}

// Waits until the job has created its output, so it is midway.
bool WaitForOutput(const fs::path& dir) {
    for (int i = 0; i < 2000; ++i) {
        if (HasHiddenOutput(dir))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

} // namespace

TEST(WindowsProcess, NonAsciiNamesPassThroughTheCommandLine) {
    ScratchDir work;
    const fs::path folder = work.Path() / fs::path(u8"папка-目录");
    fs::create_directory(folder);
    CraftedRecording rec;
    rec.Rate(0, 0x19).Video(true, VideoPayload(3000, 1)).Audio(AudioBlock(1));
    rec.WriteTo(work / "in.264");
    fs::rename(work.Path() / "in.264", folder / fs::path(u8"файл-测试.264"));

    const clitest::RunResult r = clitest::RunConvert({"папка-目录\\файл-测试.264"}, work.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("папка-目录\\файл-测试.avi"), std::string::npos) << r.out;
    EXPECT_EQ(Listing(folder), (std::vector<std::string>{"файл-测试.264", "файл-测试.avi"}));
}

// A path with a leading slash: from the current drive's root on Windows;
// Wine reads it as a Unix path first, and says where a file is in those terms.
std::string SlashPath(const fs::path& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (unixName == nullptr) {
        const std::u8string rooted = path.relative_path().generic_u8string();
        return "/" + std::string(rooted.begin(), rooted.end());
    }
    char* name = unixName(path.c_str());
    const std::string unix = name != nullptr ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return unix;
}

// GNU-style options only: "/data/cam1.264" is a file, not an option CLI11
// would read Windows-style.
TEST(WindowsProcess, APathWithALeadingSlashIsASource) {
    ScratchDir work;
    CraftedRecording rec;
    rec.Rate(0, 0x19).Video(true, VideoPayload(3000, 1)).Audio(AudioBlock(1));
    rec.WriteTo(work / "in.264");
    const clitest::RunResult r =
        clitest::RunConvert({SlashPath(work.Path() / "in.264")}, work.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Listing(work.Path()), (std::vector<std::string>{"in.264", "in.avi"}));
}

// Until it is moved into place the output is held for deletion by the
// system, so a job killed midway leaves nothing, even before the next job.
TEST(WindowsProcess, AKilledJobLeavesNothing) {
    ScratchDir work;
    WriteLongRecording(work.Path() / "long.264");
    {
        clitest::ConvertProcess job({"long.264"}, work.Path());
        ASSERT_TRUE(WaitForOutput(work.Path()));
        job.Kill();
        job.Wait();
    }
    EXPECT_EQ(Listing(work.Path()), (std::vector<std::string>{"long.264"}));
}

// Wine sends no console events to another process (GenerateConsoleCtrlEvent
// fails there), so the handler is called as the system calls it: it stops the
// running job, which removes its output. The flag stays set, so this runs in
// a test process of its own (ctest runs each test alone).
TEST(WindowsProcess, AConsoleEventStopsTheRunningJobAndItsOutputGoes) {
    ScratchDir work;
    WriteLongRecording(work.Path() / "long.264");
    InstallInterruptHandlers();
    std::thread press([&] {
        if (WaitForOutput(work.Path()))
            OnConsoleEvent(CTRL_BREAK_EVENT);
    });
    CommandOptions options;
    options.sources = {work / "long.264"};
    std::ostringstream out, err;
    const int status = RunCommand(options, out, err, Terminal{});
    press.join();
    EXPECT_EQ(status, kExitFailure) << out.str() << err.str();
    EXPECT_EQ(InterruptSignal(), SIGBREAK);
    EXPECT_EQ(Listing(work.Path()), (std::vector<std::string>{"long.264"}));
}
