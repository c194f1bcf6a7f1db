// The resource-script reader, on the program's own script (the dialogs are
// built from what it returns) and on small scripts that pin down the
// resource compiler's rules and the error reports.
#include "framework/qt/resource_script.h"

#include "res/resource.h"

#include <QImage>
#include <QImageReader>
#include <QList>
#include <QSize>
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifndef VELTRANO_RES_DIR
#error "VELTRANO_RES_DIR must name the source tree's res/ folder"
#endif
#ifndef VELTRANO_RESOURCE_SCRIPT
#error "VELTRANO_RESOURCE_SCRIPT must name the resource script the build made"
#endif

namespace {

constexpr std::uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000,
                        WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000, WS_SYSMENU = 0x00080000,
                        WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000, WS_EX_TOOLWINDOW = 0x80,
                        WS_EX_APPWINDOW = 0x40000, DS_SETFONT = 0x40, DS_MODALFRAME = 0x80,
                        ES_AUTOHSCROLL = 0x80, ES_READONLY = 0x800, BS_TYPEMASK = 0xF,
                        BS_DEFPUSHBUTTON = 1, SS_TYPEMASK = 0x1F, SS_ICON = 3, SS_BITMAP = 0xE,
                        SS_NOPREFIX = 0x80, UDS_SETBUDDYINT = 2, UDS_ALIGNRIGHT = 4,
                        UDS_AUTOBUDDY = 0x10, UDS_ARROWKEYS = 0x20;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ParseError(const std::string& script, const std::string& header) {
    rc::ResourceScript out;
    std::string error;
    EXPECT_FALSE(rc::ParseResourceScript("test.rc", script, header, out, &error)) << script;
    return error;
}

rc::ResourceScript Parse(const std::string& script, const std::string& header = "") {
    rc::ResourceScript out;
    std::string error;
    EXPECT_TRUE(rc::ParseResourceScript("test.rc", script, header, out, &error)) << error;
    return out;
}

bool Has(std::uint32_t style, std::uint32_t bits) {
    return (style & bits) == bits;
}

class ProgramScript : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        parsed = rc::ParseResourceScript("res/Veltrano.rc", ReadFile(VELTRANO_RESOURCE_SCRIPT),
                                         ReadFile(VELTRANO_RES_DIR "/resource.h"), script, &error);
        ASSERT_TRUE(parsed) << error;
    }
    void SetUp() override { ASSERT_TRUE(parsed); }

    // The ids as the C++ code sees them in resource.h.
    static const rc::DialogTemplate& Dialog(int id) { return script.dialogs.at(id); }
    static const rc::Control& ControlById(const rc::DialogTemplate& d, int id) {
        for (const auto& c : d.controls)
            if (c.id == id)
                return c;
        throw std::out_of_range(std::to_string(id));
    }

    static inline rc::ResourceScript script;
    static inline bool parsed = false;
};

TEST_F(ProgramScript, MainDialogWindow) {
    const auto& d = Dialog(IDD_MAIN);
    EXPECT_EQ(d.cx, 300);
    EXPECT_EQ(d.cy, 100);
    EXPECT_TRUE(Has(d.style, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    EXPECT_EQ(d.exStyle, WS_EX_TOOLWINDOW | WS_EX_APPWINDOW);
    EXPECT_EQ(d.caption, "Veltrano V1.0.0");
    EXPECT_EQ(d.fontFace, "宋体");
    EXPECT_EQ(d.fontPoints, 9);
}

TEST_F(ProgramScript, MainDialogControlsInTabOrderWithTheirRectangles) {
    struct Expected {
        int id;
        const char* className;
        int x, y, cx, cy;
    };
    const std::vector<Expected> expected = {
        {IDC_OPEN, "BUTTON", 243, 12, 50, 14},  {IDC_SAVE_AS, "BUTTON", 243, 30, 50, 14},
        {IDC_FPS, "EDIT", 244, 48, 33, 14},     {IDC_FPS_SPIN, "msctls_updown32", 266, 55, 11, 14},
        {IDC_START, "BUTTON", 243, 79, 50, 14}, {IDC_SOURCE, "EDIT", 7, 12, 219, 14},
        {IDC_DEST, "EDIT", 7, 30, 219, 14},     {IDC_PROGRESS, "msctls_progress32", 7, 79, 219, 14},
        {IDC_STATIC, "STATIC", 280, 54, 13, 8}, {IDC_STATIC, "STATIC", 7, 48, 88, 24},
    };
    const auto& controls = Dialog(IDD_MAIN).controls;
    ASSERT_EQ(controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& c = controls[i];
        const auto& e = expected[i];
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.className, e.className);
        EXPECT_EQ((std::vector<int>{c.x, c.y, c.cx, c.cy}),
                  (std::vector<int>{e.x, e.y, e.cx, e.cy}));
        EXPECT_TRUE(Has(c.style, WS_CHILD | WS_VISIBLE));
    }
    EXPECT_EQ(controls[0].text, "&Open");
    EXPECT_EQ(controls[1].text, "Save &As");
    EXPECT_EQ(controls[4].text, "&Start");
    EXPECT_EQ(controls[8].text, "FPS");
}

TEST_F(ProgramScript, MainDialogControlStyles) {
    const auto& d = Dialog(IDD_MAIN);
    for (int edit : {IDC_FPS, IDC_SOURCE, IDC_DEST}) {
        const auto& c = ControlById(d, edit);
        EXPECT_TRUE(Has(c.style, ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP)) << edit;
    }
    for (const auto& c : d.controls)
        if (c.className == "BUTTON") {
            EXPECT_NE(c.style & BS_TYPEMASK, BS_DEFPUSHBUTTON) << c.text << " must not be default";
            EXPECT_TRUE(Has(c.style, WS_TABSTOP)) << c.text;
        }

    // The up-down control takes the control before it as its buddy.
    const auto& spin = ControlById(d, IDC_FPS_SPIN);
    EXPECT_TRUE(Has(spin.style, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS));
    auto spinAt = std::find_if(d.controls.begin(), d.controls.end(),
                               [&](const rc::Control& c) { return &c == &spin; });
    ASSERT_NE(spinAt, d.controls.begin());
    EXPECT_EQ(std::prev(spinAt)->id, IDC_FPS);

    EXPECT_TRUE(Has(ControlById(d, IDC_PROGRESS).style, WS_BORDER));
    const auto& logo = d.controls.back();
    EXPECT_EQ(logo.style & SS_TYPEMASK, SS_BITMAP);
    EXPECT_EQ(logo.text, std::to_string(IDB_LOGO));
}

TEST_F(ProgramScript, AboutBox) {
    const auto& d = Dialog(IDD_ABOUT);
    EXPECT_EQ((std::vector<int>{d.cx, d.cy}), (std::vector<int>{235, 55}));
    EXPECT_TRUE(Has(d.style, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    EXPECT_FALSE(Has(d.style, WS_VISIBLE));
    EXPECT_EQ(d.caption, "关于 Veltrano");
    EXPECT_EQ(d.fontFace, "宋体");
    ASSERT_EQ(d.controls.size(), 4u);

    const auto& icon = d.controls[0];
    EXPECT_EQ(icon.style & SS_TYPEMASK, SS_ICON);
    EXPECT_EQ(icon.text, std::to_string(IDI_MAIN));
    EXPECT_EQ((std::vector<int>{icon.x, icon.y, icon.cx, icon.cy}),
              (std::vector<int>{11, 17, 20, 20}));

    EXPECT_EQ(d.controls[1].text, "Veltrano 1.0 版");
    EXPECT_TRUE(Has(d.controls[1].style, SS_NOPREFIX));
    EXPECT_FALSE(d.controls[2].text.empty());
    EXPECT_EQ(d.controls[2].y, 25);

    const auto& ok = d.controls[3];
    EXPECT_EQ(ok.id, 1); // IDOK
    EXPECT_EQ(ok.text, "确定");
    EXPECT_EQ(ok.style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_TRUE(Has(ok.style, WS_GROUP | WS_TABSTOP));
    EXPECT_EQ((std::vector<int>{ok.x, ok.y, ok.cx, ok.cy}), (std::vector<int>{178, 7, 50, 14}));
}

TEST_F(ProgramScript, SharedResources) {
    EXPECT_EQ(script.language, 0x04);    // LANG_CHINESE
    EXPECT_EQ(script.sublanguage, 0x02); // SUBLANG_CHINESE_SIMPLIFIED
    EXPECT_EQ(script.strings.at(IDS_ABOUT_MENU), "关于 Veltrano(&A)...");
    EXPECT_EQ(script.icons.at(IDI_MAIN), "Veltrano.ico");
    EXPECT_EQ(script.bitmaps.at(IDB_LOGO), "logo.bmp");
    // The version block is for Windows only.
    EXPECT_EQ(script.strings.size(), 1u);
}

TEST_F(ProgramScript, ImagesTheScriptNamesLoadInQt) {
    QImageReader icon(
        QString::fromStdString(std::string(VELTRANO_RES_DIR) + "/" + script.icons.at(IDI_MAIN)));
    ASSERT_TRUE(icon.canRead()) << icon.errorString().toStdString();
    QList<QSize> sizes;
    do {
        QImage image = icon.read();
        ASSERT_FALSE(image.isNull()) << icon.errorString().toStdString();
        sizes.append(image.size());
    } while (icon.jumpToNextImage());
    EXPECT_EQ(sizes, (QList<QSize>{QSize(32, 32), QSize(16, 16)}));

    QImage logo(
        QString::fromStdString(std::string(VELTRANO_RES_DIR) + "/" + script.bitmaps.at(IDB_LOGO)));
    EXPECT_EQ(logo.size(), QSize(132, 36));
}

// The resource compiler's rules that the dialogs depend on.
TEST(ResourceScript, DefaultStylesAndNotFollowTheResourceCompiler) {
    auto s = Parse(R"(
1 DIALOGEX 0, 0, 10, 10
BEGIN
    PUSHBUTTON "a", 10, 0, 0, 1, 1, NOT WS_TABSTOP | WS_DISABLED
    EDITTEXT 11, 0, 0, 1, 1, NOT WS_BORDER
    LTEXT "c", 12, 0, 0, 1, 1
    CONTROL "d", 13, "Button", NOT WS_VISIBLE | 0x1, 0, 0, 1, 1, 0x200
    ICON 7, 14, 2, 3
END
)");
    const auto& c = s.dialogs.at(1).controls;
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].style, WS_CHILD | WS_VISIBLE | 0x08000000u); // tab stop removed
    EXPECT_EQ(c[1].style, WS_CHILD | WS_VISIBLE | WS_TABSTOP);  // border removed
    EXPECT_EQ(c[2].style, WS_CHILD | WS_VISIBLE | WS_GROUP);
    EXPECT_EQ(c[3].style, WS_CHILD | 0x1u);
    EXPECT_EQ(c[3].className, "BUTTON");
    EXPECT_EQ(c[3].exStyle, 0x200u);
    EXPECT_EQ((std::vector<int>{c[4].x, c[4].y, c[4].cx, c[4].cy}), (std::vector<int>{2, 3, 0, 0}));
    EXPECT_EQ(c[4].text, "7");
    EXPECT_EQ(c[4].style & SS_TYPEMASK, SS_ICON);
}

TEST(ResourceScript, StringsPreprocessorAndSkippedResources) {
    auto s = Parse(R"(// comment with "quote
#include <winresrc.h>
#include "ids.h"
#define LOCAL 0x2A /* trailing */
#ifdef IDC_X
#ifndef NOT_THERE
STRINGTABLE BEGIN LOCAL, "a\"b""c\n\t\\d" END
#else
STRINGTABLE BEGIN 1 "wrong branch" END
#endif
#else
STRINGTABLE BEGIN 2 "wrong branch" END
#endif
1 VERSIONINFO
FILEVERSION 2,5
BEGIN
    BLOCK "StringFileInfo" BEGIN BLOCK "040904b0" BEGIN VALUE "Old", "x" END END
END
1 RCDATA "data.bin"
STRINGTABLE
BEGIN
    IDC_NEG "L"
    /* block
       comment */ 8 "eight"
END
)",
                   "#define IDC_X 5\n#define IDC_NEG (-9) // negative\n");
    EXPECT_EQ(s.strings,
              (std::map<int, std::string>{{42, "a\"b\"c\n\t\\d"}, {-9, "L"}, {8, "eight"}}));
    EXPECT_TRUE(s.dialogs.empty());
}

TEST(ResourceScript, FaultsAreReportedWithTheirFileAndLine) {
    struct Case {
        const char* script;
        const char* header;
        const char* where;
        const char* cause;
    };
    const std::vector<Case> cases = {
        {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LTEXT \"open, 3, 0, 0, 1, 1\nEND\n", "",
         "test.rc:3:", "string"},
        {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n\n  LTEXT \"a\", IDC_Y, 0, 0, 1, 1\nEND\n", "",
         "test.rc:4:", "IDC_Y"},
        {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  PUSHBUTTON \"a\" 3, 0, 0, 1, 1\nEND\n", "",
         "test.rc:3:", "','"},
        {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LISTBOX 3, 0, 0, 1, 1\nEND\n", "",
         "test.rc:3:", "LISTBOX"},
        {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LTEXT \"a\", 3, 0, 0, 1, 1\n", "", "test.rc:1:", "END"},
        {"\n#ifdef X\n1 ICON \"a.ico\"\n", "", "test.rc:2:", "#endif"},
        {"STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n", "", "test.rc:4:", "twice"},
        {"1 MENU\nBEGIN\n  POPUP \"x\"\n  BEGIN\nEND\n", "", "test.rc:1:", "END"},
        {"#if 1\n#endif\n", "", "test.rc:1:", "#if"},
        // Lines in comments and excluded branches still count.
        {"/* a\n b */\n#ifdef NOPE\nx\n#endif\n1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LISTBOX 3\nEND\n",
         "", "test.rc:8:", "LISTBOX"},
        // A fault in the header names the header, beside the script.
        {"#include \"ids.h\"\n", "#define A 1\n#ifndef A\n", "ids.h:2:", "#endif"},
    };
    for (const auto& c : cases) {
        std::string error = ParseError(c.script, c.header);
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << c.script << "\n=> " << error;
        EXPECT_NE(error.find(c.cause), std::string::npos) << c.script << "\n=> " << error;
    }
}

} // namespace
