#include "convert/source_file.h"

#include <cerrno>
#include <cstring>

namespace {

std::string SystemError(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

} // namespace

std::string OpenSource(const std::string& path, SourceFile& source) {
    source.file.reset(std::fopen(path.c_str(), "rb"));
    if (!source.file)
        return SystemError(errno);
    std::FILE* file = source.file.get();
    if (fstat(fileno(file), &source.info) != 0)
        return SystemError(errno);
    if (S_ISDIR(source.info.st_mode))
        return SystemError(EISDIR);

    errno = 0;
    source.headerBytes = std::fread(source.header, 1, kHeaderBytes, file);
    if (std::ferror(file))
        return SystemError(errno);
    if (fseeko(file, 0, SEEK_END) != 0)
        return SystemError(errno);
    const off_t size = ftello(file);
    if (size < 0)
        return SystemError(errno);
    source.size = size;
    if (fseeko(file, 0, SEEK_SET) != 0)
        return SystemError(errno);
    return {};
}
