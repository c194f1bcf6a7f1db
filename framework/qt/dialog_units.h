// Dialog units: template positions are measured in quarters of the dialog
// font's average character width and eighths of its height, and converted to
// pixels the way the Windows dialog manager converts them.
#pragma once

#include <QFont>
#include <QRect>
#include <string>

// number * numerator / denominator, rounded half away from zero; -1 when denominator is 0.
int MulDiv(int number, int numerator, int denominator);

struct DialogBaseUnits {
    int x = 0; // average width of "A".."Z" "a".."z", rounded
    int y = 0; // the font's height
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// The font a template names, at its size in points on a 96 dpi screen (the
// scale Qt's logical pixels have). Song-style faces ("宋体", SimSun) map to an
// installed Song/Ming CJK font, other faces fall back to one, so Chinese text
// always renders as text.
QFont DialogFont(const std::string& face, int points);

// A template's position and size in dialog units to pixels.
QRect DialogUnitsToPixels(int x, int y, int cx, int cy, DialogBaseUnits units);
