#include "convert/conversion.h"

#include <new>

#include "convert/library_log.h"
#include "convert/output/output_factory.h"
#include "convert/output_sink.h"
#include "convert/picture_format.h"
#include "convert/platform/files.h"
#include "convert/seam_sink.h"
#include "convert/source/recording.h"

namespace {

using Recordings = std::vector<std::unique_ptr<Recording>>;

// The file a failure of the whole job names: the last source read.
const std::string& JobFile(const ConversionRequest& request) {
    return request.sources.empty() ? request.dest : request.sources.back();
}

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
        return {FailureKind::Cancelled, JobFile(request), kCancelledCause};
    if (Failure failure = temporary.Commit(request.replace))
        return failure;
    stats.outputBytes = temporary.Size();
    carryOn(stats.fileSize, stats.fileSize);
    return {};
}

// Opens every source in order, none of which may be the destination; the
// first that fails fails the whole.
Failure OpenSources(const ConversionRequest& request, Recordings& recordings) {
    if (request.sources.empty())
        return SourceFailure(request.dest, "no source to convert");
    for (const std::string& path : request.sources) {
        auto recording = std::make_unique<Recording>();
        if (Failure failure = OpenRecording(path, request.fallbackRate, *recording))
            return failure;
        if (Failure failure = CheckDestination(request.dest, recording->file.Identity())) {
            if (request.sources.size() > 1 && failure.cause == kIsTheSourceCause)
                failure.cause = "is one of the recordings joined; choose another destination";
            return failure;
        }
        recordings.push_back(std::move(recording));
    }
    return {};
}

std::string RateText(const Recording& recording) {
    return std::to_string(recording.rate) +
           (recording.rateFromHeader ? " fps (from its header)" : " fps (the fallback rate)");
}

// Joined recordings play as one: each at the first one's frame rate.
Failure CheckSameRate(const Recordings& recordings) {
    const Recording& first = *recordings.front();
    for (const std::unique_ptr<Recording>& recording : recordings) {
        if (recording->rate != first.rate)
            return SourceFailure(recording->path, "plays at " + RateText(*recording) + ", but " +
                                                      first.path + " at " + RateText(first) +
                                                      "; joined recordings need one frame rate");
    }
    return {};
}

std::string SizeText(const PictureFormat& picture) {
    return std::to_string(picture.width) + "x" + std::to_string(picture.height);
}

// The picture the output declares: the first source's. Joined recordings
// must show pictures of one size, where their streams say (a source whose
// first megabytes hold no key frame that decodes says nothing).
Expected<PictureFormat> JoinedPicture(Recordings& recordings) {
    PictureFormat declared;
    const Recording* sized = nullptr; // the first whose stream gives a size
    PictureFormat size;
    for (const std::unique_ptr<Recording>& recording : recordings) {
        Expected<PictureFormat> picture =
            FindPictureFormat(recording->file, recording->file.Size());
        if (!picture)
            return picture.TakeFailure();
        if (recording == recordings.front())
            declared = *picture;
        if (!picture->fromStream)
            continue;
        if (sized != nullptr && !picture->SameSize(size))
            return SourceFailure(recording->path, "shows pictures of " + SizeText(*picture) +
                                                      ", but " + sized->path + " of " +
                                                      SizeText(size) +
                                                      "; joined recordings need one picture size");
        if (sized == nullptr) {
            sized = recording.get();
            size = *picture;
        }
    }
    return declared;
}

ConversionStats StartingStats(const ConversionRequest& request, const Recordings& recordings) {
    ConversionStats stats;
    stats.frameRate = recordings.front()->rate;
    stats.rateFromHeader = true;
    for (const std::unique_ptr<Recording>& recording : recordings) {
        stats.rateFromHeader = stats.rateFromHeader && recording->rateFromHeader;
        stats.sizeAtStart += recording->file.Size();
    }
    stats.fileSize = stats.sizeAtStart;
    stats.format = request.format;
    return stats;
}

Expected<ConversionStats> Convert(const ConversionRequest& request, const CarryOn& carryOn) {
    Recordings recordings;
    if (Failure failure = OpenSources(request, recordings))
        return failure;
    if (Failure failure = CheckSameRate(recordings))
        return failure;
    ConversionStats stats = StartingStats(request, recordings);

    Expected<PictureFormat> picture = JoinedPicture(recordings);
    if (!picture)
        return picture.TakeFailure();
    stats.picture = *picture;

    TemporaryOutput temporary(request.dest);
    if (Failure failure = temporary.Create())
        return failure;
    const std::unique_ptr<MediaOutput> output = MakeOutput(request.format);
    if (Failure failure = output->Open(temporary, stats.frameRate, stats.picture))
        return failure;

    ChunkSource source(std::move(recordings));
    OutputSink outputSink(*output, stats);
    SeamSink sink(outputSink, source, *output, stats);
    if (Failure failure = RunPipeline(source, sink, carryOn))
        return failure;
    sink.Finish();
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
        return SourceFailure(JobFile(request), kOutOfMemoryCause);
    }
}
