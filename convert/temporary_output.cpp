#include "convert/temporary_output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

TemporaryOutput::TemporaryOutput(std::string destination) : m_destination(std::move(destination)) {}

TemporaryOutput::~TemporaryOutput() {
    if (!m_path.empty() && !m_committed)
        unlink(m_path.c_str());
}

std::string TemporaryOutput::Create() {
    std::filesystem::path folder = std::filesystem::path(m_destination).parent_path();
    if (folder.empty())
        folder = ".";
    // A short name of our own: the destination's name may already be as long
    // as the file system allows.
    const std::string pattern = (folder / ".veltrano-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return std::strerror(errno);
    m_path = name.data();
    // mkstemp makes the file private; the result should get the permissions
    // any new file of the user gets.
    const mode_t mask = umask(0);
    umask(mask);
    const bool modeSet = fchmod(fd, 0666 & ~mask) == 0;
    const int modeError = errno;
    close(fd);
    if (!modeSet)
        return std::strerror(modeError);
    return {};
}

std::string TemporaryOutput::Commit() {
    if (std::rename(m_path.c_str(), m_destination.c_str()) != 0)
        return std::strerror(errno);
    m_committed = true;
    return {};
}
