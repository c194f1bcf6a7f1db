// A memfd, reached through /proc: no disk traffic per fuzz input.
#include "tests/fuzz/memory_file.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

MemoryFile::MemoryFile(const std::vector<std::uint8_t>& bytes)
    : m_fd(memfd_create("veltrano-fuzz", MFD_CLOEXEC)) {
    std::size_t done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        const ssize_t wrote = write(m_fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0) {
            close(m_fd);
            m_fd = -1;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (m_fd < 0)
        m_error = std::strerror(errno != 0 ? errno : EIO);
    else
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
}

MemoryFile::~MemoryFile() {
    if (m_fd >= 0)
        close(m_fd);
}
