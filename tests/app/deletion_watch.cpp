#include "tests/app/deletion_watch.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<const void*> g_watched{nullptr};
std::atomic<bool> g_deleted{false};
} // namespace

void WatchDeletion(const void* object) {
    g_deleted = false;
    g_watched = object;
}

bool WatchedObjectDeleted() {
    return g_deleted;
}

void* operator new(std::size_t size) {
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    if (memory && memory == g_watched.load()) {
        g_deleted = true;
        g_watched = nullptr;
    }
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    operator delete(memory);
}
