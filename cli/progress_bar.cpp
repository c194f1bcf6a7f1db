#include "cli/progress_bar.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/report_format.h"
#include "cli/safe_text.h"
#include "cli/utf8_text.h"

namespace {

// Speed and time left from the first moments are noise; wait for this much.
constexpr double kMinSecondsForRate = 0.2;
// Columns of " %7.1f MB/s %10s left" at ordinary speeds and durations.
constexpr int kRateFieldsWidth = 29;
// The label's columns at most, and at least while there is a bar.
constexpr int kMaxLabelColumns = 30;
constexpr int kMinLabelColumns = 12;
constexpr int kMinBarWidth = 10;
constexpr char kEllipsis[] = "...";
constexpr int kEllipsisColumns = 3;

// Wide East Asian characters and emoji take two columns on a terminal. The
// ranges are the common blocks, not the whole Unicode table: a character
// missed here counts one column too few, so the list leans wide.
int CharacterColumns(char32_t c) {
    static constexpr char32_t kWide[][2] = {
        {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF}, {0x3400, 0x4DBF},
        {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
        {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F},
        {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD},
    };
    for (const auto& range : kWide)
        if (c >= range[0] && c <= range[1])
            return 2;
    return 1;
}

// Characters of safe (valid UTF-8) text, one at a time.
struct Character {
    std::size_t bytes;
    int columns;
};
Character CharacterAt(std::string_view text, std::size_t at) {
    char32_t c = 0;
    const std::size_t bytes = Utf8Character(text, at, &c);
    return bytes > 0 ? Character{bytes, CharacterColumns(c)} : Character{1, 1};
}

int Columns(std::string_view text) {
    int columns = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Character c = CharacterAt(text, at);
        columns += c.columns;
        at += c.bytes;
    }
    return columns;
}

// The longest start of `text` within `columns`, never half a character.
std::string_view Head(std::string_view text, int columns) {
    std::size_t at = 0;
    while (at < text.size()) {
        const Character c = CharacterAt(text, at);
        if (c.columns > columns)
            break;
        columns -= c.columns;
        at += c.bytes;
    }
    return text.substr(0, at);
}

// `text` in at most `columns`: its end, where recordings' names differ (a
// date, a camera number), after "..." when it had to be cut.
std::string Shortened(std::string_view text, int columns) {
    if (Columns(text) <= columns)
        return std::string(text);
    if (columns <= kEllipsisColumns)
        return std::string(Head(kEllipsis, columns));
    int dropped = Columns(text) - (columns - kEllipsisColumns);
    std::size_t at = 0;
    while (dropped > 0 && at < text.size()) {
        const Character c = CharacterAt(text, at);
        dropped -= c.columns;
        at += c.bytes;
    }
    return kEllipsis + std::string(text.substr(at));
}

// Cut or padded with spaces to exactly `columns`.
std::string Fitted(std::string_view text, int columns) {
    std::string line(Head(text, columns));
    line.append(std::size_t(columns - Columns(line)), ' ');
    return line;
}

} // namespace

std::string RenderProgressLine(const std::string& label, std::int64_t bytesRead,
                               std::int64_t fileSize, double elapsedSeconds, int width) {
    if (width <= 0)
        return {};
    // Whole numbers, so 99.9% shows 99%: in floating point 29 of 100 would
    // come out as 28.999...% and show 28.
    const std::int64_t done =
        std::clamp<std::int64_t>(bytesRead, 0, std::max<std::int64_t>(fileSize, 0));
    const auto shareOf = [&](std::int64_t whole) {
        return fileSize > 0 ? done * whole / fileSize : whole;
    };
    const bool rateKnown = elapsedSeconds >= kMinSecondsForRate && bytesRead > 0;
    const double bytesPerSecond = rateKnown ? double(bytesRead) / elapsedSeconds : 0.0;
    const std::string left =
        rateKnown ? FormatDuration(double(fileSize - done) / bytesPerSecond) : std::string();

    char numbers[96];
    const int n = std::snprintf(numbers, sizeof numbers, " %3d%%", int(shareOf(100)));
    const std::string name = SafeText(label);
    const int nameColumns = Columns(name);
    // With a bar the rate fields keep their columns while still unknown, so
    // the bar does not jump narrower once they appear.
    if (rateKnown)
        std::snprintf(numbers + n, sizeof numbers - n, " %7.1f MB/s %10s left",
                      bytesPerSecond / 1e6, left.c_str());
    else
        std::snprintf(numbers + n, sizeof numbers - n, "%*s", kRateFieldsWidth, "");
    const std::string tail = numbers;
    const int tailColumns = int(tail.size());
    const int barFixed = 3 + kMinBarWidth + tailColumns; // " [", "]" and the bar
    if (width >= kMinLabelColumns + barFixed) {
        const std::string head =
            Shortened(name, std::min({nameColumns, kMaxLabelColumns, width - barFixed}));
        const int barWidth = width - Columns(head) - 3 - tailColumns;
        const std::size_t filled = std::size_t(shareOf(barWidth));
        return Fitted(head + " [" + std::string(filled, '#') +
                          std::string(std::size_t(barWidth) - filled, '.') + "]" + tail,
                      width);
    }
    // Too narrow for a bar: the name gives way to the figures, which drop
    // their padding, then the word "left".
    // Built piece by piece: GCC 12 warns falsely (-Wrestrict) of one
    // expression of three string additions here.
    std::string figures = " ";
    figures += std::to_string(shareOf(100));
    figures += '%';
    if (rateKnown) {
        std::snprintf(numbers, sizeof numbers, " %.1f MB/s %s", bytesPerSecond / 1e6, left.c_str());
        figures += numbers;
        if (width - int(figures.size()) >= int(sizeof " left") - 1 + kEllipsisColumns + 1)
            figures += " left";
    }
    const int nameRoom = std::min(width - int(figures.size()), kMaxLabelColumns);
    const std::string head = nameRoom > kEllipsisColumns ? Shortened(name, nameRoom) : "";
    return Fitted(head + figures, width);
}

ProgressBar::ProgressBar(std::ostream& out, std::string label, Width width, Clock clock)
    : m_out(out), m_label(std::move(label)), m_width(std::move(width)), m_clock(std::move(clock)),
      m_start(m_clock()) {}

ProgressBar::ProgressBar(std::ostream& out, std::string label, int width, Clock clock)
    : ProgressBar(out, std::move(label), Width([width] { return width; }), std::move(clock)) {}

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
    // A source that grows while it converts reports past its size many
    // times; only the first of those bypasses the limit.
    const bool firstComplete = bytesRead >= fileSize && !m_drawnComplete;
    if (!firstComplete && m_lastDraw >= 0.0 && now - m_lastDraw < kRedrawInterval)
        return;
    m_lastDraw = now;
    // The last column stays empty: writing into it makes some terminals wrap.
    const int columns = m_width() - 1;
    if (columns <= 0)
        return;
    m_out << '\r' << RenderProgressLine(m_label, bytesRead, fileSize, now - m_start, columns)
          << std::flush;
    m_drawn = true;
    m_drawnComplete = m_drawnComplete || bytesRead >= fileSize;
    ++m_redraws;
}

void ProgressBar::Clear() {
    if (!m_drawn)
        return;
    m_out << '\r' << std::string(std::size_t(std::max(m_width() - 1, 0)), ' ') << '\r'
          << std::flush;
    m_drawn = false;
}
