#include "convert/media_output.h"

#include <algorithm>
#include <cctype>

#include "convert/avi_output.h"
#include "convert/mp4_output.h"

OutputFormat FormatOfName(const std::string& path) {
    constexpr std::string_view kMp4 = ".mp4";
    if (path.size() < kMp4.size())
        return OutputFormat::Avi;
    const bool mp4 =
        std::equal(kMp4.begin(), kMp4.end(), path.end() - kMp4.size(),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    return mp4 ? OutputFormat::Mp4 : OutputFormat::Avi;
}

const char* ExtensionOf(OutputFormat format) {
    return format == OutputFormat::Mp4 ? "mp4" : "avi";
}

std::unique_ptr<MediaOutput> MakeOutput(OutputFormat format) {
    if (format == OutputFormat::Mp4)
        return std::make_unique<Mp4Output>();
    return std::make_unique<AviOutput>();
}
