// How everything in the conversion library says that something failed: what
// failed, the file it concerns, and the cause in words. The job, the probe
// and both programs read the same value.
#pragma once

#include <string>
#include <utility>

enum class FailureKind {
    None,
    Source,            // the recording could not be opened or read
    Destination,       // the result could not be written where asked
    DestinationExists, // the destination exists, or appeared, and may not be replaced
    NotARecording,     // the source holds too little of a recording to convert
    Cancelled,         // the caller asked the job to stop
};

struct Failure {
    FailureKind kind = FailureKind::None;
    std::string file;
    std::string cause;

    explicit operator bool() const { return kind != FailureKind::None; }
    // "FILE: cause", as both programs show it.
    std::string Message() const { return file + ": " + cause; }
};

// The cause given when the system has no memory left for a conversion.
inline constexpr const char* kOutOfMemoryCause = "not enough memory";
// The cause given when the caller stopped the job.
inline constexpr const char* kCancelledCause = "cancelled";

inline Failure SourceFailure(std::string file, std::string cause) {
    return {FailureKind::Source, std::move(file), std::move(cause)};
}
inline Failure DestinationFailure(std::string file, std::string cause) {
    return {FailureKind::Destination, std::move(file), std::move(cause)};
}
