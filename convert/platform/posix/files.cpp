// The file layer over POSIX and Linux system calls.
#include "convert/platform/files.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string ErrorText(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::string FolderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? "." : folder.string();
}

constexpr char kHiddenPrefix[] = ".veltrano-";
constexpr std::size_t kHiddenLetters = 6;
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";

// Different in every process and thread. From getrandom() rather than
// std::random_device, which in a statically linked libstdc++ asks for a
// newer glibc (arc4random, 2.36) than the portable program needs otherwise.
std::uint64_t Seed() {
    std::uint64_t seed = 0;
    if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) != sizeof seed)
        seed =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return seed ^ static_cast<std::uint64_t>(getpid()) ^
           std::hash<std::thread::id>{}(std::this_thread::get_id());
}

// A hidden name of our own in `folder`, short because the destination's
// name may already be as long as the file system allows.
std::string HiddenName(const std::string& folder) {
    thread_local std::mt19937_64 random{Seed()};
    std::string name = folder + "/" + kHiddenPrefix;
    for (std::size_t i = 0; i < kHiddenLetters; ++i)
        name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

bool IsHiddenName(const char* name) {
    const std::size_t prefix = sizeof kHiddenPrefix - 1;
    return std::strlen(name) == prefix + kHiddenLetters &&
           std::strncmp(name, kHiddenPrefix, prefix) == 0 &&
           std::strspn(name + prefix, kLetters) == kHiddenLetters;
}

// The file being written is locked for the whole life of the job that
// writes it, so that a later job can tell a live file from one a killed job
// left behind. The lock goes with the process however it ends.
bool LockForLife(int fd, bool wait) {
    return flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0;
}

bool SameEntry(const std::string& path, int fd) {
    struct stat named {
    }, open{};
    return lstat(path.c_str(), &named) == 0 && fstat(fd, &open) == 0 &&
           SameFile(IdentityOf(named), IdentityOf(open));
}

// Removes what killed jobs left in `folder`: hidden files of our own that
// no live job holds locked. Once per folder and process is enough.
void RemoveLeftovers(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> swept;
    {
        std::lock_guard lock(mutex);
        if (!swept.insert(folder).second)
            return;
    }
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* entry = readdir(dir)) {
        if (!IsHiddenName(entry->d_name))
            continue;
        const std::string path = folder + "/" + entry->d_name;
        const int fd =
            open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        // Checked again under the lock: the name must still be this file.
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && LockForLife(fd, false) &&
            SameEntry(path, fd))
            unlink(path.c_str());
        close(fd);
    }
    closedir(dir);
}

// Creates a new file under a hidden name; the mode is 0666 under the umask,
// as for any file the user makes. It is locked at once, and taken only if
// no other job's sweep removed it before the lock.
int CreateHidden(const std::string& folder, std::string& path) {
    for (;;) {
        path = HiddenName(folder);
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fd;
        if (fd < 0)
            continue;
        if (!LockForLife(fd, true) || SameEntry(path, fd))
            return fd;
        close(fd);
    }
}

std::string ProcPath(std::intptr_t fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// Moves `from` to `to` unless `to` exists. Some file systems refuse the
// atomic rename; a hard link gives the same guarantee where they allow it.
int RenameNoReplace(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (link(from, to) != 0)
        return -1;
    unlink(from);
    return 0;
}

// Reads into `buffer`; a failure names `file` as `kind` saw it.
Expected<std::int64_t> ReadAtHandle(std::intptr_t handle, void* buffer, std::int64_t bytes,
                                    std::int64_t offset, FailureKind kind,
                                    const std::string& file) {
    for (;;) {
        const ssize_t got = pread(static_cast<int>(handle), buffer, static_cast<size_t>(bytes),
                                  static_cast<off_t>(offset));
        if (got >= 0)
            return got;
        if (errno != EINTR)
            return Failure{kind, file, ErrorText(errno)};
    }
}

// Gives the open file `to` the extended attributes of the file `from`: its
// access control list, the user's own attributes, its security label, as
// `cp --preserve=all` does. Those the system does not let this process set
// (another's namespace, a label only an administrator may give) are left
// out. 0, or the error that stopped the copy.
int CopyAttributes(const char* from, int to) {
    const ssize_t listed = llistxattr(from, nullptr, 0);
    if (listed <= 0)
        return listed == 0 || errno == ENOTSUP ? 0 : errno;
    std::vector<char> names(static_cast<std::size_t>(listed));
    const ssize_t size = llistxattr(from, names.data(), names.size());
    if (size < 0)
        return errno;
    std::vector<char> value;
    for (const char* name = names.data(); name < names.data() + size;
         name += std::strlen(name) + 1) {
        const ssize_t length = lgetxattr(from, name, nullptr, 0);
        if (length < 0 && errno == ENODATA)
            continue; // removed meanwhile
        if (length < 0)
            return errno;
        value.resize(static_cast<std::size_t>(length));
        if (lgetxattr(from, name, value.data(), value.size()) != length)
            return errno;
        if (fsetxattr(to, name, value.data(), value.size(), 0) != 0 && errno != EPERM &&
            errno != ENOTSUP)
            return errno;
    }
    return 0;
}

} // namespace

void SourceFile::Close() {
    if (m_handle >= 0)
        close(static_cast<int>(m_handle));
    m_handle = -1;
}

Failure SourceFile::Open(const std::string& path) {
    Close();
    m_path = path;
    // Looked at before opening: opening a FIFO or a device can block or act.
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return SourceFailure(path, kNotRegularCause);
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return SourceFailure(path, ErrorText(errno));
    m_handle = fd;
    // And again on what was opened, in case the path changed meanwhile.
    if (fstat(fd, &info) != 0)
        return SourceFailure(path, ErrorText(errno));
    if (S_ISDIR(info.st_mode))
        return SourceFailure(path, ErrorText(EISDIR));
    if (!S_ISREG(info.st_mode))
        return SourceFailure(path, kNotRegularCause);
    m_size = info.st_size;
    m_identity = IdentityOf(info);
    return {};
}

std::int64_t SourceFile::CurrentSize() const {
    struct stat info {};
    return fstat(static_cast<int>(m_handle), &info) == 0 ? info.st_size : -1;
}

Expected<std::int64_t> SourceFile::ReadAt(void* buffer, std::int64_t bytes, std::int64_t offset) {
    return ReadAtHandle(m_handle, buffer, bytes, offset, FailureKind::Source, m_path);
}

Failure CheckDestination(const std::string& dest, const FileIdentity& source) {
    struct stat info {};
    if (stat(dest.c_str(), &info) == 0 && SameFile(IdentityOf(info), source))
        return DestinationFailure(dest, kIsTheSourceCause);
    return CheckDestinationKind(dest);
}

Failure CheckDestinationKind(const std::string& dest) {
    struct stat info {};
    if (lstat(dest.c_str(), &info) != 0)
        return {}; // nothing there yet: creating it is checked later
    if (S_ISDIR(info.st_mode))
        return DestinationFailure(dest, ErrorText(EISDIR));
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
        return DestinationFailure(dest, kNotRegularCause);
    return {};
}

TemporaryOutput::TemporaryOutput(std::string destination) : m_destination(std::move(destination)) {}

TemporaryOutput::~TemporaryOutput() {
    if (m_handle < 0)
        return;
    close(static_cast<int>(m_handle));
    if (m_named && !m_committed)
        unlink(m_path.c_str());
}

Failure TemporaryOutput::Create() {
    const auto fail = [&](int error) {
        return DestinationFailure(m_destination, ErrorText(error));
    };
    const std::string folder = FolderOf(m_destination);
    const std::string name = std::filesystem::path(m_destination).filename().string();
    errno = 0;
    const long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameMax < 0 && errno != 0)
        return fail(errno);
    if (nameMax > 0 && name.size() > static_cast<std::size_t>(nameMax))
        return fail(ENAMETOOLONG);
    // Every name the file will have must fit the system's limit on paths,
    // or the job would fail only at its very end: the destination's, and
    // the hidden one it may pass through.
    if (std::max(m_destination.size(), HiddenName(folder).size()) >= PATH_MAX)
        return fail(ENAMETOOLONG);
    RemoveLeftovers(folder);

    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
        m_handle = fd;
        m_path = ProcPath(fd);
        // Linked under a hidden name for a replacing move, it is still a
        // live job's file.
        LockForLife(fd, true);
        return {};
    }
    // File systems without unnamed files (FAT, network shares) get a hidden
    // name instead; a killed run may leave that file behind, and the next
    // job into the folder removes it.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return fail(errno);
    fd = CreateHidden(folder, m_path);
    if (fd < 0)
        return fail(errno);
    m_handle = fd;
    m_named = true;
    return {};
}

Failure TemporaryOutput::WriteAt(const void* data, std::int64_t bytes, std::int64_t offset) {
    const auto* from = static_cast<const char*>(data);
    for (std::int64_t done = 0; done < bytes;) {
        const ssize_t put = pwrite(static_cast<int>(m_handle), from + done,
                                   static_cast<size_t>(bytes - done), offset + done);
        if (put > 0) {
            done += put;
        } else if (put == 0 || errno != EINTR) {
            return DestinationFailure(m_destination, ErrorText(put == 0 ? EIO : errno));
        }
    }
    return {};
}

Expected<std::int64_t> TemporaryOutput::ReadAt(void* buffer, std::int64_t bytes,
                                               std::int64_t offset) {
    return ReadAtHandle(m_handle, buffer, bytes, offset, FailureKind::Destination, m_destination);
}

Failure TemporaryOutput::Commit(bool replace) {
    const auto fail = [&](int error) {
        if (error == EEXIST)
            return Failure{FailureKind::DestinationExists, m_destination, kExistsCause};
        return DestinationFailure(m_destination, ErrorText(error));
    };
    const int fd = static_cast<int>(m_handle);
    // A network file system may report a failed write only when the file is
    // closed; closing a duplicate asks for that report while the file can
    // still be abandoned.
    if (const int copy = dup(fd); copy < 0 || close(copy) != 0)
        return fail(errno);
    struct stat old {};
    if (replace && lstat(m_destination.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // The replacement keeps what the user set on the file it replaces.
        // The owner only where the process may give it (as root); the mode
        // last, since a change of owner clears the set-id bits.
        if (fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            return fail(errno);
        if (fchmod(fd, old.st_mode & 07777) != 0)
            return fail(errno);
        // The access control list holds the mode's bits too: it comes after.
        if (const int error = CopyAttributes(m_destination.c_str(), fd); error != 0)
            return fail(error);
    }

    std::string from = m_path;
    if (!m_named) {
        // An unnamed file can only be linked to a name that is free.
        if (!replace) {
            if (linkat(AT_FDCWD, m_path.c_str(), AT_FDCWD, m_destination.c_str(),
                       AT_SYMLINK_FOLLOW) != 0)
                return fail(errno);
            m_committed = true;
            return {};
        }
        for (;;) {
            from = HiddenName(FolderOf(m_destination));
            if (linkat(AT_FDCWD, m_path.c_str(), AT_FDCWD, from.c_str(), AT_SYMLINK_FOLLOW) == 0)
                break;
            if (errno != EEXIST)
                return fail(errno);
        }
    }
    const int moved = replace ? std::rename(from.c_str(), m_destination.c_str())
                              : RenameNoReplace(from.c_str(), m_destination.c_str());
    if (moved != 0) {
        const int error = errno;
        if (!m_named)
            unlink(from.c_str());
        return fail(error);
    }
    m_committed = true;
    return {};
}

std::int64_t TemporaryOutput::Size() const {
    struct stat info {};
    return fstat(static_cast<int>(m_handle), &info) == 0 ? info.st_size : 0;
}

bool PathIdentity(const std::string& path, FileIdentity* identity) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return false;
    *identity = IdentityOf(info);
    return true;
}

bool SpareFilesAllowed() {
    return true;
}
