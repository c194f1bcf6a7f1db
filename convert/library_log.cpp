#include "convert/library_log.h"

#include <cstdarg>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Plain bytes, not a std::string: a thread-local with a destructor makes
// the C library register it on the thread's first use, which aborts the
// process when memory is short, and the log may be written on any thread
// (the sound encoder's among them), where nothing may throw.
thread_local char t_lastError[512];

void Log(void* object, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_ERROR)
        return;
    char line[sizeof t_lastError];
    int printPrefix = 0;
    av_log_format_line2(object, level, format, arguments, line, sizeof line, &printPrefix);
    std::size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == ' '))
        --length;
    if (length == 0)
        return;
    std::memcpy(t_lastError, line, length);
    t_lastError[length] = '\0';
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
    t_lastError[0] = '\0';
}
