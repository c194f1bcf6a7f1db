// What the jobs of one run report, from whichever thread runs them: whole
// lines that never interleave, the tally, and on a terminal the one line
// that shows the whole batch.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "cli/progress_bar.h"

enum class Outcome { Converted, Skipped, Failed, Cancelled };

class BatchReport {
public:
    // Summaries go to `out`, errors and the batch line to `err`.
    BatchReport(std::ostream& out, std::ostream& err);

    // Shows the batch line from now on: one job per entry of `sizes`, each
    // the size of its source (0 for a job that reads nothing). Call before
    // any job runs.
    void ShowBatchLine(std::vector<std::int64_t> sizes, ProgressBar::Width width,
                       ProgressBar::Clock clock = ProgressBar::SteadyClock());
    // Erases the batch line for good, before the tally.
    void EndBatchLine();

    // From job `job`'s progress callback; nothing without a batch line.
    void Progress(std::size_t job, std::int64_t bytesRead, std::int64_t fileSize);
    // Job `job` ended: `line` is its summary for `out` when it converted,
    // otherwise its line for `err` ("FILE: cause", or the skipped job's),
    // safe to print; empty: nothing to print. Its source then counts as read.
    void Finished(std::size_t job, Outcome outcome, const std::string& line);
    // A line of the run itself on `err` ("veltrano-convert: " + message).
    void RunLine(const std::string& message);

    int Converted() const;
    int Failed() const; // cancelled ones included
    bool AnyCancelled() const;
    // "2 converted, 1 failed": what became of the sources, the skipped and
    // the `unstarted` ones counted when there are any.
    std::string Tally(std::size_t unstarted) const;

private:
    struct Job {
        std::int64_t read = 0;
        std::int64_t size = 0;
    };
    void SetJob(Job& job, std::int64_t read, std::int64_t size);
    void Print(std::ostream& to, const std::string& line);

    std::ostream& m_out;
    std::ostream& m_err;
    mutable std::mutex m_mutex;
    int m_converted = 0;
    int m_skipped = 0;
    int m_failed = 0;
    bool m_cancelled = false;
    // The batch line's state.
    std::unique_ptr<ProgressBar> m_line;
    std::vector<Job> m_jobs;
    std::int64_t m_read = 0;
    std::int64_t m_size = 0;
    int m_done = 0;
};
