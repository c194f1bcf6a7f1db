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

// A destination some earlier job of the run writes, and that job's source.
struct Claim {
    std::string source, dest;
};

// What the plan knows when it comes to a job: every source of the run, and
// the destinations the earlier jobs claimed.
struct RunSoFar {
    std::vector<PlannedSource> sources;
    std::map<std::string, Claim> claimed;       // destination -> the earlier job writing it
    std::map<std::string, Claim> claimedFolded; // the same, by case-folded destination
};

// Every source is known before any job runs: converting one over another
// would destroy a recording that is still to be read, or was just read.
std::vector<PlannedSource> PlanSources(const std::vector<std::string>& paths) {
    std::vector<PlannedSource> sources;
    for (const std::string& source : paths) {
        PlannedSource planned{ComparablePath(source), {}, false};
        planned.exists = PathIdentity(source, &planned.identity);
        sources.push_back(std::move(planned));
    }
    return sources;
}

// `why` holds names already made safe to print.
Failure NotOverwriting(const std::string& dest, const std::string& why) {
    return DestinationFailure(dest, why + "; not overwriting it");
}

// Why job `i`, writing `job.dest` (`key` compared), may not run; none when
// it may.
Failure RefusalOf(const PlannedJob& job, std::size_t i, const std::string& key,
                  const CommandOptions& options, const RunSoFar& run) {
    FileIdentity destIdentity;
    const bool destExists = PathIdentity(job.dest, &destIdentity);
    // Its own sources (every one, in a join) are left to the converter,
    // which refuses them with or without --force and says why.
    const auto own = [&](std::size_t j) { return options.join || j == i; };
    for (std::size_t j = 0; j < run.sources.size(); ++j)
        if (own(j) && IsFile(run.sources[j], destExists, destIdentity))
            return {};
    std::size_t other = run.sources.size();
    for (std::size_t j = 0; j < run.sources.size(); ++j)
        if (!own(j) &&
            (IsFile(run.sources[j], destExists, destIdentity) || run.sources[j].key == key))
            other = j;
    if (other < run.sources.size()) {
        const std::string& spelled = options.sources[other];
        return NotOverwriting(job.dest,
                              "is also a source of this run" +
                                  (spelled == job.dest ? "" : " (as " + SafeText(spelled) + ")"));
    }
    if (auto earlier = run.claimed.find(key); earlier != run.claimed.end())
        return NotOverwriting(job.dest, "is already the destination of " +
                                            SafeText(earlier->second.source) + " in this run");
    // Without --force the second one is refused when its file turns out to
    // exist; with it, it would replace the first one's result.
    if (auto folded = run.claimedFolded.find(CaseFolded(key));
        options.force && folded != run.claimedFolded.end())
        return NotOverwriting(job.dest, "differs only in letter case from " +
                                            SafeText(folded->second.dest) +
                                            ", the destination of " +
                                            SafeText(folded->second.source) + " in this run");
    if (Failure failure = CheckDestinationKind(job.dest))
        return failure;
    std::error_code ec;
    if (!options.force && fs::exists(fs::symlink_status(FsPath(job.dest), ec)))
        return {FailureKind::DestinationExists, job.dest, kExistsCause};
    return {};
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

std::vector<PlannedJob> PlanJobs(const CommandOptions& options) {
    RunSoFar run{PlanSources(options.sources), {}, {}};
    std::vector<PlannedJob> jobs;
    for (std::size_t i = 0; i < options.sources.size(); ++i) {
        const std::string& source = options.sources[i];
        PlannedJob job{source, {}, DestinationFor(options, source), {}};
        if (options.join) // one job reads them all
            job.joined.assign(options.sources.begin() + 1, options.sources.end());
        const std::string key = ComparablePath(job.dest);
        job.refusal = RefusalOf(job, i, key, options, run);
        // A refused job still claims its destination: a later source must not
        // write there either, or the run's outcome would depend on the order.
        run.claimed.emplace(key, Claim{source, job.dest});
        run.claimedFolded.emplace(CaseFolded(key), Claim{source, job.dest});
        jobs.push_back(std::move(job));
        if (options.join)
            break;
    }
    return jobs;
}
