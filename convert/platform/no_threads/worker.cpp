// Workers where the platform has no threads: every task is done inline by
// its owner.
#include "convert/platform/worker.h"

struct Worker::Thread {};

Worker::Worker() = default;
Worker::~Worker() = default;

bool Worker::Start(std::function<void(std::stop_token)>) {
    return false;
}

void Worker::Stop() {}

bool Worker::Running() const {
    return false;
}

bool ThreadsEnabled() {
    return false;
}

void EnableThreads(bool) {}
