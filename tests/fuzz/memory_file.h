// The fuzz input as a file the file layer can open by path, kept in memory
// where the system allows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class MemoryFile {
public:
    explicit MemoryFile(const std::vector<std::uint8_t>& bytes);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& Path() const { return m_path; }
    // Empty unless the file could not be made.
    const std::string& Error() const { return m_error; }

private:
    int m_fd = -1;
    std::string m_path;
    std::string m_error;
};
