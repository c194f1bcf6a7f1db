// Dialog units to pixels, as the Windows dialog manager converts them.
#include "framework/qt/dialog_units.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>

TEST(MulDiv, RoundsHalvesAwayFromZeroAndRefusesZeroDivisor) {
    EXPECT_EQ(MulDiv(1, 3, 2), 2);   // 1.5
    EXPECT_EQ(MulDiv(5, 1, 4), 1);   // 1.25
    EXPECT_EQ(MulDiv(3, 1, 4), 1);   // 0.75
    EXPECT_EQ(MulDiv(-1, 3, 2), -2); // -1.5
    EXPECT_EQ(MulDiv(1, -3, 2), -2);
    EXPECT_EQ(MulDiv(-5, 3, -2), 8); // 7.5
    EXPECT_EQ(MulDiv(7, 0, 3), 0);
    EXPECT_EQ(MulDiv(7, 3, 0), -1);
    // The product may exceed int; the result does not.
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
}

TEST(DialogFont, SongFaceRendersChineseAtNinePoints) {
    const QFont font = DialogFont("宋体", 9);
    EXPECT_EQ(font.pixelSize(), 12); // 9 pt on a 96 dpi screen
    const QFontInfo used(font);
    EXPECT_TRUE(used.family().contains("UMing") || used.family().contains("CJK") ||
                used.family().contains("Ming") || used.family().contains("Song"))
        << used.family().toStdString();
    const QFontMetrics metrics(font);
    for (QChar ch : QStringLiteral("关于版确定录像转换"))
        EXPECT_TRUE(metrics.inFont(ch)) << QString(ch).toStdString();
}

TEST(DialogBaseUnits, AreTheRoundedAverageLetterWidthAndTheFontHeight) {
    for (int points : {8, 9, 12}) {
        const QFont font = DialogFont("宋体", points);
        const QFontMetrics metrics(font);
        const DialogBaseUnits units = BaseUnitsOf(font);
        const int letters = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        EXPECT_LE(std::abs(units.x * 52 - letters), 26 + 1) << points << " pt";
        EXPECT_EQ(units.y, metrics.height()) << points << " pt";
    }
}

TEST(DialogUnitsToPixels, ConvertsPositionAndSizeEachOnTheirOwn) {
    const DialogBaseUnits units{7, 15};
    // x: 4 du = one base unit; y: 8 du = one base unit.
    EXPECT_EQ(DialogUnitsToPixels(4, 8, 4, 8, units), QRect(7, 15, 7, 15));
    // 243 du * 7 / 4 = 425.25 -> 425; 50 * 7 / 4 = 87.5 -> 88; the size does
    // not follow from rounding the right edge (293 * 7 / 4 = 512.75 -> 513).
    const QRect button = DialogUnitsToPixels(243, 12, 50, 14, units);
    EXPECT_EQ(button, QRect(425, 23, 88, 26));
}
