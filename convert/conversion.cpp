#include "convert/conversion.h"

#include <new>

#include "convert/library_log.h"
#include "convert/output/output_factory.h"
#include "convert/output_sink.h"
#include "convert/picture_format.h"
#include "convert/platform/files.h"
#include "convert/source/recording.h"

namespace {

// Completes the output and moves it into place, unless the caller stops the
// job first.
Failure Finish(const ConversionRequest& request, const CarryOn& carryOn, MediaOutput& output,
               TemporaryOutput& temporary, ConversionStats& stats) {
    if (Failure failure = output.Close())
        return failure;
    // Blocks an MP4's encoder could not decode are dropped as damage is.
    const OutputNotes notes = output.Notes();
    stats.audioPackets -= notes.undecodableBlocks;
    stats.damagedChunks += notes.undecodableBlocks;
    stats.soundSamplesLeftOut = notes.soundSamplesLeftOut;
    // The last moment to stop: once the file is in place, it stays.
    if (!carryOn(stats.fileSize - 1, stats.fileSize))
        return {FailureKind::Cancelled, request.source, kCancelledCause};
    if (Failure failure = temporary.Commit(request.replace))
        return failure;
    stats.outputBytes = temporary.Size();
    carryOn(stats.fileSize, stats.fileSize);
    return {};
}

Expected<ConversionStats> Convert(const ConversionRequest& request, const CarryOn& carryOn) {
    auto recording = std::make_unique<Recording>();
    if (Failure failure = OpenRecording(request.source, request.fallbackRate, *recording))
        return failure;
    if (Failure failure = CheckDestination(request.dest, recording->file.Identity()))
        return failure;
    ConversionStats stats;
    stats.frameRate = recording->rate;
    stats.rateFromHeader = recording->rateFromHeader;
    stats.sizeAtStart = stats.fileSize = recording->file.Size();
    stats.format = request.format;

    Expected<PictureFormat> picture = FindPictureFormat(recording->file, stats.sizeAtStart);
    if (!picture)
        return picture.TakeFailure();
    stats.picture = *picture;

    TemporaryOutput temporary(request.dest);
    if (Failure failure = temporary.Create())
        return failure;
    const std::unique_ptr<MediaOutput> output = MakeOutput(request.format);
    if (Failure failure = output->Open(temporary, stats.frameRate, stats.picture))
        return failure;

    std::vector<std::unique_ptr<Recording>> recordings;
    recordings.push_back(std::move(recording));
    ChunkSource source(std::move(recordings));
    OutputSink sink(*output, stats);
    if (Failure failure = RunPipeline(source, sink, carryOn))
        return failure;
    stats.damagedChunks = source.DamagedChunks() + stats.undecodableKeyFrames;
    stats.fileSize = source.Size();
    stats.videoSlots = output->VideoSlotsInFile();
    source.Close();
    if (Failure failure = Finish(request, carryOn, *output, temporary, stats))
        return failure;
    return stats;
}

} // namespace

Expected<ConversionStats> ConvertRecording(const ConversionRequest& request,
                                           const CarryOn& carryOn) {
    RouteLibraryLog();
    ClearLibraryError();
    try {
        return Convert(request, carryOn);
    } catch (const std::bad_alloc&) {
        // Everything the conversion opened has been released on the way out.
        return SourceFailure(request.source, kOutOfMemoryCause);
    }
}
