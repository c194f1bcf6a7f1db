// The file layer over the Win32 API. Paths arrive as UTF-8 and cross every
// system call as UTF-16; failures carry the system's own text for them.
#include "convert/platform/files.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include <random>
#include <vector>

#include "convert/platform/win32/system_text.h"

namespace {

std::string LastErrorText() {
    return ErrorText(GetLastError());
}

// The absolute form of `path`; the system resolves "." and ".." and turns
// slashes into backslashes on the way.
std::wstring FullPath(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0)
        return path;
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed)
        return path;
    full.resize(written);
    return full;
}

// What to hand the system for a full path: beyond the classic limit of 260
// characters only the "\\?\" form reaches the file.
std::wstring SystemPath(const std::wstring& full) {
    constexpr std::size_t kClassicLimit = MAX_PATH - 12; // room for an 8.3 name in a folder
    const bool prefixed =
        full.rfind(L"\\\\", 0) == 0 && full.size() > 2 && (full[2] == L'?' || full[2] == L'.');
    if (full.size() < kClassicLimit || prefixed)
        return full;
    if (full.rfind(L"\\\\", 0) == 0) // \\server\share\...
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring SystemPath(const std::string& utf8) {
    return SystemPath(FullPath(WideFromUtf8(utf8)));
}

// The folder holding the full path `full`, with its separator when it is a
// root ("C:\").
std::wstring FolderOf(const std::wstring& full) {
    const std::size_t slash = full.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return L".";
    if (slash == 0 || full[slash - 1] == L':')
        return full.substr(0, slash + 1);
    return full.substr(0, slash);
}

std::wstring NameOf(const std::wstring& full) {
    const std::size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

std::wstring Joined(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        return folder + name;
    return folder + L"\\" + name;
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber,
            (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

constexpr std::intptr_t kNoHandle = -1; // INVALID_HANDLE_VALUE

// Opens whatever `path` names without reading or writing it: a directory, a
// device, the file a link leads to.
HANDLE OpenForInformation(const std::wstring& path, DWORD flags = 0) {
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

constexpr wchar_t kHiddenPrefix[] = L".veltrano-";
constexpr int kHiddenRandomLetters = 6;

std::wstring HiddenName(const std::wstring& folder) {
    static std::mt19937_64 random{std::random_device{}() ^ GetCurrentProcessId()};
    static const wchar_t letters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    std::wstring name = kHiddenPrefix;
    for (int i = 0; i < kHiddenRandomLetters; ++i)
        name += letters[random() % (std::size(letters) - 1)];
    return Joined(folder, name);
}

// Removes what killed jobs left in `folder`. A file still being written is
// open in its job without delete sharing, so the exclusive open below fails
// on it; only a leftover that no process holds is deleted.
void RemoveLeftovers(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(
        SystemPath(Joined(folder, std::wstring(kHiddenPrefix) + L"*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name.size() != std::size(kHiddenPrefix) - 1 + kHiddenRandomLetters ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) == 0 ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            continue;
        const HANDLE leftover =
            CreateFileW(SystemPath(Joined(folder, name)).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (leftover != INVALID_HANDLE_VALUE)
            CloseHandle(leftover);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

OVERLAPPED At(std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    return at;
}

// Reads into `buffer`; a failure names `file` as `kind` saw it.
Expected<std::int64_t> ReadAtHandle(HANDLE handle, void* buffer, std::int64_t bytes,
                                    std::int64_t offset, FailureKind kind,
                                    const std::string& file) {
    OVERLAPPED at = At(offset);
    const DWORD asked = static_cast<DWORD>(std::min<std::int64_t>(bytes, 1 << 30));
    DWORD got = 0;
    if (ReadFile(handle, buffer, asked, &got, &at))
        return std::int64_t{got};
    const DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF)
        return std::int64_t{0};
    return Failure{kind, file, ErrorText(error)};
}

// Whether the system deletes the file when its last handle closes.
bool SetDeleteOnClose(HANDLE file, bool deleteOnClose) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteOnClose;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// Whether a security call failed only because this process may not read or
// set the list, or the file system keeps none: the file then keeps what it
// has, as an owner without those rights would see Windows do.
bool OutOfReach(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_PRIVILEGE_NOT_HELD ||
           error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

// Gives the open file `to` the access control list of the file at `from`,
// as Windows' own replacement (ReplaceFile) does: who may read and change
// the file stays as its user set it. Copied before the move, so the move
// stays the one step that puts the new file in place. 0, or the error.
DWORD CopyAccessList(const std::wstring& from, HANDLE to) {
    constexpr SECURITY_INFORMATION kList = DACL_SECURITY_INFORMATION;
    const auto failed = [] {
        const DWORD error = GetLastError();
        return OutOfReach(error) ? 0 : error;
    };
    DWORD needed = 0;
    if (!GetFileSecurityW(from.c_str(), kList, nullptr, 0, &needed) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return failed();
    std::vector<unsigned char> descriptor(needed);
    if (!GetFileSecurityW(from.c_str(), kList, descriptor.data(), needed, &needed) ||
        !SetKernelObjectSecurity(to, kList, descriptor.data()))
        return failed();
    return 0;
}

// Gives the open file the name `to`, replacing a file there if `replace`.
bool RenameOpenFile(HANDLE file, const std::wstring& to, bool replace) {
    const std::size_t nameBytes = to.size() * sizeof(wchar_t);
    // FILE_RENAME_INFO ends in a one-character name: room for the rest and a NUL.
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(rename->FileName, to.c_str(), nameBytes);
    return SetFileInformationByHandle(file, FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size()));
}

} // namespace

void SourceFile::Close() {
    if (m_handle != kNoHandle)
        CloseHandle(AsHandle(m_handle));
    m_handle = kNoHandle;
}

Failure SourceFile::Open(const std::string& path) {
    Close();
    m_path = path;
    const auto fail = [&](std::string cause) { return SourceFailure(path, std::move(cause)); };
    const std::wstring wide = SystemPath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return fail(IsADirectoryText());
    // Others may go on reading, writing or renaming the recording meanwhile,
    // as they may on Linux.
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return fail(LastErrorText());
    m_handle = reinterpret_cast<std::intptr_t>(file);
    // Devices (NUL, CON, COM1, pipes) open like files; none is a recording.
    if (GetFileType(file) != FILE_TYPE_DISK)
        return fail(kNotRegularCause);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return fail(LastErrorText());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return fail(IsADirectoryText());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        return fail(LastErrorText());
    m_size = size.QuadPart;
    m_identity = IdentityOf(info);
    return {};
}

std::int64_t SourceFile::CurrentSize() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(AsHandle(m_handle), &size) ? size.QuadPart : -1;
}

Expected<std::int64_t> SourceFile::ReadAt(void* buffer, std::int64_t bytes, std::int64_t offset) {
    return ReadAtHandle(AsHandle(m_handle), buffer, bytes, offset, FailureKind::Source, m_path);
}

Failure CheckDestination(const std::string& dest, const FileIdentity& source) {
    // Followed through links, as the file a link names is what would be hit.
    const HANDLE file = OpenForInformation(SystemPath(dest));
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info{};
        const bool known = GetFileInformationByHandle(file, &info);
        CloseHandle(file);
        if (known && SameFile(IdentityOf(info), source))
            return DestinationFailure(dest, kIsTheSourceCause);
    }
    return CheckDestinationKind(dest);
}

Failure CheckDestinationKind(const std::string& dest) {
    const std::wstring wide = SystemPath(dest);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    // A link is replaced itself, whatever it names.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {};
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return DestinationFailure(dest, IsADirectoryText());
    // Devices (NUL, CON) have no attributes but do open.
    const HANDLE file = OpenForInformation(wide, FILE_FLAG_OPEN_REPARSE_POINT);
    if (file == INVALID_HANDLE_VALUE)
        return {}; // nothing there yet: creating it is checked later
    const DWORD type = GetFileType(file);
    CloseHandle(file);
    if (type != FILE_TYPE_DISK)
        return DestinationFailure(dest, kNotRegularCause);
    return {};
}

TemporaryOutput::TemporaryOutput(std::string destination) : m_destination(std::move(destination)) {}

TemporaryOutput::~TemporaryOutput() {
    if (m_handle == kNoHandle)
        return;
    CloseHandle(AsHandle(m_handle));
    if (!m_committed)
        DeleteFileW(SystemPath(m_path).c_str());
}

// The file is hidden, created exclusively under a name of our own, and held
// for deletion by the system from the start, so it goes when this process
// ends however it ends; Commit lifts that just before the move. Only a job
// killed in that moment leaves a hidden file, and every job first deletes
// the leftovers in its folder that no process holds open.
Failure TemporaryOutput::Create() {
    const auto fail = [&](std::string cause) {
        return DestinationFailure(m_destination, std::move(cause));
    };
    const std::wstring full = FullPath(WideFromUtf8(m_destination));
    const std::wstring folder = FolderOf(full);

    const HANDLE folderHandle = OpenForInformation(SystemPath(folder));
    if (folderHandle == INVALID_HANDLE_VALUE)
        return fail(LastErrorText());
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD maxComponent = 0;
    const bool isFolder = GetFileInformationByHandle(folderHandle, &info) &&
                          (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Asked through the folder's handle for this one figure only: Wine
    // complains on stderr when a volume's label or serial is asked for.
    const bool limitKnown = GetVolumeInformationByHandleW(folderHandle, nullptr, 0, nullptr,
                                                          &maxComponent, nullptr, nullptr, 0);
    CloseHandle(folderHandle);
    if (!isFolder)
        return fail(ErrorText(ERROR_DIRECTORY));
    if (limitKnown && maxComponent > 0 && NameOf(full).size() > maxComponent)
        return fail(ErrorText(ERROR_FILENAME_EXCED_RANGE));
    RemoveLeftovers(folder);

    for (;;) {
        const std::wstring path = HiddenName(folder);
        const HANDLE file =
            CreateFileW(SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE | WRITE_DAC,
                        FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_handle = reinterpret_cast<std::intptr_t>(file);
            m_path = Utf8FromWide(path);
            m_named = true;
            return SetDeleteOnClose(file, true) ? Failure{} : fail(LastErrorText());
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return fail(ErrorText(error));
    }
}

Failure TemporaryOutput::WriteAt(const void* data, std::int64_t bytes, std::int64_t offset) {
    const auto* from = static_cast<const char*>(data);
    for (std::int64_t done = 0; done < bytes;) {
        OVERLAPPED at = At(offset + done);
        const DWORD asked = static_cast<DWORD>(std::min<std::int64_t>(bytes - done, 1 << 30));
        DWORD put = 0;
        if (!WriteFile(AsHandle(m_handle), from + done, asked, &put, &at))
            return DestinationFailure(m_destination, LastErrorText());
        if (put == 0) // no error to report, but no progress either
            return DestinationFailure(m_destination, ErrorText(ERROR_WRITE_FAULT));
        done += put;
    }
    return {};
}

Expected<std::int64_t> TemporaryOutput::ReadAt(void* buffer, std::int64_t bytes,
                                               std::int64_t offset) {
    return ReadAtHandle(AsHandle(m_handle), buffer, bytes, offset, FailureKind::Destination,
                        m_destination);
}

Failure TemporaryOutput::Commit(bool replace) {
    const std::wstring from = SystemPath(m_path);
    const std::wstring to = SystemPath(m_destination);
    // The replacement keeps what the user set on the file it replaces; a new
    // file is an ordinary one.
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    const DWORD old = GetFileAttributesW(to.c_str());
    const bool overFile = replace && old != INVALID_FILE_ATTRIBUTES &&
                          (old & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    if (overFile)
        attributes = old & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (attributes == 0)
        attributes = FILE_ATTRIBUTE_NORMAL;
    const auto undo = [&](DWORD failure) {
        if (m_handle != kNoHandle)
            CloseHandle(AsHandle(m_handle));
        m_handle = kNoHandle;
        DeleteFileW(from.c_str());
        if (failure == ERROR_FILE_EXISTS || failure == ERROR_ALREADY_EXISTS)
            return Failure{FailureKind::DestinationExists, m_destination, kExistsCause};
        return DestinationFailure(m_destination, ErrorText(failure));
    };
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(AsHandle(m_handle), &size) || !SetDeleteOnClose(AsHandle(m_handle), false))
        return undo(GetLastError());
    m_size = size.QuadPart;
    // Set while the handle still protects the file: once it is no longer
    // hidden, another job's sweep of leftovers leaves it alone. A read-only
    // file could not be moved over the old one; that attribute comes after.
    if (!SetFileAttributesW(from.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return undo(GetLastError());
    // Last before the move: the list may take from this process the right to
    // change the file's attributes, never the handle's rights already granted.
    if (overFile)
        if (const DWORD error = CopyAccessList(to, AsHandle(m_handle)); error != 0)
            return undo(error);
    // Moved through its own handle: closed first, the file would stand
    // unheld under a hidden name, and another job's sweep, which listed it
    // while it was hidden, could open it for deletion before the move.
    if (!RenameOpenFile(AsHandle(m_handle), to, replace))
        return undo(GetLastError());
    CloseHandle(AsHandle(m_handle));
    m_handle = kNoHandle;
    m_committed = true;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(to.c_str(), attributes);
    return {};
}

std::int64_t TemporaryOutput::Size() const {
    return m_size;
}

bool PathIdentity(const std::string& path, FileIdentity* identity) {
    const HANDLE file = OpenForInformation(SystemPath(path));
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (known)
        *identity = IdentityOf(info);
    return known;
}

bool SpareFilesAllowed() {
    return true;
}
