// Opening a recording for reading, shared by the conversion and the probe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "convert/source_format.h"

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct SourceFile {
    FilePtr file;
    struct stat info {};
    std::uint8_t header[kHeaderBytes] = {};
    std::size_t headerBytes = 0; // how much of the header the file has
    std::int64_t size = 0;
};

// Opens `path` read-only, reads its header and measures it. An empty string on success, otherwise
// the cause.
std::string OpenSource(const std::string& path, SourceFile& source);
