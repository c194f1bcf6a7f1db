// Windows has no memory file with a path; a file in the scratch folder
// serves (the regression inputs are few).
#include "tests/fuzz/memory_file.h"

#include <filesystem>
#include <fstream>

#include "tests/support/scratch_dir.h"

MemoryFile::MemoryFile(const std::vector<std::uint8_t>& bytes) {
    static const ScratchDir folder;
    const std::filesystem::path path = folder.Path() / "input.264";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        m_error = path.string() + ": cannot be written";
    else
        m_path = path.string();
}

MemoryFile::~MemoryFile() = default;
