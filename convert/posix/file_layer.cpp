// The file layer over POSIX and Linux system calls.
#include "convert/file_layer.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

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

// A hidden name of our own in `folder`, short because the destination's
// name may already be as long as the file system allows.
std::string HiddenName(const std::string& folder) {
    static std::mt19937_64 random{std::random_device{}() ^ static_cast<unsigned>(getpid())};
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = folder + "/.veltrano-";
    for (int i = 0; i < 6; ++i)
        name += letters[random() % (sizeof letters - 1)];
    return name;
}

// Creates a new file under a hidden name; the mode is 0666 under the umask,
// as for any file the user makes.
int CreateHidden(const std::string& folder, std::string& path) {
    for (;;) {
        path = HiddenName(folder);
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
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

// Reads into `buffer`; on failure *failure names `file` as `kind` saw it.
std::int64_t ReadAtHandle(std::intptr_t handle, void* buffer, std::int64_t bytes,
                          std::int64_t offset, Failure* failure, FailureKind kind,
                          const std::string& file) {
    for (;;) {
        const ssize_t got = pread(static_cast<int>(handle), buffer, static_cast<size_t>(bytes),
                                  static_cast<off_t>(offset));
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            *failure = Failure{kind, file, ErrorText(errno)};
            return -1;
        }
    }
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

std::int64_t SourceFile::ReadAt(void* buffer, std::int64_t bytes, std::int64_t offset,
                                Failure* failure) {
    return ReadAtHandle(m_handle, buffer, bytes, offset, failure, FailureKind::Source, m_path);
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

    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
        m_handle = fd;
        m_path = ProcPath(fd);
        return {};
    }
    // File systems without unnamed files (FAT, network shares) get a hidden
    // name instead; a killed run may leave that file behind.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return fail(errno);
    fd = CreateHidden(folder, m_path);
    if (fd < 0)
        return fail(errno);
    m_handle = fd;
    m_named = true;
    return {};
}

std::int64_t TemporaryOutput::WriteAt(const void* data, std::int64_t bytes, std::int64_t offset,
                                      Failure* failure) {
    const auto* from = static_cast<const char*>(data);
    for (std::int64_t done = 0; done < bytes;) {
        const ssize_t put = pwrite(static_cast<int>(m_handle), from + done,
                                   static_cast<size_t>(bytes - done), offset + done);
        if (put > 0) {
            done += put;
        } else if (put == 0 || errno != EINTR) {
            *failure = DestinationFailure(m_destination, ErrorText(put == 0 ? EIO : errno));
            return -1;
        }
    }
    return bytes;
}

std::int64_t TemporaryOutput::ReadAt(void* buffer, std::int64_t bytes, std::int64_t offset,
                                     Failure* failure) {
    return ReadAtHandle(m_handle, buffer, bytes, offset, failure, FailureKind::Destination,
                        m_destination);
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

namespace {

std::atomic<int> g_interrupt{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnInterrupt(int signal) {
    g_interrupt.store(signal);
}

} // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // Whoever started us with the signal ignored (nohup for SIGHUP, a
        // shell for SIGINT in a background job) meant it to be ignored.
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

int InterruptSignal() {
    return g_interrupt.load();
}

void ReraiseInterrupt(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}
