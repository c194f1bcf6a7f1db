#include "cli/job_pool.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

std::size_t RunInOrder(std::size_t count, int workers, const std::function<bool()>& mayStart,
                       const std::function<void(std::size_t)>& run) {
    std::mutex mutex;
    std::size_t next = 0;
    bool stopped = false;
    std::exception_ptr error;
    // Each worker takes the next job as soon as it is free, so a long job
    // does not hold up the ones after it.
    const auto work = [&] {
        for (;;) {
            std::size_t job = 0;
            {
                std::lock_guard lock(mutex);
                stopped = stopped || next == count || !mayStart();
                if (stopped)
                    return;
                job = next++;
            }
            try {
                run(job);
            } catch (...) {
                // Left to the caller, as on one thread; nothing more starts.
                std::lock_guard lock(mutex);
                error = error ? error : std::current_exception();
                stopped = true;
                return;
            }
        }
    };
    const std::size_t helpers =
        std::min<std::size_t>(std::size_t(std::max(workers, 1)) - 1, count > 0 ? count - 1 : 0);
    std::vector<std::jthread> threads;
    // Out of threads or memory for them: fewer jobs at once, but every one.
    try {
        threads.reserve(helpers);
        for (std::size_t i = 0; i < helpers; ++i)
            threads.emplace_back(work);
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    work();
    threads.clear(); // joins them
    if (error)
        std::rethrow_exception(error);
    return next;
}
