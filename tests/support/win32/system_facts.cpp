#include "tests/support/system_facts.h"

#include <windows.h>

#include <sddl.h>

#include <vector>

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

namespace {

// A list of the user's own: everyone may do anything, and the local guests
// read, with nothing inherited from the folder.
constexpr wchar_t kUsersList[] = L"D:P(A;;FA;;;WD)(A;;FR;;;BG)";

std::wstring AccessListOf(const std::filesystem::path& file) {
    DWORD needed = 0;
    GetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<unsigned char> descriptor(needed);
    wchar_t* text = nullptr;
    if (needed == 0 ||
        !GetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed,
                          &needed) ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return {};
    std::wstring list = text;
    LocalFree(text);
    return list;
}

} // namespace

void MarkAsUsers(const std::filesystem::path& file) {
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kUsersList, SDDL_REVISION_1,
                                                             &descriptor, nullptr)) {
        SetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
    }
}

bool MarkedAsUsers(const std::filesystem::path& file) {
    // What the system keeps of that list, read from a file marked alike:
    // Wine keeps only what a Unix file's mode can hold.
    const std::filesystem::path alike = file.parent_path() / "marked-alike";
    CloseHandle(CreateFileW(alike.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    MarkAsUsers(alike);
    const std::wstring marked = AccessListOf(alike);
    SetFileAttributesW(alike.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(alike.c_str());
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)) ==
               FILE_ATTRIBUTE_HIDDEN &&
           !marked.empty() && AccessListOf(file) == marked;
}

bool LooksNew(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY |
                          FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_SYSTEM)) == 0;
}
