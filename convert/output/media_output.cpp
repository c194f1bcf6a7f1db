#include "convert/output/media_output.h"

#include <algorithm>
#include <cctype>

const char* ExtensionOf(OutputFormat format) {
    return format == OutputFormat::Mp4 ? "mp4" : "avi";
}

bool HasExtension(const std::string& path, OutputFormat format) {
    const std::string extension = std::string(".") + ExtensionOf(format);
    return path.size() >= extension.size() &&
           std::equal(
               extension.begin(), extension.end(), path.end() - extension.size(),
               [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

OutputFormat FormatOfName(const std::string& path) {
    return HasExtension(path, OutputFormat::Mp4) ? OutputFormat::Mp4 : OutputFormat::Avi;
}
