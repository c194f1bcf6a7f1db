// One task on a thread of its own, where the platform has threads: the
// read-ahead and the MP4's sound encoder use it. Where there are none (the
// build chose so, or a test turned them off) Start says so, and the owner
// does the same work on the caller's thread, with the same results.
#pragma once

#include <functional>
#include <memory>
#include <stop_token>

class Worker {
public:
    Worker();
    ~Worker(); // stops the task and waits for it
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Runs `task` on a new thread; false when there are no threads to run
    // it on. The task returns once its stop token says so.
    bool Start(std::function<void(std::stop_token)> task);
    // Asks the task to stop and waits until it has; nothing when none runs.
    void Stop();
    bool Running() const;

private:
    struct Thread;
    std::unique_ptr<Thread> m_thread;
};

// Whether Worker may start threads: the build's choice, which tests turn
// off to compare the outputs of both ways.
bool ThreadsEnabled();
void EnableThreads(bool enabled);
