#include "cli/job_plan.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "cli/utf8_path.h"
#include "convert/file_layer.h"

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

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(FsPath(a), FsPath(b), ec) && !ec;
}

std::string DestinationFor(const CommandOptions& options, const std::string& source) {
    if (!options.outputFile.empty())
        return options.outputFile;
    if (options.outputDir.empty())
        return DefaultDestination(source);
    const std::string name = Utf8(FsPath(DefaultDestination(source)).filename());
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

std::string DefaultDestination(const std::string& source) {
    fs::path path = FsPath(source);
    // A trailing separator leaves no file name to derive from; name the
    // result after the folder instead of writing "dir/.avi".
    if (!path.has_filename())
        path = path.parent_path();
    return Utf8(path.replace_extension(".avi"));
}

std::vector<PlannedJob> PlanJobs(const CommandOptions& options) {
    std::vector<PlannedJob> jobs;
    std::map<std::string, std::string> claimed; // destination -> the earlier source writing it
    for (const std::string& source : options.sources) {
        PlannedJob job{source, DestinationFor(options, source), {}};
        const std::string key = ComparablePath(job.dest);
        std::error_code ec;
        if (auto earlier = claimed.find(key); earlier != claimed.end()) {
            job.refusal = job.dest + ": is already the destination of " + earlier->second +
                          " in this run; not overwriting it";
        } else if (const Failure failure = CheckDestinationKind(job.dest)) {
            job.refusal = failure.Message();
        } else if (!options.force && fs::exists(fs::symlink_status(FsPath(job.dest), ec)) &&
                   !SameFile(source, job.dest)) {
            // A destination that is the source itself is left to the converter,
            // which refuses it with or without --force.
            job.refusal = job.dest + ": already exists; use --force to replace it";
        }
        // A refused job still claims its destination: a later source must not
        // write there either, or the run's outcome would depend on the order.
        claimed.emplace(key, source);
        jobs.push_back(std::move(job));
    }
    return jobs;
}
