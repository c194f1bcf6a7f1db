#include "framework/qt/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <cstdint>

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t half = (denominator < 0 ? -denominator : denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = ((product < 0 ? -product : product) + half) /
                                   (denominator < 0 ? -denominator : denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The dialog manager's own rounding of the 52 letters' average.
    return {(width / 26 + 1) / 2, metrics.height()};
}

QFont DialogFont(const std::string& face, int points) {
    static const QStringList songFaces = {QStringLiteral("宋体"), QStringLiteral("新宋体"),
                                          QStringLiteral("SimSun"), QStringLiteral("NSimSun")};
    QStringList families = {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW")};
    for (const QString& family : QFontDatabase::families(QFontDatabase::SimplifiedChinese))
        if (!families.contains(family))
            families << family;
    if (const QString name = QString::fromStdString(face);
        !name.isEmpty() && !songFaces.contains(name, Qt::CaseInsensitive))
        families.prepend(name);
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(MulDiv(points > 0 ? points : 9, 96, 72));
    return font;
}

QRect DialogUnitsToPixels(int x, int y, int cx, int cy, DialogBaseUnits units) {
    // Each value on its own, as the dialog manager converts a control's position and size.
    return QRect(MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(cx, units.x, 4),
                 MulDiv(cy, units.y, 8));
}
