// Preloaded into veltrano-convert by the fault matrix: every allocation
// larger than 1 MiB fails, as it does for a process near its memory limit,
// while the small ones a program starts with still succeed. With
// VELTRANO_FAIL_ALLOC_THREADS set, every allocation on any thread but the
// first fails instead, as when a limit is met just as the helpers start.
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* old, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

constexpr std::size_t kLargest = std::size_t{1} << 20;

bool Refused(std::size_t size) {
    static const bool byThread = std::getenv("VELTRANO_FAIL_ALLOC_THREADS") != nullptr;
    if (byThread ? syscall(SYS_gettid) == getpid() : size <= kLargest)
        return false;
    errno = ENOMEM;
    return true;
}

} // namespace

extern "C" {

void* malloc(std::size_t size) {
    return Refused(size) ? nullptr : __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    return count != 0 && Refused(count * size) ? nullptr : __libc_calloc(count, size);
}

void* realloc(void* old, std::size_t size) {
    return Refused(size) ? nullptr : __libc_realloc(old, size);
}

int posix_memalign(void** to, std::size_t alignment, std::size_t size) {
    if (Refused(size))
        return ENOMEM;
    *to = __libc_memalign(alignment, size);
    return *to != nullptr ? 0 : ENOMEM;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return Refused(size) ? nullptr : __libc_memalign(alignment, size);
}

} // extern "C"
