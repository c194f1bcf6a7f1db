// The one-line progress display drawn on a terminal while a file converts.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

// The line for one state: label, bar, percent, MB/s and time left, cut or
// padded to exactly `width` columns. Speed and time left are shown once
// there is a measurable rate.
std::string RenderProgressLine(const std::string& label, std::int64_t bytesRead,
                               std::int64_t fileSize, double elapsedSeconds, int width);

class ProgressBar {
public:
    using Clock = std::function<double()>; // seconds, monotonic

    // Draws on `out` with carriage returns; `width` is the terminal's.
    ProgressBar(std::ostream& out, std::string label, int width, Clock clock = SteadyClock());

    // Matches the converter's ProgressCallback; `context` is the ProgressBar.
    static int Callback(void* context, std::int64_t bytesRead, std::int64_t fileSize);

    // Redraws at most every kRedrawInterval seconds, so a conversion that
    // reports after every chunk pays for a clock read, not for terminal output;
    // the completion report is always drawn.
    void Update(std::int64_t bytesRead, std::int64_t fileSize);

    // Erases the line so the summary or an error starts on a clean one.
    void Clear();

    int Redraws() const { return m_redraws; }

    static constexpr double kRedrawInterval = 0.1;
    static Clock SteadyClock();

private:
    std::ostream& m_out;
    std::string m_label;
    int m_width;
    Clock m_clock;
    double m_start;
    double m_lastDraw = -1.0;
    bool m_drawn = false;
    int m_redraws = 0;
};
