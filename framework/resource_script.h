// A Windows resource script (.rc) with its resource.h, read at run time: the
// dialog templates, string table, icon and bitmap file names and the version
// block. Only the statements this program's script uses are understood.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rc {

struct Control {
    std::string statement; // PUSHBUTTON, DEFPUSHBUTTON, EDITTEXT, LTEXT, ICON, CONTROL, ...
    std::string className; // BUTTON, EDIT, STATIC, msctls_updown32, msctls_progress32, ...
    std::string text;      // caption, or for image statics the image's resource id in decimal
    int id = -1;           // -1 for IDC_STATIC
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
    std::uint32_t style = 0;          // the statement's default style combined with the given one
    std::uint32_t exStyle = 0;
};

struct DialogTemplate {
    int id = 0;
    bool extended = false; // DIALOGEX
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::string caption; // UTF-8
    std::string fontFace;
    int fontPoints = 0;
    int fontWeight = 0; // FONT's optional weight, italic flag and charset (DIALOGEX)
    bool fontItalic = false;
    int fontCharset = 1;           // DEFAULT_CHARSET unless the script names one
    std::vector<Control> controls; // in tab order (script order)
};

struct VersionInfo {
    std::array<int, 4> fileVersion{};
    std::array<int, 4> productVersion{};
    std::uint32_t fileOS = 0;
    std::uint32_t fileType = 0;
    std::uint32_t fileFlags = 0;
    std::string blockName;                      // e.g. "080404b0"
    std::map<std::string, std::string> strings; // UTF-8
    std::vector<std::uint16_t> translation;     // e.g. 0x804, 1200
};

struct ResourceScript {
    int language = 0, sublanguage = 0; // from LANGUAGE
    std::map<int, DialogTemplate> dialogs;
    std::map<int, std::string> strings; // STRINGTABLE, UTF-8
    std::map<int, std::string> icons;   // id -> file name as written in the script
    std::map<int, std::string> bitmaps; // id -> file name as written in the script
    VersionInfo version;
};

// #define NAME value lines of resource.h (decimal or hex values).
std::map<std::string, int> ParseResourceHeader(const std::string& text);

// Parses the script's text (UTF-8). Symbols come from resource.h; the Windows
// style constants (WS_*, DS_*, ES_*, BS_*, SS_*, UDS_*, ...) are known
// built in. Returns false with *error naming the line and the fault.
bool ParseResourceScript(const std::string& text, const std::map<std::string, int>& symbols,
                         ResourceScript& out, std::string* error);

} // namespace rc
