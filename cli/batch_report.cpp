#include "cli/batch_report.h"

#include <algorithm>

#include "cli/program_name.h"

BatchReport::BatchReport(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

void BatchReport::ShowBatchLine(std::vector<std::int64_t> sizes, ProgressBar::Width width,
                                ProgressBar::Clock clock) {
    m_jobs.resize(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i)
        SetJob(m_jobs[i], 0, sizes[i]);
    m_line = std::make_unique<ProgressBar>(
        m_err, std::move(width),
        [this](std::int64_t read, std::int64_t size, double elapsed, int columns) {
            return RenderBatchLine(m_done, int(m_jobs.size()), read, size, elapsed, columns);
        },
        std::move(clock));
}

void BatchReport::EndBatchLine() {
    std::lock_guard lock(m_mutex);
    m_line.reset(); // erases it
}

// Keeps the sums up to date without adding up every job on each report. A
// source that grows while it converts has a size that grows with it; what
// was read counts only up to the size, so the batch never passes 100 %.
void BatchReport::SetJob(Job& job, std::int64_t read, std::int64_t size) {
    size = std::max<std::int64_t>(size, 0);
    read = std::clamp<std::int64_t>(read, 0, size);
    m_read += read - job.read;
    m_size += size - job.size;
    job.read = read;
    job.size = size;
}

void BatchReport::Progress(std::size_t job, std::int64_t bytesRead, std::int64_t fileSize) {
    if (!m_line) // set before the jobs start, so read without the lock
        return;
    std::lock_guard lock(m_mutex);
    SetJob(m_jobs[job], bytesRead, fileSize);
    m_line->Update(m_read, m_size);
}

void BatchReport::Finished(std::size_t job, Outcome outcome, const std::string& line) {
    std::lock_guard lock(m_mutex);
    if (outcome == Outcome::Converted)
        ++m_converted;
    else if (outcome == Outcome::Skipped)
        ++m_skipped;
    else
        ++m_failed;
    m_cancelled = m_cancelled || outcome == Outcome::Cancelled;
    if (m_line) {
        SetJob(m_jobs[job], m_jobs[job].size, m_jobs[job].size);
        ++m_done;
    }
    if (line.empty())
        return;
    if (outcome != Outcome::Converted)
        Print(m_err, std::string(kProgramName) + ": " + line);
    else
        Print(m_out, line);
}

void BatchReport::RunLine(const std::string& message) {
    std::lock_guard lock(m_mutex);
    Print(m_err, std::string(kProgramName) + ": " + message);
}

// Under the lock: the batch line is erased first and drawn again after, so
// the line starts on a clean one and the batch stays in view.
void BatchReport::Print(std::ostream& to, const std::string& line) {
    if (m_line)
        m_line->Clear();
    to << line << '\n' << std::flush;
    if (m_line)
        m_line->Redraw(m_read, m_size);
}

int BatchReport::Converted() const {
    std::lock_guard lock(m_mutex);
    return m_converted;
}

int BatchReport::Failed() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}

bool BatchReport::AnyCancelled() const {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

std::string BatchReport::Tally(std::size_t unstarted) const {
    std::lock_guard lock(m_mutex);
    // Every word is a participle, the same for one source as for several.
    std::string tally = std::to_string(m_converted) + " converted, ";
    if (m_skipped > 0)
        tally += std::to_string(m_skipped) + " skipped, ";
    tally += std::to_string(m_failed) + " failed";
    if (unstarted > 0)
        tally += ", " + std::to_string(unstarted) + " not started";
    return tally;
}
