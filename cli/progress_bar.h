// The one-line progress display drawn on a terminal while a file converts.
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

class ProgressBar {
public:
    using Clock = std::function<double()>; // seconds, monotonic
    using Width = std::function<int()>;    // the terminal's columns, now

    // Draws on `out` with carriage returns; `width` is asked at each redraw,
    // so the line follows a terminal that is resized.
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

    // Erases the line so the summary or an error starts on a clean one.
    void Clear();

    int Redraws() const { return m_redraws; }

    static constexpr double kRedrawInterval = 0.1;
    static Clock SteadyClock();

private:
    std::ostream& m_out;
    std::string m_label;
    Width m_width;
    Clock m_clock;
    double m_start;
    double m_lastDraw = -1.0;
    bool m_drawn = false;
    bool m_drawnComplete = false;
    int m_redraws = 0;
};
