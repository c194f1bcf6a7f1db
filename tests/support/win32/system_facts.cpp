#include "tests/support/system_facts.h"

#include <windows.h>

#include "convert/platform/win32/system_text.h"

std::string ExpectedCause(SystemCause cause) {
    switch (cause) {
    case SystemCause::kNoSuchFile:
        return ErrorText(ERROR_FILE_NOT_FOUND);
    case SystemCause::kNoSuchFolder: {
        // Windows says "path not found" here, Wine "file not found": asked
        // of the system itself.
        const std::wstring missing =
            (std::filesystem::temp_directory_path() / "veltrano-no-such-folder" / "x").wstring();
        GetFileAttributesW(missing.c_str());
        return ErrorText(GetLastError());
    }
    case SystemCause::kIsADirectory:
        return IsADirectoryText();
    case SystemCause::kNameTooLong:
        return ErrorText(ERROR_FILENAME_EXCED_RANGE);
    }
    return {};
}

std::string NonRegularFile(const std::filesystem::path&) {
    return "NUL";
}

const char* WhyNoFileSizeLimit() {
    return "Windows has no per-process file-size limit (RLIMIT_FSIZE) to make writes fail";
}

bool RunWithFileSizeLimit(std::int64_t, const std::function<bool()>&) {
    return false;
}

const char* WhyNoGStreamer() {
    return "the players' check runs gst-launch-1.0, a Linux program; the differential test "
           "shows the Windows AVIs are the Linux ones byte for byte";
}

void MarkAsUsers(const std::filesystem::path& file) {
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
}

bool MarkedAsUsers(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)) ==
               FILE_ATTRIBUTE_HIDDEN;
}

bool LooksNew(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY |
                          FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_SYSTEM)) == 0;
}
