// Workers on std::jthread: its stop token wakes a task waiting on a
// std::condition_variable_any, and its destructor asks it to stop and joins.
#include "convert/platform/worker.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace {
std::atomic<bool> g_threadsEnabled{true};
} // namespace

struct Worker::Thread {
    std::jthread thread;
};

Worker::Worker() = default;

Worker::~Worker() {
    Stop();
}

bool Worker::Start(std::function<void(std::stop_token)> task) {
    if (!ThreadsEnabled() || Running())
        return false;
    try {
        m_thread = std::make_unique<Thread>(Thread{std::jthread(std::move(task))});
    } catch (const std::system_error&) {
        // The system refused a thread: the owner works inline instead.
        return false;
    }
    return true;
}

void Worker::Stop() {
    m_thread.reset();
}

bool Worker::Running() const {
    return m_thread != nullptr;
}

bool ThreadsEnabled() {
    return g_threadsEnabled.load();
}

void EnableThreads(bool enabled) {
    g_threadsEnabled.store(enabled);
}
