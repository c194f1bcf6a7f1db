#include "tests/support/system_facts.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

std::string ExpectedCause(SystemCause cause) {
    switch (cause) {
    case SystemCause::kNoSuchFile:
    case SystemCause::kNoSuchFolder:
        return std::strerror(ENOENT);
    case SystemCause::kIsADirectory:
        return std::strerror(EISDIR);
    case SystemCause::kNameTooLong:
        return std::strerror(ENAMETOOLONG);
    }
    return {};
}

std::string NonRegularFile(const std::filesystem::path& dir) {
    const std::string fifo = (dir / "fifo").string();
    if (mkfifo(fifo.c_str(), 0600) != 0)
        throw std::runtime_error(fifo + ": " + std::strerror(errno));
    return fifo;
}

const char* WhyNoFileSizeLimit() {
    return nullptr;
}

bool RunWithFileSizeLimit(std::int64_t bytes, const std::function<bool()>& body) {
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // Writes past the limit fail with EFBIG instead of killing the child.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const char* WhyNoGStreamer() {
    return nullptr;
}

void MarkAsUsers(const std::filesystem::path& file) {
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
}

bool MarkedAsUsers(const std::filesystem::path& file) {
    return std::filesystem::status(file).permissions() ==
           (std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

bool LooksNew(const std::filesystem::path& file) {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(std::filesystem::status(file).permissions()) == (0666 & ~mask);
}
