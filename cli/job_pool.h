// Runs the jobs of a batch on several threads at once.
#pragma once

#include <cstddef>
#include <functional>

// Runs run(0) .. run(count - 1), starting them in that order, at most
// `workers` at a time, the calling thread among them. A job starts only
// while mayStart() is true; once it is false no further job starts, and the
// running ones are waited for. Returns how many started. When the system
// gives no more threads, the jobs run on those there are. An exception from
// a job starts no further one and is thrown on once the others have ended.
std::size_t RunInOrder(std::size_t count, int workers, const std::function<bool()>& mayStart,
                       const std::function<void(std::size_t)>& run);
