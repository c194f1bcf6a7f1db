// The AVI is written beside its destination under a temporary name and
// renamed over the destination only once it is complete, so a failed or
// interrupted conversion never leaves a half-written file or harms an
// existing one.
#pragma once

#include <string>

class TemporaryOutput {
public:
    explicit TemporaryOutput(std::string destination);
    ~TemporaryOutput(); // removes the temporary file unless committed
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    // Creates the temporary file in the destination's folder. An empty
    // string on success, otherwise the cause.
    std::string Create();
    const std::string& Path() const { return m_path; }
    // Renames the finished file over the destination.
    std::string Commit();

private:
    std::string m_destination;
    std::string m_path;
    bool m_committed = false;
};
