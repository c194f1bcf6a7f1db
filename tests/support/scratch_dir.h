// A fresh folder for one test's files, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

// A new empty folder under the system's temporary folder.
std::filesystem::path NewScratchFolder();

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The path of `name` inside the folder.
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
