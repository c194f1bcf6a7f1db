#include "cli/job_plan.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "cli/safe_text.h"
#include "cli/utf8_path.h"
#include "convert/platform/files.h"

namespace fs = std::filesystem;

namespace {

// Two spellings of one path ("a/../b.avi", "./b.avi") must compare equal; the
// files need not exist yet.
std::string ComparablePath(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(FsPath(path), ec);
    if (ec)
        return Utf8(FsPath(path).lexically_normal());
    fs::path canonical = fs::weakly_canonical(absolute, ec);
    return Utf8(ec ? absolute.lexically_normal() : canonical);
}

// FAT cards and Windows take "Clip.avi" and "clip.avi" for one name.
std::string CaseFolded(std::string path) {
    for (char& c : path)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return path;
}

// A source of the run as the plan compares destinations with it: by the
// file it is, and by its path, for a source that does not exist (yet).
struct PlannedSource {
    std::string key;
    FileIdentity identity;
    bool exists = false;
};

bool IsFile(const PlannedSource& source, bool destExists, const FileIdentity& dest) {
    return destExists && source.exists && SameFile(source.identity, dest);
}

std::string DestinationFor(const CommandOptions& options, const std::string& source) {
    if (!options.outputFile.empty())
        return options.outputFile;
    if (options.outputDir.empty())
        return DefaultDestination(source, options.format);
    const std::string name = Utf8(FsPath(DefaultDestination(source, options.format)).filename());
    // Joined with the separator the user wrote: '/' unless the folder was
    // given with the system's own (Windows' '\'), so messages show the path
    // the way it was typed.
    const std::string& dir = options.outputDir;
    const char preferred = static_cast<char>(fs::path::preferred_separator);
    const char separator = dir.find(preferred) != std::string::npos ? preferred : '/';
    if (dir.back() == '/' || dir.back() == preferred)
        return dir + name;
    return dir + separator + name;
}

} // namespace

std::string DefaultDestination(const std::string& source, OutputFormat format) {
    fs::path path = FsPath(source);
    // A trailing separator leaves no file name to derive from; name the
    // result after the folder instead of writing "dir/.avi".
    if (!path.has_filename())
        path = path.parent_path();
    return Utf8(path.replace_extension(std::string(".") + ExtensionOf(format)));
}

std::string SkippedLine(const std::string& source, const std::string& dest) {
    return SafeText(source) + ": skipped: " + SafeText(dest) + " exists";
}

std::vector<PlannedJob> PlanJobs(const CommandOptions& options) {
    // Every source is known before any job runs: converting one over another
    // would destroy a recording that is still to be read, or was just read.
    std::vector<PlannedSource> sources;
    for (const std::string& source : options.sources) {
        PlannedSource planned{ComparablePath(source), {}, false};
        planned.exists = PathIdentity(source, &planned.identity);
        sources.push_back(std::move(planned));
    }
    struct Claim {
        std::string source, dest;
    };
    std::map<std::string, Claim> claimed;       // destination -> the earlier job writing it
    std::map<std::string, Claim> claimedFolded; // the same, by case-folded destination
    std::vector<PlannedJob> jobs;
    for (std::size_t i = 0; i < options.sources.size(); ++i) {
        const std::string& source = options.sources[i];
        PlannedJob job{source, DestinationFor(options, source), {}};
        const std::string key = ComparablePath(job.dest);
        FileIdentity destIdentity;
        const bool destExists = PathIdentity(job.dest, &destIdentity);
        const bool isOwnSource = IsFile(sources[i], destExists, destIdentity);
        std::size_t other = sources.size();
        for (std::size_t j = 0; j < sources.size(); ++j)
            if (j != i && (IsFile(sources[j], destExists, destIdentity) || sources[j].key == key))
                other = j;
        std::error_code ec;
        if (isOwnSource) {
            // Left to the converter, which refuses it with or without --force
            // and says why.
        } else if (other < sources.size()) {
            const std::string& spelled = options.sources[other];
            job.refusal = SafeText(job.dest) + ": is also a source of this run" +
                          (spelled == job.dest ? "" : " (as " + SafeText(spelled) + ")") +
                          "; not overwriting it";
        } else if (auto earlier = claimed.find(key); earlier != claimed.end()) {
            job.refusal = SafeText(job.dest) + ": is already the destination of " +
                          SafeText(earlier->second.source) + " in this run; not overwriting it";
        } else if (auto folded = claimedFolded.find(CaseFolded(key));
                   options.force && folded != claimedFolded.end()) {
            // Without --force the second one is refused when its file turns out
            // to exist; with it, it would replace the first one's result.
            job.refusal = SafeText(job.dest) + ": differs only in letter case from " +
                          SafeText(folded->second.dest) + ", the destination of " +
                          SafeText(folded->second.source) + " in this run; not overwriting it";
        } else if (const Failure failure = CheckDestinationKind(job.dest)) {
            job.refusal = SafeMessage(failure);
        } else if (!options.force && fs::exists(fs::symlink_status(FsPath(job.dest), ec))) {
            job.skipped = options.noClobber;
            job.refusal = job.skipped
                              ? SkippedLine(source, job.dest)
                              : SafeText(job.dest) + ": already exists; use --force to replace it";
        }
        // A refused job still claims its destination: a later source must not
        // write there either, or the run's outcome would depend on the order.
        claimed.emplace(key, Claim{source, job.dest});
        claimedFolded.emplace(CaseFolded(key), Claim{source, job.dest});
        jobs.push_back(std::move(job));
    }
    return jobs;
}
