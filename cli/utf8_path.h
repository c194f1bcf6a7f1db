// Paths in this program are UTF-8 strings. std::filesystem reads and writes
// narrow strings in the system's code page, which on Windows is not UTF-8,
// so every conversion goes through these.
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
