// The program's resource script (.rc) with its resource.h, read at run time:
// the dialog templates, the string table and the icon and bitmap file names.
// The reader takes the statements this script uses; any other resource (the
// version block among them) is for the Windows resource compiler and is
// skipped whole.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rc {

struct Control {
    std::string className; // BUTTON, EDIT, STATIC, msctls_updown32, msctls_progress32, ...
    std::string text;      // caption, or for image statics the image's resource id in decimal
    int id = -1;           // -1 for IDC_STATIC
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
    std::uint32_t style = 0;          // the statement's default style combined with the given one
    std::uint32_t exStyle = 0;
};

struct DialogTemplate {
    int id = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::string caption; // UTF-8
    std::string fontFace;
    int fontPoints = 0;
    std::vector<Control> controls; // in tab order (script order)
};

struct ResourceScript {
    int language = 0, sublanguage = 0; // from LANGUAGE
    std::map<int, DialogTemplate> dialogs;
    std::map<int, std::string> strings; // STRINGTABLE, UTF-8
    std::map<int, std::string> icons;   // id -> file name as written in the script
    std::map<int, std::string> bitmaps; // id -> file name as written in the script
};

// Reads the script `name` from its text (UTF-8); `header` is the text of the
// resource.h it includes, named relative to the script. The Windows constants
// the script uses (WS_*, ES_*, UDS_*, ...) are known built in. False with
// *error as "FILE:LINE: cause".
bool ParseResourceScript(const std::string& name, const std::string& text,
                         const std::string& header, ResourceScript& out, std::string* error);

} // namespace rc
