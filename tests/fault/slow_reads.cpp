// Preloaded into veltrano-convert by the fault matrix: every read of the
// file being written (an unnamed or hidden temporary file) takes a fifth of
// a second, as reads from a slow card or a network share do, so the passes
// that read it back (the MP4's index moved to the front) last long enough
// to be interrupted. The first such read creates the file named by
// VELTRANO_SLOW_READS_STARTED, for the test to know the pass has begun.
// Both names of the call are replaced, so the build's choice of file
// offsets stays out of it.
#undef _FILE_OFFSET_BITS
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool IsOutput(int fd) {
    char link[64];
    char target[4096] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, target, sizeof target - 1);
    return length > 0 && (std::strstr(target, " (deleted)") != nullptr ||
                          std::strstr(target, "/.veltrano-") != nullptr);
}

void SlowDown() {
    static bool announced = false;
    if (!announced) {
        announced = true;
        if (const char* mark = std::getenv("VELTRANO_SLOW_READS_STARTED"))
            close(open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    }
    const timespec delay{0, 200'000'000};
    nanosleep(&delay, nullptr); // a signal may cut it short, as it would the device's wait
}

} // namespace

extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    static auto* const realPread =
        reinterpret_cast<ssize_t (*)(int, void*, size_t, off_t)>(dlsym(RTLD_NEXT, "pread"));
    if (IsOutput(fd))
        SlowDown();
    return realPread(fd, buffer, count, offset);
}

extern "C" ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset) {
    static auto* const realPread =
        reinterpret_cast<ssize_t (*)(int, void*, size_t, off64_t)>(dlsym(RTLD_NEXT, "pread64"));
    if (IsOutput(fd))
        SlowDown();
    return realPread(fd, buffer, count, offset);
}
