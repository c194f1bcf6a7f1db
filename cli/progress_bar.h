// The one-line progress display drawn on a terminal while a file, or a
// batch of files, converts.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

// The line for one state: label, bar, percent, MB/s and time left, cut or
// padded to exactly `width` columns (wide characters count two). The label
// is made safe to print and shortened first, at a character boundary; below
// about 60 columns the bar goes, and the percent, speed and time left stay as
// long as they fit. Speed and time left are shown once there is a measurable
// rate; the percent is rounded down, so 100% means the whole file was read.
std::string RenderProgressLine(const std::string& label, std::int64_t bytesRead,
                               std::int64_t fileSize, double elapsedSeconds, int width);

// The line for a batch converting several files at once: files done of all,
// bar, percent of the bytes read of all sources, MB/s and time left, by the
// same rules as a file's line. Below about 60 columns the bar goes, then the
// word "files"; the count stays with the other figures.
std::string RenderBatchLine(int filesDone, int files, std::int64_t bytesRead,
                            std::int64_t totalBytes, double elapsedSeconds, int width);

class ProgressBar {
public:
    using Clock = std::function<double()>; // seconds, monotonic
    using Width = std::function<int()>;    // the terminal's columns, now
    // The line for (bytes read, size, seconds since the start, columns).
    using Render = std::function<std::string(std::int64_t, std::int64_t, double, int)>;

    // Draws on `out` with carriage returns; `width` is asked at each redraw,
    // so the line follows a terminal that is resized.
    ProgressBar(std::ostream& out, Width width, Render render, Clock clock = SteadyClock());
    // A file's line (RenderProgressLine) for `label`.
    ProgressBar(std::ostream& out, std::string label, Width width, Clock clock = SteadyClock());
    ProgressBar(std::ostream& out, std::string label, int width, Clock clock = SteadyClock());
    ~ProgressBar() { Clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Matches the converter's ProgressCallback; `context` is the ProgressBar.
    static int Callback(void* context, std::int64_t bytesRead, std::int64_t fileSize);

    // Redraws at most every kRedrawInterval seconds, so a conversion that
    // reports after every chunk pays for a clock read, not for terminal output;
    // the first report of a complete read is always drawn.
    void Update(std::int64_t bytesRead, std::int64_t fileSize);

    // Draws this state now, however recent the last redraw: after a line
    // was printed where the bar was.
    void Redraw(std::int64_t bytesRead, std::int64_t fileSize);

    // Erases the line so the summary or an error starts on a clean one.
    void Clear();

    int Redraws() const { return m_redraws; }

    static constexpr double kRedrawInterval = 0.1;
    static Clock SteadyClock();

private:
    void Draw(double now, std::int64_t bytesRead, std::int64_t fileSize);

    std::ostream& m_out;
    Render m_render;
    Width m_width;
    Clock m_clock;
    double m_start;
    double m_lastDraw = -1.0;
    bool m_drawn = false;
    bool m_drawnComplete = false;
    int m_redraws = 0;
};
