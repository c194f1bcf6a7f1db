// The terminal progress line: its layout at any width, the figures it shows,
// and how often it is redrawn.
#include <gtest/gtest.h>
#include <sstream>

#include "cli/batch_report.h"
#include "cli/progress_bar.h"
#include "cli/safe_text.h"

namespace {

std::size_t Count(const std::string& text, char c) {
    return std::size_t(std::count(text.begin(), text.end(), c));
}

TEST(RenderProgressLine, AlwaysExactlyTheGivenWidth) {
    const std::string longName(200, 'n');
    for (int width : {1, 20, 40, 80, 200})
        for (std::int64_t read : {std::int64_t(0), std::int64_t(512), std::int64_t(1000)}) {
            EXPECT_EQ(RenderProgressLine("clip.264", read, 1000, 3.0, width).size(),
                      std::size_t(width));
            EXPECT_EQ(RenderProgressLine(longName, read, 1000, 3.0, width).size(),
                      std::size_t(width));
        }
}

// Columns on a terminal of text whose only non-ASCII characters are wide
// ones of three bytes, as in the names below.
std::size_t Columns(const std::string& text) {
    return std::size_t(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80 ? 1 : 0; }) +
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xF0) == 0xE0; }));
}

TEST(RenderProgressLine, WideCharactersCountTwoColumnsAndAreNeverCut) {
    const std::string wide = "前门摄像头第一段录像文件测试.264";
    for (int width = 20; width <= 100; ++width) {
        const std::string line = RenderProgressLine(wide, 500, 1000, 3.0, width);
        EXPECT_EQ(Columns(line), std::size_t(width)) << line;
        EXPECT_EQ(SafeText(line), line) << "a character cut in two at width " << width;
    }
}

// On a narrow terminal the name gives way; the figures stay.
TEST(RenderProgressLine, NarrowLinesKeepPercentSpeedAndTimeLeft) {
    const std::string name = "2024-05-01_camera-front-door_0001.264";
    for (int width : {50, 40, 30}) {
        const std::string line = RenderProgressLine(name, 50'000'000, 200'000'000, 2.0, width);
        EXPECT_NE(line.find("64 25% 25.0 MB/s 6.0 s left"), std::string::npos) << line;
        EXPECT_EQ(line.rfind("...", 0), 0u) << line;
    }
}

TEST(RenderProgressLine, BarAndPercentFollowTheBytesRead) {
    std::string line = RenderProgressLine("clip.264", 0, 1000, 0.0, 80);
    EXPECT_EQ(line.rfind("clip.264 [", 0), 0u) << line;
    EXPECT_NE(line.find("  0%"), std::string::npos) << line;
    EXPECT_EQ(Count(line, '#'), 0u);

    line = RenderProgressLine("clip.264", 250, 1000, 0.0, 80);
    EXPECT_NE(line.find(" 25%"), std::string::npos) << line;
    const std::size_t bar = Count(line, '#') + Count(line, '.') - Count("clip.264", '.');
    EXPECT_EQ(Count(line, '#'), bar / 4);

    line = RenderProgressLine("clip.264", 1000, 1000, 0.0, 80);
    EXPECT_NE(line.find("100%"), std::string::npos) << line;
    EXPECT_EQ(Count(line, '.'), Count("clip.264", '.')); // bar full

    // Rounded down, in whole numbers: 100% only for the whole file.
    EXPECT_NE(RenderProgressLine("c", 999, 1000, 0.0, 80).find(" 99%"), std::string::npos);
    EXPECT_NE(RenderProgressLine("c", 29, 100, 0.0, 80).find(" 29%"), std::string::npos);

    // An empty recording is complete from the start; reads past the size
    // never show more than 100%.
    EXPECT_NE(RenderProgressLine("e", 0, 0, 0.0, 80).find("100%"), std::string::npos);
    EXPECT_NE(RenderProgressLine("e", 5000, 1000, 0.0, 80).find("100%"), std::string::npos);
}

TEST(RenderProgressLine, SpeedAndTimeLeftOnceThereIsARate) {
    // 50 MB of 200 MB in 2 s: 25 MB/s, 150 MB to go at that speed is 6 s.
    std::string line = RenderProgressLine("clip.264", 50'000'000, 200'000'000, 2.0, 100);
    EXPECT_NE(line.find("25.0 MB/s"), std::string::npos) << line;
    EXPECT_NE(line.find("6.0 s left"), std::string::npos) << line;

    // 10 MB of 1000 MB in 1 s: the remaining 990 MB take 99 s.
    line = RenderProgressLine("clip.264", 10'000'000, 1'000'000'000, 1.0, 100);
    EXPECT_NE(line.find("10.0 MB/s"), std::string::npos) << line;
    EXPECT_NE(line.find("1:39.0 left"), std::string::npos) << line;

    // The bar keeps its length when the figures appear.
    const auto barLength = [](const std::string& l) { return l.find(']') - l.find('['); };
    EXPECT_EQ(barLength(RenderProgressLine("c", 1000, 2000, 0.01, 100)),
              barLength(RenderProgressLine("c", 1000, 2000, 3.0, 100)));

    // Right at the start a rate would be noise, and nothing read means none.
    EXPECT_EQ(RenderProgressLine("c", 1000, 2000, 0.01, 100).find("MB/s"), std::string::npos);
    EXPECT_EQ(RenderProgressLine("c", 0, 2000, 5.0, 100).find("MB/s"), std::string::npos);
}

// The batch's line: files done of all, then the figures of a file's line for
// the bytes of all sources; the count stays when the bar and "files" go.
TEST(RenderBatchLine, CountsFilesAndFollowsTheBytesOfAllSources) {
    const struct {
        int done, files;
        std::int64_t read, total;
        double elapsed;
        int width;
        std::string line;
    } cases[] = {
        {2, 4, 50'000'000, 200'000'000, 2.0, 80,
         "2/4 files [########..........................]  25%    25.0 MB/s      6.0 s left"},
        {3, 4, 999, 1000, 0.0, 59, "3/4 files [############.]  99%" + std::string(29, ' ')},
        {4, 4, 5000, 1000, 0.0, 59, "4/4 files [#############] 100%" + std::string(29, ' ')},
        {0, 2, 0, 0, 0.0, 59, "0/2 files [#############] 100%" + std::string(29, ' ')},
        {2, 4, 50'000'000, 200'000'000, 2.0, 58,
         "2/4 files 25% 25.0 MB/s 6.0 s left" + std::string(24, ' ')},
        {2, 4, 50'000'000, 200'000'000, 2.0, 34, "2/4 files 25% 25.0 MB/s 6.0 s left"},
        {12, 40, 50'000'000, 200'000'000, 2.0, 30, "12/40 25% 25.0 MB/s 6.0 s left"},
        {2, 4, 50'000'000, 200'000'000, 2.0, 24, "2/4 25% 25.0 MB/s 6.0 s "},
        {2, 4, 50'000'000, 200'000'000, 2.0, 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RenderBatchLine(c.done, c.files, c.read, c.total, c.elapsed, c.width), c.line)
            << c.width;
}

struct FakeClock {
    double now = 100.0;
    ProgressBar::Clock Fn() {
        return [this] { return now; };
    }
};

TEST(ProgressBar, RedrawsAtMostTenTimesASecondButAlwaysOnCompletion) {
    FakeClock clock;
    std::ostringstream out;
    ProgressBar bar(out, "clip.264", 60, clock.Fn());
    // 10000 reports over 1 s of (fake) time, as a fast conversion sends them.
    for (int i = 0; i < 10000; ++i) {
        clock.now = 100.0 + i * 0.0001;
        bar.Update(i, 10000);
    }
    EXPECT_GE(bar.Redraws(), 9);
    EXPECT_LE(bar.Redraws(), 11);
    const int before = bar.Redraws();
    bar.Update(10000, 10000); // the completion report, right after a redraw
    EXPECT_EQ(bar.Redraws(), before + 1);
    bar.Update(10001, 10000); // a source that grew: no redraw for each report past its size
    EXPECT_EQ(bar.Redraws(), before + 1);
    EXPECT_EQ(Count(out.str(), '\r'), std::size_t(bar.Redraws()));
    const std::string text = out.str();
    EXPECT_NE(text.substr(text.rfind('\r')).find("100%"), std::string::npos);
}

TEST(ProgressBar, CallbackDrawsAndClearLeavesABlankLine) {
    FakeClock clock;
    std::ostringstream out;
    ProgressBar bar(out, "clip.264", 40, clock.Fn());
    bar.Clear(); // nothing drawn yet: nothing to erase
    EXPECT_TRUE(out.str().empty());

    EXPECT_EQ(ProgressBar::Callback(&bar, 10, 20), 0);
    EXPECT_NE(out.str().find(" 50%"), std::string::npos);
    out.str("");
    bar.Clear();
    EXPECT_EQ(out.str(), "\r" + std::string(39, ' ') + "\r");
    // Drawn again after a line printed in its place, however recent the last.
    out.str("");
    bar.Redraw(15, 20);
    EXPECT_EQ(out.str(), "\r" + RenderProgressLine("clip.264", 15, 20, 0.0, 39));
}

// The last column stays empty, at whatever width the terminal has now.
TEST(ProgressBar, FollowsTheTerminalsWidthAndLeavesItsLastColumnEmpty) {
    FakeClock clock;
    int width = 60;
    std::ostringstream out;
    ProgressBar bar(
        out, "clip.264", [&] { return width; }, clock.Fn());
    bar.Update(10, 100);
    EXPECT_EQ(out.str(), "\r" + RenderProgressLine("clip.264", 10, 100, 0.0, 59));
    width = 30;
    clock.now += 1.0;
    out.str("");
    bar.Update(20, 100);
    EXPECT_EQ(out.str(), "\r" + RenderProgressLine("clip.264", 20, 100, 1.0, 29));
    width = 1;
    bar.Update(100, 100);
    out.str("");
    bar.Clear();
    EXPECT_EQ(out.str(), "\r\r");
}

// The batch line sums what every job read against what all sources hold; a
// file that ended counts as read, whatever became of it, and the line gives
// way to each line printed and comes back under it.
TEST(BatchReport, LineFollowsEveryJobAndMakesRoomForLinesPrinted) {
    FakeClock clock;
    std::ostringstream out, err;
    BatchReport report(out, err);
    report.ShowBatchLine(
        {100, 300, 0}, [] { return 60; }, clock.Fn());
    const auto drawn = [&] { return err.str().substr(err.str().rfind('\r') + 1); };
    report.Progress(0, 50, 100);
    EXPECT_EQ(drawn(), RenderBatchLine(0, 3, 50, 400, 0.0, 59));
    clock.now += 1.0;
    report.Progress(1, 250, 300);
    EXPECT_EQ(drawn(), RenderBatchLine(0, 3, 300, 400, 1.0, 59));
    clock.now += 1.0;
    report.Progress(1, 900, 600); // grew, and read past the size it had then
    EXPECT_EQ(drawn(), RenderBatchLine(0, 3, 650, 700, 2.0, 59));

    const std::string clear = "\r" + std::string(59, ' ') + "\r";
    err.str("");
    report.Finished(0, Outcome::Failed, "a.264: gone");
    EXPECT_EQ(err.str(), clear + "veltrano-convert: a.264: gone\n\r" +
                             RenderBatchLine(1, 3, 700, 700, 2.0, 59));
    err.str("");
    report.Finished(1, Outcome::Converted, "b.264 -> b.avi: done");
    EXPECT_EQ(out.str(), "b.264 -> b.avi: done\n");
    EXPECT_EQ(err.str(), clear + "\r" + RenderBatchLine(2, 3, 700, 700, 2.0, 59));
    report.EndBatchLine();
    EXPECT_EQ(err.str().substr(err.str().size() - clear.size()), clear);
    EXPECT_EQ(report.Converted(), 1);
    EXPECT_EQ(report.Failed(), 1);
}

} // namespace
