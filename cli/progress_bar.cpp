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

// What both lines show of a state: the percent (rounded down), the bar's
// share, and the speed and time left once there is a rate.
struct Figures {
    std::int64_t done;     // bytes read, within the size
    std::int64_t fileSize; // what 100 % is
    bool rateKnown;
    double bytesPerSecond;
    std::string left;

    // Whole numbers, so 99.9% shows 99%: in floating point 29 of 100 would
    // come out as 28.999...% and show 28.
    std::int64_t ShareOf(std::int64_t whole) const {
        return fileSize > 0 ? done * whole / fileSize : whole;
    }
};

Figures Measure(std::int64_t bytesRead, std::int64_t fileSize, double elapsedSeconds) {
    Figures f{};
    f.done = std::clamp<std::int64_t>(bytesRead, 0, std::max<std::int64_t>(fileSize, 0));
    f.fileSize = fileSize;
    f.rateKnown = elapsedSeconds >= kMinSecondsForRate && bytesRead > 0;
    f.bytesPerSecond = f.rateKnown ? double(bytesRead) / elapsedSeconds : 0.0;
    if (f.rateKnown)
        f.left = FormatDuration(double(fileSize - f.done) / f.bytesPerSecond);
    return f;
}

// The figures after the bar. With a bar the rate fields keep their columns
// while still unknown, so the bar does not jump narrower once they appear.
std::string WideFigures(const Figures& f) {
    char numbers[96];
    const int n = std::snprintf(numbers, sizeof numbers, " %3d%%", int(f.ShareOf(100)));
    if (f.rateKnown)
        std::snprintf(numbers + n, sizeof numbers - n, " %7.1f MB/s %10s left",
                      f.bytesPerSecond / 1e6, f.left.c_str());
    else
        std::snprintf(numbers + n, sizeof numbers - n, "%*s", kRateFieldsWidth, "");
    return numbers;
}

// The columns a line needs besides its head: " [", "]", the shortest bar and
// the figures.
int BarFixedColumns(const std::string& figures) {
    return 3 + kMinBarWidth + int(figures.size());
}

// `head`, the bar filling what the figures leave, and the figures.
std::string WideLine(const std::string& head, const Figures& f, const std::string& figures,
                     int width) {
    const int barWidth = width - Columns(head) - 3 - int(figures.size());
    const std::size_t filled = std::size_t(f.ShareOf(barWidth));
    return Fitted(head + " [" + std::string(filled, '#') +
                      std::string(std::size_t(barWidth) - filled, '.') + "]" + figures,
                  width);
}

// Too narrow for a bar: the figures without their padding, and the word
// "left" when `room` has space for it.
std::string NarrowFigures(const Figures& f, int room) {
    // Built piece by piece: GCC 12 warns falsely (-Wrestrict) of one
    // expression of three string additions here.
    std::string figures = " ";
    figures += std::to_string(f.ShareOf(100));
    figures += '%';
    if (f.rateKnown) {
        char numbers[96];
        std::snprintf(numbers, sizeof numbers, " %.1f MB/s %s", f.bytesPerSecond / 1e6,
                      f.left.c_str());
        figures += numbers;
        if (room - int(figures.size()) >= int(sizeof " left") - 1)
            figures += " left";
    }
    return figures;
}

} // namespace

std::string RenderProgressLine(const std::string& label, std::int64_t bytesRead,
                               std::int64_t fileSize, double elapsedSeconds, int width) {
    if (width <= 0)
        return {};
    const Figures f = Measure(bytesRead, fileSize, elapsedSeconds);
    const std::string name = SafeText(label);
    const std::string figures = WideFigures(f);
    const int barFixed = BarFixedColumns(figures);
    if (width >= kMinLabelColumns + barFixed)
        return WideLine(
            Shortened(name, std::min({Columns(name), kMaxLabelColumns, width - barFixed})), f,
            figures, width);
    // The name gives way to the figures, which drop their padding, then the
    // word "left" (kept while a shortened name of one character still fits).
    const std::string narrow = NarrowFigures(f, width - kEllipsisColumns - 1);
    const int nameRoom = std::min(width - int(narrow.size()), kMaxLabelColumns);
    const std::string head = nameRoom > kEllipsisColumns ? Shortened(name, nameRoom) : "";
    return Fitted(head + narrow, width);
}

std::string RenderBatchLine(int filesDone, int files, std::int64_t bytesRead,
                            std::int64_t totalBytes, double elapsedSeconds, int width) {
    if (width <= 0)
        return {};
    const Figures f = Measure(bytesRead, totalBytes, elapsedSeconds);
    const std::string count = std::to_string(filesDone) + "/" + std::to_string(files);
    const std::string head = count + " files";
    const std::string figures = WideFigures(f);
    const int barFixed = BarFixedColumns(figures);
    // The bar goes at the same width as a file's does.
    if (width >= std::max(Columns(head), kMinLabelColumns) + barFixed)
        return WideLine(head, f, figures, width);
    // The count is a figure and stays; the word "files" goes first, then
    // "left".
    const std::string narrow = NarrowFigures(f, width - int(count.size()));
    const bool word = width - int(count.size() + narrow.size()) >= int(sizeof " files") - 1;
    return Fitted((word ? head : count) + narrow, width);
}

ProgressBar::ProgressBar(std::ostream& out, Width width, Render render, Clock clock)
    : m_out(out), m_render(std::move(render)), m_width(std::move(width)), m_clock(std::move(clock)),
      m_start(m_clock()) {}

ProgressBar::ProgressBar(std::ostream& out, std::string label, Width width, Clock clock)
    : ProgressBar(
          out, std::move(width),
          [label = std::move(label)](std::int64_t read, std::int64_t size, double elapsed,
                                     int columns) {
              return RenderProgressLine(label, read, size, elapsed, columns);
          },
          std::move(clock)) {}

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
    Draw(now, bytesRead, fileSize);
}

void ProgressBar::Redraw(std::int64_t bytesRead, std::int64_t fileSize) {
    m_lastDraw = m_clock();
    Draw(m_lastDraw, bytesRead, fileSize);
}

void ProgressBar::Draw(double now, std::int64_t bytesRead, std::int64_t fileSize) {
    // The last column stays empty: writing into it makes some terminals wrap.
    const int columns = m_width() - 1;
    if (columns <= 0)
        return;
    m_out << '\r' << m_render(bytesRead, fileSize, now - m_start, columns) << std::flush;
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
