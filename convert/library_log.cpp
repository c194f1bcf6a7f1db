#include "convert/library_log.h"

#include <cstdarg>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace {

thread_local std::string t_lastError;

void Log(void* object, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_ERROR)
        return;
    char line[512];
    int printPrefix = 0;
    av_log_format_line2(object, level, format, arguments, line, sizeof line, &printPrefix);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (!text.empty())
        t_lastError = std::move(text);
}

} // namespace

void RouteLibraryLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(Log); });
}

std::string LastLibraryError() {
    return t_lastError;
}

void ClearLibraryError() {
    t_lastError.clear();
}
