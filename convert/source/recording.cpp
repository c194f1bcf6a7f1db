#include "convert/source/recording.h"

namespace {
constexpr const char* kNoChunksCause = "no video or audio chunks found (not a recording?)";
constexpr const char* kTooFewChunksCause =
    "no video frames, and too few audio chunks for a recording (not a recording?)";
} // namespace

bool RecordingEvidence::HoldsARecording() const {
    return intactVideo > 0 || (intactBytes > 0 && intactBytes * 10 >= intactBytes + otherNonZero);
}

Failure NotARecording(const std::string& path, const RecordingEvidence& evidence) {
    return {FailureKind::NotARecording, path,
            evidence.intactChunks == 0 ? kNoChunksCause : kTooFewChunksCause};
}

Failure OpenRecording(const std::string& path, int fallbackRate, Recording& recording) {
    recording.path = path;
    if (Failure failure = recording.file.Open(path))
        return failure;
    while (recording.headerBytes < kHeaderBytes) {
        Expected<std::int64_t> got =
            recording.file.ReadAt(recording.header + recording.headerBytes,
                                  static_cast<std::int64_t>(kHeaderBytes - recording.headerBytes),
                                  static_cast<std::int64_t>(recording.headerBytes));
        if (!got)
            return got.TakeFailure();
        if (*got == 0)
            break; // a short file: the rest of the header reads as zeros
        recording.headerBytes += static_cast<std::size_t>(*got);
    }
    const int headerRate = DecodeHeaderRate(recording.header, recording.headerBytes);
    recording.rateFromHeader = headerRate != 0;
    recording.rate = recording.rateFromHeader ? headerRate : fallbackRate;
    if (!recording.rateFromHeader && (fallbackRate < kMinFrameRate || fallbackRate > kMaxFrameRate))
        return SourceFailure(path, "the recording gives no frame rate and the fallback rate " +
                                       std::to_string(fallbackRate) + " is outside " +
                                       std::to_string(kMinFrameRate) + " to " +
                                       std::to_string(kMaxFrameRate));
    return {};
}
