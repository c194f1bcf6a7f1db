#include "cli/progress_bar.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "cli/report_format.h"

namespace {

// Speed and time left from the first moments are noise; wait for this much.
constexpr double kMinSecondsForRate = 0.2;
// Columns of " %7.1f MB/s %10s left" at ordinary speeds and durations.
constexpr int kRateFieldsWidth = 29;

std::string FitTo(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

} // namespace

std::string RenderProgressLine(const std::string& label, std::int64_t bytesRead,
                               std::int64_t fileSize, double elapsedSeconds, int width) {
    const double fraction =
        fileSize > 0 ? std::clamp(double(bytesRead) / double(fileSize), 0.0, 1.0) : 1.0;
    char numbers[96];
    int n = std::snprintf(numbers, sizeof numbers, " %3d%%", int(fraction * 100.0));
    // The rate fields keep their columns while still unknown, so the bar does
    // not jump narrower once they appear.
    if (elapsedSeconds >= kMinSecondsForRate && bytesRead > 0) {
        const double bytesPerSecond = double(bytesRead) / elapsedSeconds;
        const double left =
            double(std::max<std::int64_t>(fileSize - bytesRead, 0)) / bytesPerSecond;
        std::snprintf(numbers + n, sizeof numbers - n, " %7.1f MB/s %10s left",
                      bytesPerSecond / 1e6, FormatDuration(left).c_str());
    } else {
        std::snprintf(numbers + n, sizeof numbers - n, "%*s", kRateFieldsWidth, "");
    }
    const std::size_t total = std::size_t(std::max(width, 1));
    const std::string tail = numbers;
    // The bar takes what the label and numbers leave, but not less than 10.
    std::string head = label.size() > 30 ? "..." + label.substr(label.size() - 27) : label;
    const std::size_t fixed = head.size() + 3 + tail.size(); // " [" and "]"
    const std::size_t barWidth = total > fixed + 10 ? total - fixed : 10;
    const std::size_t filled = std::size_t(std::floor(fraction * double(barWidth)));
    std::string line =
        head + " [" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "]" + tail;
    return FitTo(std::move(line), total);
}

ProgressBar::ProgressBar(std::ostream& out, std::string label, int width, Clock clock)
    : m_out(out), m_label(std::move(label)), m_width(width), m_clock(std::move(clock)),
      m_start(m_clock()) {}

ProgressBar::Clock ProgressBar::SteadyClock() {
    return [] {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    };
}

int ProgressBar::Callback(void* context, std::int64_t bytesRead, std::int64_t fileSize) {
    static_cast<ProgressBar*>(context)->Update(bytesRead, fileSize);
    return 0;
}

void ProgressBar::Update(std::int64_t bytesRead, std::int64_t fileSize) {
    const double now = m_clock();
    const bool complete = bytesRead >= fileSize;
    if (!complete && m_lastDraw >= 0.0 && now - m_lastDraw < kRedrawInterval)
        return;
    m_lastDraw = now;
    // The last column stays empty: writing into it makes some terminals wrap.
    m_out << '\r' << RenderProgressLine(m_label, bytesRead, fileSize, now - m_start, m_width - 1)
          << std::flush;
    m_drawn = true;
    ++m_redraws;
}

void ProgressBar::Clear() {
    if (!m_drawn)
        return;
    m_out << '\r' << std::string(std::size_t(std::max(m_width - 1, 0)), ' ') << '\r' << std::flush;
    m_drawn = false;
}
