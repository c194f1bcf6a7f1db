// Runs the real binary with CreateProcessW.
#include <windows.h>

#include <stdexcept>

#include "convert/platform/win32/system_text.h"
#include "tests/cli/win32/convert_process.h"

namespace clitest {
namespace {

// The build names the binary by its Unix path; Wine reaches that through
// its Z: drive. A Windows path is left as it is.
std::wstring BinaryPath() {
    std::string path = VELTRANO_CONVERT_BINARY;
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return WideFromUtf8(path);
}

// One argument as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE file = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error(Utf8FromWide(path) + ": " + ErrorText(GetLastError()));
    return file;
}

// Text-mode output ends lines with CR LF on Windows; the tests read lines.
std::string WithoutCarriageReturns(std::string text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n')
            lines += text[i];
    return lines;
}

} // namespace

ConvertProcess::ConvertProcess(const std::vector<std::string>& args,
                               const std::filesystem::path& workDir)
    : m_capture(std::make_unique<ScratchDir>()) {
    std::wstring commandLine = Quoted(BinaryPath());
    for (const std::string& a : args)
        commandLine += L" " + Quoted(WideFromUtf8(a));
    const HANDLE in = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    const HANDLE out =
        Inheritable((m_capture->Path() / "stdout").wstring(), GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err =
        Inheritable((m_capture->Path() / "stderr").wstring(), GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, workDir.c_str(), &startup, &process);
    const DWORD failure = GetLastError();
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    if (!started)
        throw std::runtime_error(Utf8FromWide(BinaryPath()) + ": " + ErrorText(failure));
    CloseHandle(process.hThread);
    m_process = process.hProcess;
}

ConvertProcess::~ConvertProcess() {
    if (m_process != nullptr) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, INFINITE);
        CloseHandle(m_process);
    }
}

void ConvertProcess::Kill() {
    TerminateProcess(m_process, 1);
}

RunResult ConvertProcess::Wait() {
    WaitForSingleObject(m_process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    CloseHandle(m_process);
    m_process = nullptr;
    RunResult result;
    result.exitCode = static_cast<int>(code);
    result.out = WithoutCarriageReturns(ReadText(*m_capture / "stdout"));
    result.err = WithoutCarriageReturns(ReadText(*m_capture / "stderr"));
    return result;
}

RunResult RunConvert(const std::vector<std::string>& args, const std::filesystem::path& workDir) {
    return ConvertProcess(args, workDir).Wait();
}

} // namespace clitest
