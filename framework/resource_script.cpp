// Reader for the subset of the Windows resource-script language that the
// program's own Veltrano.rc uses. The script stays the single description of
// the dialogs, so this reader follows the resource compiler's rules (default
// control styles, NOT in style lists, implied dialog styles) rather than
// inventing its own; anything it does not understand is an error naming the
// line, never silently dropped.
#include "framework/resource_script.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace rc {
namespace {

// ---------------------------------------------------------------------------
// Windows constants, with the values of the Windows SDK headers.

const std::map<std::string, long long>& BuiltinConstants() {
    static const std::map<std::string, long long> constants = {
        // clang-format off
        // Window styles
        {"WS_OVERLAPPED", 0x00000000}, {"WS_POPUP", 0x80000000}, {"WS_CHILD", 0x40000000},
        {"WS_MINIMIZE", 0x20000000}, {"WS_VISIBLE", 0x10000000}, {"WS_DISABLED", 0x08000000},
        {"WS_CLIPSIBLINGS", 0x04000000}, {"WS_CLIPCHILDREN", 0x02000000},
        {"WS_MAXIMIZE", 0x01000000}, {"WS_CAPTION", 0x00C00000}, {"WS_BORDER", 0x00800000},
        {"WS_DLGFRAME", 0x00400000}, {"WS_VSCROLL", 0x00200000}, {"WS_HSCROLL", 0x00100000},
        {"WS_SYSMENU", 0x00080000}, {"WS_THICKFRAME", 0x00040000}, {"WS_GROUP", 0x00020000},
        {"WS_TABSTOP", 0x00010000}, {"WS_MINIMIZEBOX", 0x00020000}, {"WS_MAXIMIZEBOX", 0x00010000},
        {"WS_TILED", 0x00000000}, {"WS_ICONIC", 0x20000000}, {"WS_SIZEBOX", 0x00040000},
        {"WS_OVERLAPPEDWINDOW", 0x00CF0000}, {"WS_TILEDWINDOW", 0x00CF0000},
        {"WS_POPUPWINDOW", 0x80880000}, {"WS_CHILDWINDOW", 0x40000000},
        // Extended window styles
        {"WS_EX_DLGMODALFRAME", 0x00000001}, {"WS_EX_NOPARENTNOTIFY", 0x00000004},
        {"WS_EX_TOPMOST", 0x00000008}, {"WS_EX_ACCEPTFILES", 0x00000010},
        {"WS_EX_TRANSPARENT", 0x00000020}, {"WS_EX_MDICHILD", 0x00000040},
        {"WS_EX_TOOLWINDOW", 0x00000080}, {"WS_EX_WINDOWEDGE", 0x00000100},
        {"WS_EX_CLIENTEDGE", 0x00000200}, {"WS_EX_CONTEXTHELP", 0x00000400},
        {"WS_EX_RIGHT", 0x00001000}, {"WS_EX_LEFT", 0x00000000}, {"WS_EX_RTLREADING", 0x00002000},
        {"WS_EX_LTRREADING", 0x00000000}, {"WS_EX_LEFTSCROLLBAR", 0x00004000},
        {"WS_EX_RIGHTSCROLLBAR", 0x00000000}, {"WS_EX_CONTROLPARENT", 0x00010000},
        {"WS_EX_STATICEDGE", 0x00020000}, {"WS_EX_APPWINDOW", 0x00040000},
        {"WS_EX_OVERLAPPEDWINDOW", 0x00000300}, {"WS_EX_PALETTEWINDOW", 0x00000188},
        {"WS_EX_LAYERED", 0x00080000}, {"WS_EX_NOINHERITLAYOUT", 0x00100000},
        {"WS_EX_LAYOUTRTL", 0x00400000}, {"WS_EX_COMPOSITED", 0x02000000},
        {"WS_EX_NOACTIVATE", 0x08000000},
        // Dialog styles
        {"DS_ABSALIGN", 0x0001}, {"DS_SYSMODAL", 0x0002}, {"DS_3DLOOK", 0x0004},
        {"DS_FIXEDSYS", 0x0008}, {"DS_NOFAILCREATE", 0x0010}, {"DS_LOCALEDIT", 0x0020},
        {"DS_SETFONT", 0x0040}, {"DS_MODALFRAME", 0x0080}, {"DS_NOIDLEMSG", 0x0100},
        {"DS_SETFOREGROUND", 0x0200}, {"DS_CONTROL", 0x0400}, {"DS_CENTER", 0x0800},
        {"DS_CENTERMOUSE", 0x1000}, {"DS_CONTEXTHELP", 0x2000}, {"DS_SHELLFONT", 0x0048},
        // Edit styles
        {"ES_LEFT", 0x0000}, {"ES_CENTER", 0x0001}, {"ES_RIGHT", 0x0002}, {"ES_MULTILINE", 0x0004},
        {"ES_UPPERCASE", 0x0008}, {"ES_LOWERCASE", 0x0010}, {"ES_PASSWORD", 0x0020},
        {"ES_AUTOVSCROLL", 0x0040}, {"ES_AUTOHSCROLL", 0x0080}, {"ES_NOHIDESEL", 0x0100},
        {"ES_OEMCONVERT", 0x0400}, {"ES_READONLY", 0x0800}, {"ES_WANTRETURN", 0x1000},
        {"ES_NUMBER", 0x2000},
        // Button styles
        {"BS_PUSHBUTTON", 0x0000}, {"BS_DEFPUSHBUTTON", 0x0001}, {"BS_CHECKBOX", 0x0002},
        {"BS_AUTOCHECKBOX", 0x0003}, {"BS_RADIOBUTTON", 0x0004}, {"BS_3STATE", 0x0005},
        {"BS_AUTO3STATE", 0x0006}, {"BS_GROUPBOX", 0x0007}, {"BS_USERBUTTON", 0x0008},
        {"BS_AUTORADIOBUTTON", 0x0009}, {"BS_PUSHBOX", 0x000A}, {"BS_OWNERDRAW", 0x000B},
        {"BS_TYPEMASK", 0x000F}, {"BS_LEFTTEXT", 0x0020}, {"BS_RIGHTBUTTON", 0x0020},
        {"BS_TEXT", 0x0000}, {"BS_ICON", 0x0040}, {"BS_BITMAP", 0x0080}, {"BS_LEFT", 0x0100},
        {"BS_RIGHT", 0x0200}, {"BS_CENTER", 0x0300}, {"BS_TOP", 0x0400}, {"BS_BOTTOM", 0x0800},
        {"BS_VCENTER", 0x0C00}, {"BS_PUSHLIKE", 0x1000}, {"BS_MULTILINE", 0x2000},
        {"BS_NOTIFY", 0x4000}, {"BS_FLAT", 0x8000},
        // Static styles
        {"SS_LEFT", 0x0000}, {"SS_CENTER", 0x0001}, {"SS_RIGHT", 0x0002}, {"SS_ICON", 0x0003},
        {"SS_BLACKRECT", 0x0004}, {"SS_GRAYRECT", 0x0005}, {"SS_WHITERECT", 0x0006},
        {"SS_BLACKFRAME", 0x0007}, {"SS_GRAYFRAME", 0x0008}, {"SS_WHITEFRAME", 0x0009},
        {"SS_USERITEM", 0x000A}, {"SS_SIMPLE", 0x000B}, {"SS_LEFTNOWORDWRAP", 0x000C},
        {"SS_OWNERDRAW", 0x000D}, {"SS_BITMAP", 0x000E}, {"SS_ENHMETAFILE", 0x000F},
        {"SS_ETCHEDHORZ", 0x0010}, {"SS_ETCHEDVERT", 0x0011}, {"SS_ETCHEDFRAME", 0x0012},
        {"SS_TYPEMASK", 0x001F}, {"SS_REALSIZECONTROL", 0x0040}, {"SS_NOPREFIX", 0x0080},
        {"SS_NOTIFY", 0x0100}, {"SS_CENTERIMAGE", 0x0200}, {"SS_RIGHTJUST", 0x0400},
        {"SS_REALSIZEIMAGE", 0x0800}, {"SS_SUNKEN", 0x1000}, {"SS_EDITCONTROL", 0x2000},
        {"SS_ENDELLIPSIS", 0x4000}, {"SS_PATHELLIPSIS", 0x8000}, {"SS_WORDELLIPSIS", 0xC000},
        {"SS_ELLIPSISMASK", 0xC000},
        // Up-down and progress controls
        {"UDS_WRAP", 0x0001}, {"UDS_SETBUDDYINT", 0x0002}, {"UDS_ALIGNRIGHT", 0x0004},
        {"UDS_ALIGNLEFT", 0x0008}, {"UDS_AUTOBUDDY", 0x0010}, {"UDS_ARROWKEYS", 0x0020},
        {"UDS_HORZ", 0x0040}, {"UDS_NOTHOUSANDS", 0x0080}, {"UDS_HOTTRACK", 0x0100},
        {"PBS_SMOOTH", 0x01}, {"PBS_VERTICAL", 0x04}, {"PBS_MARQUEE", 0x08},
        {"PBS_SMOOTHREVERSE", 0x10},
        // Version block
        {"VS_VERSION_INFO", 1}, {"VS_FFI_FILEFLAGSMASK", 0x3F}, {"VS_FF_DEBUG", 0x01},
        {"VS_FF_PRERELEASE", 0x02}, {"VS_FF_PATCHED", 0x04}, {"VS_FF_PRIVATEBUILD", 0x08},
        {"VS_FF_INFOINFERRED", 0x10}, {"VS_FF_SPECIALBUILD", 0x20}, {"VOS_UNKNOWN", 0},
        {"VOS_DOS", 0x00010000}, {"VOS_OS216", 0x00020000}, {"VOS_OS232", 0x00030000},
        {"VOS_NT", 0x00040000}, {"VOS_WINCE", 0x00050000}, {"VOS__BASE", 0}, {"VOS__WINDOWS16", 1},
        {"VOS__PM16", 2}, {"VOS__PM32", 3}, {"VOS__WINDOWS32", 4},
        {"VOS_DOS_WINDOWS16", 0x00010001}, {"VOS_DOS_WINDOWS32", 0x00010004},
        {"VOS_OS216_PM16", 0x00020002}, {"VOS_OS232_PM32", 0x00030003},
        {"VOS_NT_WINDOWS32", 0x00040004}, {"VFT_UNKNOWN", 0}, {"VFT_APP", 1}, {"VFT_DLL", 2},
        {"VFT_DRV", 3}, {"VFT_FONT", 4}, {"VFT_VXD", 5}, {"VFT_STATIC_LIB", 7}, {"VFT2_UNKNOWN", 0},
        // Languages
        {"LANG_NEUTRAL", 0x00}, {"LANG_CHINESE", 0x04}, {"LANG_GERMAN", 0x07},
        {"LANG_ENGLISH", 0x09}, {"LANG_FRENCH", 0x0C}, {"LANG_JAPANESE", 0x11},
        {"LANG_KOREAN", 0x12}, {"SUBLANG_NEUTRAL", 0x00}, {"SUBLANG_DEFAULT", 0x01},
        {"SUBLANG_SYS_DEFAULT", 0x02}, {"SUBLANG_CHINESE_TRADITIONAL", 0x01},
        {"SUBLANG_CHINESE_SIMPLIFIED", 0x02}, {"SUBLANG_CHINESE_HONGKONG", 0x03},
        {"SUBLANG_CHINESE_SINGAPORE", 0x04}, {"SUBLANG_CHINESE_MACAU", 0x05},
        {"SUBLANG_ENGLISH_US", 0x01}, {"SUBLANG_ENGLISH_UK", 0x02},
        // Dialog command ids
        {"IDOK", 1}, {"IDCANCEL", 2}, {"IDABORT", 3}, {"IDRETRY", 4}, {"IDIGNORE", 5}, {"IDYES", 6},
        {"IDNO", 7}, {"IDCLOSE", 8}, {"IDHELP", 9}, {"IDC_STATIC", -1},
    };
    // clang-format on
    return constants;
}

constexpr std::uint32_t kWS_POPUP = 0x80000000, kWS_CHILD = 0x40000000, kWS_VISIBLE = 0x10000000,
                        kWS_CAPTION = 0x00C00000, kWS_BORDER = 0x00800000, kWS_SYSMENU = 0x00080000,
                        kWS_GROUP = 0x00020000, kWS_TABSTOP = 0x00010000, kDS_SETFONT = 0x40,
                        kES_LEFT = 0, kBS_PUSHBUTTON = 0, kBS_DEFPUSHBUTTON = 1, kSS_LEFT = 0,
                        kSS_CENTER = 1, kSS_RIGHT = 2, kSS_ICON = 3;
constexpr int kCodePageUtf8 = 65001;

// ---------------------------------------------------------------------------
// Errors travel as exceptions inside this file and leave it as "line N: ...".

struct ParseError : std::runtime_error {
    int line;
    ParseError(int l, const std::string& what) : std::runtime_error(what), line(l) {}
};

[[noreturn]] void Fail(int line, const std::string& what) {
    throw ParseError(line, what);
}

// ---------------------------------------------------------------------------
// Tokens

enum class Kind { Identifier, Number, String, Punct, End };

struct Token {
    Kind kind = Kind::End;
    std::string text; // identifier, punctuation, or the decoded string literal
    long long value = 0;
    int line = 0;
};

std::string Describe(const Token& t) {
    switch (t.kind) {
    case Kind::End:
        return "end of file";
    case Kind::String:
        return "string \"" + t.text + "\"";
    default:
        return "'" + t.text + "'";
    }
}

bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decodes a quoted literal starting at text[i] == '"'. The resource compiler
// takes both "" and \" as a quote inside a string.
std::string ReadString(std::string_view text, std::size_t& i, int& line) {
    const int startLine = line;
    std::string out;
    ++i;
    for (;;) {
        if (i >= text.size() || text[i] == '\n')
            Fail(startLine, "string not closed on the line it starts");
        char c = text[i++];
        if (c == '"') {
            if (i < text.size() && text[i] == '"') {
                out += '"';
                ++i;
                continue;
            }
            return out;
        }
        if (c != '\\' || i >= text.size()) {
            out += c;
            continue;
        }
        char e = text[i++];
        switch (e) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'a':
            out += '\a';
            break;
        case '0':
            out += '\0';
            break;
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case '\n':
            Fail(startLine, "string not closed on the line it starts");
        default: // unknown escapes stay as written
            out += '\\';
            out += e;
        }
    }
}

long long ReadNumber(std::string_view text, std::size_t& i, int line) {
    std::size_t start = i;
    long long value = 0;
    bool hex = text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X');
    if (hex) {
        i += 2;
        std::size_t digits = i;
        for (; i < text.size(); ++i) {
            char c = text[i];
            int d = IsDigit(c)               ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
            if (d < 0)
                break;
            value = value * 16 + d;
            if (value > 0xFFFFFFFFLL)
                Fail(line, "number too large: " + std::string(text.substr(start, i - start)));
        }
        if (i == digits)
            Fail(line, "hex number without digits");
    } else {
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            value = value * 10 + (text[i] - '0');
            if (value > 0xFFFFFFFFLL)
                Fail(line, "number too large: " + std::string(text.substr(start, i - start)));
        }
    }
    while (i < text.size() &&
           (text[i] == 'L' || text[i] == 'l' || text[i] == 'U' || text[i] == 'u'))
        ++i;
    if (i < text.size() && IsIdentChar(text[i]))
        Fail(line, "malformed number '" + std::string(text.substr(start, i - start + 1)) + "'");
    return value;
}

// Splits text into tokens; `firstLine` is the line number of text[0].
std::vector<Token> Tokenize(std::string_view text, int firstLine) {
    static const char* const twoCharPuncts[] = {"&&", "||", "==", "!=", "<=", ">=", "<<", ">>"};
    std::vector<Token> tokens;
    int line = firstLine;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            int startLine = line;
            i += 2;
            while (i + 1 < text.size() && !(text[i] == '*' && text[i + 1] == '/')) {
                if (text[i] == '\n')
                    ++line;
                ++i;
            }
            if (i + 1 >= text.size())
                Fail(startLine, "comment not closed");
            i += 2;
        } else if (c == '"' || (c == 'L' && i + 1 < text.size() && text[i + 1] == '"')) {
            Token t{Kind::String, {}, 0, line};
            if (c == 'L')
                ++i;
            t.text = ReadString(text, i, line);
            tokens.push_back(std::move(t));
        } else if (IsDigit(c)) {
            Token t{Kind::Number, {}, 0, line};
            std::size_t start = i;
            t.value = ReadNumber(text, i, line);
            t.text = std::string(text.substr(start, i - start));
            tokens.push_back(std::move(t));
        } else if (IsIdentStart(c)) {
            std::size_t start = i;
            while (i < text.size() && IsIdentChar(text[i]))
                ++i;
            tokens.push_back(
                {Kind::Identifier, std::string(text.substr(start, i - start)), 0, line});
        } else {
            std::string p(1, c);
            for (const char* two : twoCharPuncts)
                if (text.substr(i, 2) == two)
                    p = two;
            if (p.size() == 1 &&
                std::string_view(",|&()+-*/~!<>^%{}").find(c) == std::string_view::npos) {
                unsigned char u = static_cast<unsigned char>(c);
                Fail(line,
                     u >= 0x80 ? "text outside a string" : "unexpected character '" + p + "'");
            }
            tokens.push_back({Kind::Punct, p, 0, line});
            i += p.size();
        }
    }
    tokens.push_back({Kind::End, {}, 0, line});
    return tokens;
}

// ---------------------------------------------------------------------------
// Symbols: resource.h's, the script's own #defines, and the built-in constants.

struct Symbols {
    std::map<std::string, long long> values;
    std::set<std::string> defined; // also macros without a numeric value
    // Off for resource.h, which must define IDC_STATIC itself for C++.
    bool withBuiltins = true;

    bool IsDefined(const std::string& name) const {
        return defined.count(name) || values.count(name) ||
               (withBuiltins && BuiltinConstants().count(name));
    }
    const long long* Find(const std::string& name) const {
        if (auto it = values.find(name); it != values.end())
            return &it->second;
        if (!withBuiltins)
            return nullptr;
        if (auto it = BuiltinConstants().find(name); it != BuiltinConstants().end())
            return &it->second;
        return nullptr;
    }
};

// ---------------------------------------------------------------------------
// Expressions: C precedence for #if, and the numeric fields of statements,
// which use | & + - * / ~ and parentheses.

class Expression {
public:
    // inDirective: unknown identifiers count as 0 and `defined` is available.
    Expression(const std::vector<Token>& tokens, std::size_t& pos, const Symbols& symbols,
               bool inDirective)
        : t_(tokens), pos_(pos), symbols_(symbols), directive_(inDirective) {}

    long long Parse(int minPrecedence = 1) {
        long long left = Unary();
        for (;;) {
            const Token& op = t_[pos_];
            int prec = op.kind == Kind::Punct ? Precedence(op.text) : 0;
            if (prec < minPrecedence || prec == 0)
                return left;
            ++pos_;
            long long right = Parse(prec + 1);
            left = Apply(op, left, right);
        }
    }

private:
    static int Precedence(const std::string& op) {
        static const std::map<std::string, int> table = {
            {"||", 1}, {"&&", 2}, {"|", 3}, {"^", 4},  {"&", 5},  {"==", 6},
            {"!=", 6}, {"<", 7},  {">", 7}, {"<=", 7}, {">=", 7}, {"<<", 8},
            {">>", 8}, {"+", 9},  {"-", 9}, {"*", 10}, {"/", 10}, {"%", 10}};
        auto it = table.find(op);
        return it == table.end() ? 0 : it->second;
    }

    static long long Apply(const Token& op, long long a, long long b) {
        const std::string& o = op.text;
        if ((o == "/" || o == "%") && b == 0)
            Fail(op.line, "division by zero");
        if (o == "||")
            return a || b;
        if (o == "&&")
            return a && b;
        if (o == "|")
            return a | b;
        if (o == "^")
            return a ^ b;
        if (o == "&")
            return a & b;
        if (o == "==")
            return a == b;
        if (o == "!=")
            return a != b;
        if (o == "<")
            return a < b;
        if (o == ">")
            return a > b;
        if (o == "<=")
            return a <= b;
        if (o == ">=")
            return a >= b;
        if (o == "<<")
            return a << (b & 31);
        if (o == ">>")
            return a >> (b & 31);
        if (o == "+")
            return a + b;
        if (o == "-")
            return a - b;
        if (o == "*")
            return a * b;
        if (o == "/")
            return a / b;
        return a % b;
    }

    long long Unary() {
        const Token& tok = t_[pos_];
        if (tok.kind == Kind::Punct) {
            if (tok.text == "(") {
                ++pos_;
                long long v = Parse();
                if (t_[pos_].kind != Kind::Punct || t_[pos_].text != ")")
                    Fail(t_[pos_].line, "expected ')' but found " + Describe(t_[pos_]));
                ++pos_;
                return v;
            }
            if (tok.text == "-" || tok.text == "+" || tok.text == "~" || tok.text == "!") {
                ++pos_;
                long long v = Unary();
                return tok.text == "-" ? -v : tok.text == "~" ? ~v : tok.text == "!" ? !v : v;
            }
        }
        if (tok.kind == Kind::Number) {
            ++pos_;
            return tok.value;
        }
        if (tok.kind == Kind::Identifier) {
            ++pos_;
            if (directive_ && tok.text == "defined")
                return Defined();
            if (const long long* v = symbols_.Find(tok.text))
                return *v;
            if (directive_)
                return 0;
            Fail(tok.line, "unknown symbol '" + tok.text + "'");
        }
        Fail(tok.line, "expected a number or symbol but found " + Describe(tok));
    }

    long long Defined() {
        bool paren = t_[pos_].kind == Kind::Punct && t_[pos_].text == "(";
        if (paren)
            ++pos_;
        const Token& name = t_[pos_];
        if (name.kind != Kind::Identifier)
            Fail(name.line, "defined needs a name");
        ++pos_;
        if (paren) {
            if (t_[pos_].kind != Kind::Punct || t_[pos_].text != ")")
                Fail(t_[pos_].line, "expected ')' after defined(" + name.text);
            ++pos_;
        }
        return symbols_.IsDefined(name.text) ? 1 : 0;
    }

    const std::vector<Token>& t_;
    std::size_t& pos_;
    const Symbols& symbols_;
    bool directive_;
};

// ---------------------------------------------------------------------------
// Preprocessor: conditionals, #define and #undef. Directive lines and lines
// in excluded branches are blanked so that line numbers stay those of the
// file.

struct Conditional {
    int line;
    bool parentActive, active, taken, seenElse;
};

bool EvaluateCondition(std::string_view expr, int line, const Symbols& symbols) {
    std::vector<Token> tokens = Tokenize(expr, line);
    if (tokens.size() == 1)
        Fail(line, "#if without a condition");
    std::size_t pos = 0;
    long long v = Expression(tokens, pos, symbols, true).Parse();
    if (tokens[pos].kind != Kind::End)
        Fail(line, "unexpected " + Describe(tokens[pos]) + " in #if condition");
    return v != 0;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Strips a trailing // comment from a directive's argument.
std::string_view StripComment(std::string_view s) {
    if (auto p = s.find("//"); p != std::string_view::npos)
        s = s.substr(0, p);
    if (auto p = s.find("/*"); p != std::string_view::npos)
        s = s.substr(0, p);
    return Trim(s);
}

void Define(std::string_view rest, int line, Symbols& symbols) {
    std::size_t n = 0;
    while (n < rest.size() && IsIdentChar(rest[n]))
        ++n;
    if (n == 0 || !IsIdentStart(rest[0]))
        Fail(line, "#define without a name");
    std::string name(rest.substr(0, n));
    if (n < rest.size() && rest[n] == '(') { // function-like macros carry no resource value
        symbols.defined.insert(name);
        return;
    }
    std::string_view body = StripComment(rest.substr(n));
    symbols.defined.insert(name);
    symbols.values.erase(name);
    if (body.empty())
        return;
    // Only numeric definitions become symbols; anything else just counts as
    // defined for #ifdef.
    try {
        std::vector<Token> tokens = Tokenize(body, line);
        std::size_t pos = 0;
        long long v = Expression(tokens, pos, symbols, false).Parse();
        if (tokens[pos].kind == Kind::End)
            symbols.values[name] = v;
    } catch (const ParseError&) {
    }
}

std::string Preprocess(std::string_view text, Symbols& symbols) {
    std::string out;
    out.reserve(text.size());
    std::vector<Conditional> stack;
    auto active = [&] { return stack.empty() || stack.back().active; };
    int line = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        ++line;
        std::size_t end = text.find('\n', start);
        bool last = end == std::string::npos;
        if (last)
            end = text.size();
        std::string_view raw(text.data() + start, end - start);
        std::string_view body = Trim(raw);
        if (body.empty() || body[0] != '#') {
            if (active())
                out.append(raw);
        } else {
            body = Trim(body.substr(1));
            std::size_t n = 0;
            while (n < body.size() && IsIdentChar(body[n]))
                ++n;
            std::string directive(body.substr(0, n));
            std::string_view rest = Trim(body.substr(n));
            if (directive == "if" || directive == "ifdef" || directive == "ifndef") {
                bool parent = active();
                bool cond = false;
                if (parent) {
                    if (directive == "if") {
                        cond = EvaluateCondition(StripComment(rest), line, symbols);
                    } else {
                        std::string name(StripComment(rest));
                        if (name.empty())
                            Fail(line, "#" + directive + " without a name");
                        cond = symbols.IsDefined(name) == (directive == "ifdef");
                    }
                }
                stack.push_back({line, parent, parent && cond, parent && cond, false});
            } else if (directive == "elif" || directive == "else" || directive == "endif") {
                if (stack.empty())
                    Fail(line, "#" + directive + " without #if");
                Conditional& c = stack.back();
                if (directive == "endif") {
                    stack.pop_back();
                } else {
                    if (c.seenElse)
                        Fail(line, "#" + directive + " after #else");
                    bool cond = directive == "else" ||
                                (c.parentActive && !c.taken &&
                                 EvaluateCondition(StripComment(rest), line, symbols));
                    c.seenElse = directive == "else";
                    c.active = c.parentActive && !c.taken && cond;
                    c.taken = c.taken || c.active;
                }
            } else if (!active()) {
                // Directives in excluded branches are not looked at.
            } else if (directive == "define") {
                Define(rest, line, symbols);
            } else if (directive == "undef") {
                std::string name(StripComment(rest));
                symbols.defined.erase(name);
                symbols.values.erase(name);
            } else if (directive == "pragma") {
                std::string_view p = StripComment(rest);
                if (p.substr(0, 9) == "code_page") {
                    std::string_view arg = Trim(p.substr(9));
                    if (arg.size() < 2 || arg.front() != '(' || arg.back() != ')')
                        Fail(line, "malformed #pragma code_page");
                    arg = Trim(arg.substr(1, arg.size() - 2));
                    if (arg != std::to_string(kCodePageUtf8))
                        Fail(line, "code page " + std::string(arg) +
                                       " is not supported; the script must be UTF-8 (65001)");
                }
            } else if (directive == "error") {
                Fail(line, "#error " + std::string(rest));
            } else if (directive != "include" && directive != "line" && !directive.empty()) {
                Fail(line, "unknown directive #" + directive);
            }
        }
        if (!last)
            out += '\n';
        start = end + 1;
        if (last)
            break;
    }
    if (!stack.empty())
        Fail(stack.back().line, "#if without #endif");
    return out;
}

// Reports the first line holding bytes that are not UTF-8.
void CheckUtf8(std::string_view text) {
    int line = 1;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n')
            ++line;
        std::size_t extra = c < 0x80           ? 0
                            : (c >> 5) == 0x6  ? 1
                            : (c >> 4) == 0xE  ? 2
                            : (c >> 3) == 0x1E ? 3
                                               : 4;
        if (extra == 4 || i + extra >= text.size() + (extra == 0 ? 1 : 0))
            Fail(line, "text is not UTF-8");
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                Fail(line, "text is not UTF-8");
        i += 1 + extra;
    }
}

// ---------------------------------------------------------------------------
// Statements

bool IsMemoryOption(const std::string& word) {
    static const std::set<std::string> options = {"PRELOAD",  "LOADONCALL",  "FIXED",
                                                  "MOVEABLE", "DISCARDABLE", "PURE",
                                                  "IMPURE",   "SHARED",      "NONSHARED"};
    return options.count(word) != 0;
}

class ScriptParser {
public:
    ScriptParser(std::vector<Token> tokens, const Symbols& symbols, ResourceScript& out)
        : t_(std::move(tokens)), symbols_(symbols), out_(out) {}

    void Run() {
        while (Peek().kind != Kind::End) {
            if (PeekWord("LANGUAGE")) {
                Next();
                Language(out_.language, out_.sublanguage);
            } else if (PeekWord("STRINGTABLE")) {
                Next();
                StringTable();
            } else {
                Resource();
            }
        }
    }

private:
    const Token& Peek(std::size_t ahead = 0) const {
        return t_[std::min(pos_ + ahead, t_.size() - 1)];
    }
    const Token& Next() {
        const Token& t = Peek();
        if (t.kind != Kind::End)
            ++pos_;
        return t;
    }
    bool PeekWord(const char* word) const {
        return Peek().kind == Kind::Identifier && Peek().text == word;
    }
    bool PeekPunct(const char* p) const { return Peek().kind == Kind::Punct && Peek().text == p; }
    bool AcceptComma() {
        if (!PeekPunct(","))
            return false;
        Next();
        return true;
    }
    void ExpectComma(const char* what) {
        if (!AcceptComma())
            Fail(Peek().line,
                 std::string("expected ',' before ") + what + " but found " + Describe(Peek()));
    }
    bool PeekBegin() const { return PeekWord("BEGIN") || PeekPunct("{"); }
    bool PeekEndOfBlock() const { return PeekWord("END") || PeekPunct("}"); }
    void ExpectBegin(const char* what) {
        if (!PeekBegin())
            Fail(Peek().line,
                 std::string("expected BEGIN of ") + what + " but found " + Describe(Peek()));
        Next();
    }

    std::string String(const char* what) {
        if (Peek().kind != Kind::String)
            Fail(Peek().line, std::string("expected ") + what + " (a quoted string) but found " +
                                  Describe(Peek()));
        return Next().text;
    }

    long long Number(const char* what) {
        const Token& t = Peek();
        if (t.kind == Kind::End || PeekPunct(",") || PeekBegin() || PeekEndOfBlock())
            Fail(t.line, std::string("expected ") + what + " but found " + Describe(t));
        return Expression(t_, pos_, symbols_, false).Parse();
    }

    int Int(const char* what) {
        int line = Peek().line;
        long long v = Number(what);
        if (v < -2147483648LL || v > 2147483647LL)
            Fail(line, std::string(what) + " out of range");
        return static_cast<int>(v);
    }

    // A style list: terms joined by |, each optionally preceded by NOT, which
    // clears its bits from what the statement would otherwise set.
    std::uint32_t Style(std::uint32_t base, const char* what) {
        std::uint32_t style = base;
        for (;;) {
            bool clear = false;
            if (PeekWord("NOT")) {
                Next();
                clear = true;
            }
            const Token& t = Peek();
            if (t.kind == Kind::End || PeekPunct(",") || PeekBegin() || PeekEndOfBlock())
                Fail(t.line, std::string("expected ") + what + " but found " + Describe(t));
            // Above '|' in precedence, so that NOT applies to one term only.
            auto bits = static_cast<std::uint32_t>(Expression(t_, pos_, symbols_, false).Parse(4));
            style = clear ? (style & ~bits) : (style | bits);
            if (!PeekPunct("|"))
                return style;
            Next();
        }
    }

    void Language(int& language, int& sublanguage) {
        language = Int("language");
        ExpectComma("sublanguage");
        sublanguage = Int("sublanguage");
    }

    void SkipMemoryOptions() {
        while (Peek().kind == Kind::Identifier && IsMemoryOption(Peek().text))
            Next();
    }

    // Skips a BEGIN ... END block, nested blocks included.
    void SkipBlock() {
        int line = Peek().line;
        ExpectBegin("block");
        for (int depth = 1; depth > 0;) {
            if (Peek().kind == Kind::End)
                Fail(line, "block not closed with END");
            if (PeekBegin())
                ++depth;
            else if (PeekEndOfBlock())
                --depth;
            Next();
        }
    }

    int ResolveName(const Token& name) {
        if (name.kind == Kind::Number)
            return static_cast<int>(name.value);
        if (name.kind == Kind::Identifier) {
            if (const long long* v = symbols_.Find(name.text))
                return static_cast<int>(*v);
            Fail(name.line, "unknown symbol '" + name.text + "'");
        }
        Fail(name.line, "expected a resource name but found " + Describe(name));
    }

    void Resource() {
        const Token name = Next();
        const Token type = Next();
        if (type.kind != Kind::Identifier)
            Fail(type.line, "expected a resource type after " + Describe(name) + " but found " +
                                Describe(type));
        if (type.text == "DIALOG" || type.text == "DIALOGEX") {
            Dialog(ResolveName(name), type.text == "DIALOGEX", name.line);
        } else if (type.text == "ICON" || type.text == "BITMAP") {
            int id = ResolveName(name);
            SkipMemoryOptions();
            std::string file = String("file name");
            auto& table = type.text == "ICON" ? out_.icons : out_.bitmaps;
            if (!table.emplace(id, file).second)
                Fail(name.line, type.text + " " + std::to_string(id) + " defined twice");
        } else if (type.text == "VERSIONINFO") {
            Version();
        } else if (type.text == "TEXTINCLUDE" || type.text == "DESIGNINFO" ||
                   type.text == "DLGINIT" || type.text == "AFX_DIALOG_LAYOUT") {
            // Editor bookkeeping that carries nothing the program uses.
            SkipMemoryOptions();
            SkipBlock();
        } else {
            Fail(type.line, "unsupported resource type '" + type.text + "'");
        }
    }

    void StringTable() {
        SkipMemoryOptions();
        while (!PeekBegin()) {
            if (PeekWord("LANGUAGE")) {
                Next();
                int l, s;
                Language(l, s);
            } else if (PeekWord("CHARACTERISTICS") || PeekWord("VERSION")) {
                Next();
                Number("value");
            } else {
                Fail(Peek().line, "expected BEGIN of string table but found " + Describe(Peek()));
            }
        }
        Next();
        while (!PeekEndOfBlock()) {
            int line = Peek().line;
            if (Peek().kind == Kind::End)
                Fail(line, "string table not closed with END");
            int id = Int("string id");
            AcceptComma();
            std::string text = String("string");
            if (!out_.strings.emplace(id, std::move(text)).second)
                Fail(line, "string " + std::to_string(id) + " defined twice");
        }
        Next();
    }

    void Dialog(int id, bool extended, int line) {
        DialogTemplate d;
        d.id = id;
        d.extended = extended;
        SkipMemoryOptions();
        d.x = Int("dialog x");
        ExpectComma("dialog y");
        d.y = Int("dialog y");
        ExpectComma("dialog width");
        d.cx = Int("dialog width");
        ExpectComma("dialog height");
        d.cy = Int("dialog height");
        if (extended && AcceptComma())
            Number("help id");

        bool gotStyle = false, gotCaption = false, gotFont = false;
        while (!PeekBegin()) {
            const Token& t = Peek();
            if (t.kind != Kind::Identifier)
                Fail(t.line, "expected a dialog option or BEGIN but found " + Describe(t));
            std::string word = Next().text;
            if (word == "STYLE") {
                d.style = Style(0, "dialog style");
                gotStyle = true;
            } else if (word == "EXSTYLE") {
                d.exStyle = Style(0, "dialog extended style");
            } else if (word == "CAPTION") {
                d.caption = String("caption");
                gotCaption = true;
            } else if (word == "FONT") {
                d.fontPoints = Int("font size");
                ExpectComma("font name");
                d.fontFace = String("font name");
                if (extended && AcceptComma()) {
                    d.fontWeight = Int("font weight");
                    if (AcceptComma()) {
                        d.fontItalic = Int("font italic flag") != 0;
                        if (AcceptComma())
                            d.fontCharset = Int("font charset");
                    }
                }
                gotFont = true;
            } else if (word == "LANGUAGE") {
                int l, s;
                Language(l, s);
            } else if (word == "CHARACTERISTICS" || word == "VERSION") {
                Number("value");
            } else if (word == "MENU" || word == "CLASS") {
                Next();
            } else {
                Fail(t.line, "unknown dialog option '" + word + "'");
            }
        }
        // Implied by the resource compiler: the default style when none is
        // given, a caption bar for a caption, DS_SETFONT for a font.
        if (!gotStyle)
            d.style = kWS_POPUP | kWS_BORDER | kWS_SYSMENU;
        if (gotCaption)
            d.style |= kWS_CAPTION;
        if (gotFont)
            d.style |= kDS_SETFONT;

        Next(); // BEGIN
        while (!PeekEndOfBlock()) {
            if (Peek().kind == Kind::End)
                Fail(line, "dialog not closed with END");
            d.controls.push_back(ControlStatement(extended));
        }
        Next();
        if (!out_.dialogs.emplace(id, std::move(d)).second)
            Fail(line, "dialog " + std::to_string(id) + " defined twice");
    }

    // A control's text: a string, or a resource id (symbol or number) for
    // image statics, kept in decimal.
    std::string ControlText() {
        if (Peek().kind == Kind::String)
            return Next().text;
        return std::to_string(Int("control text or resource id"));
    }

    static std::string ClassName(std::string name) {
        static const char* const known[] = {"BUTTON",  "EDIT",      "STATIC",
                                            "LISTBOX", "SCROLLBAR", "COMBOBOX"};
        std::string upper = name;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        for (const char* k : known)
            if (upper == k)
                return upper;
        return name;
    }

    void Rectangle(Control& c, bool sizeOptional = false) {
        c.x = Int("control x");
        ExpectComma("control y");
        c.y = Int("control y");
        if (sizeOptional && !PeekPunct(","))
            return;
        ExpectComma("control width");
        c.cx = Int("control width");
        ExpectComma("control height");
        c.cy = Int("control height");
    }

    // [, style [, exstyle [, help id]]] after the rectangle.
    void TrailingStyles(Control& c, std::uint32_t base, bool extended) {
        c.style = base;
        if (!AcceptComma())
            return;
        c.style = Style(base, "control style");
        if (!AcceptComma())
            return;
        c.exStyle = Style(0, "control extended style");
        if (extended && AcceptComma())
            Number("help id");
    }

    Control ControlStatement(bool extended) {
        const Token& t = Peek();
        if (t.kind != Kind::Identifier)
            Fail(t.line, "expected a control statement or END but found " + Describe(t));
        Control c;
        c.statement = Next().text;
        const std::uint32_t child = kWS_CHILD | kWS_VISIBLE;
        const std::string& s = c.statement;
        if (s == "PUSHBUTTON" || s == "DEFPUSHBUTTON") {
            c.className = "BUTTON";
            c.text = String("button text");
            ExpectComma("control id");
            c.id = Int("control id");
            ExpectComma("control x");
            Rectangle(c);
            TrailingStyles(
                c, child | kWS_TABSTOP | (s == "PUSHBUTTON" ? kBS_PUSHBUTTON : kBS_DEFPUSHBUTTON),
                extended);
        } else if (s == "LTEXT" || s == "RTEXT" || s == "CTEXT") {
            c.className = "STATIC";
            c.text = String("static text");
            ExpectComma("control id");
            c.id = Int("control id");
            ExpectComma("control x");
            Rectangle(c);
            std::uint32_t align = s == "LTEXT" ? kSS_LEFT : s == "RTEXT" ? kSS_RIGHT : kSS_CENTER;
            TrailingStyles(c, child | kWS_GROUP | align, extended);
        } else if (s == "EDITTEXT") {
            c.className = "EDIT";
            c.id = Int("control id");
            ExpectComma("control x");
            Rectangle(c);
            TrailingStyles(c, child | kWS_BORDER | kWS_TABSTOP | kES_LEFT, extended);
        } else if (s == "ICON") {
            c.className = "STATIC";
            c.text = ControlText();
            ExpectComma("control id");
            c.id = Int("control id");
            ExpectComma("control x");
            Rectangle(c, true);
            TrailingStyles(c, child | kSS_ICON, extended);
        } else if (s == "CONTROL") {
            c.text = ControlText();
            ExpectComma("control id");
            c.id = Int("control id");
            ExpectComma("control class");
            if (Peek().kind == Kind::String || Peek().kind == Kind::Identifier)
                c.className = ClassName(Next().text);
            else
                Fail(Peek().line, "expected a control class but found " + Describe(Peek()));
            ExpectComma("control style");
            c.style = Style(child, "control style");
            ExpectComma("control x");
            Rectangle(c);
            if (AcceptComma()) {
                c.exStyle = Style(0, "control extended style");
                if (extended && AcceptComma())
                    Number("help id");
            }
        } else {
            Fail(t.line, "unsupported control statement '" + s + "'");
        }
        return c;
    }

    std::array<int, 4> VersionNumber(const char* what) {
        std::array<int, 4> parts{};
        parts[0] = Int(what);
        for (std::size_t i = 1; i < parts.size() && AcceptComma(); ++i)
            parts[i] = Int(what);
        return parts;
    }

    void Version() {
        VersionInfo& v = out_.version;
        while (!PeekBegin()) {
            const Token& t = Peek();
            if (t.kind != Kind::Identifier)
                Fail(t.line, "expected a version statement or BEGIN but found " + Describe(t));
            std::string word = Next().text;
            if (word == "FILEVERSION")
                v.fileVersion = VersionNumber("file version");
            else if (word == "PRODUCTVERSION")
                v.productVersion = VersionNumber("product version");
            else if (word == "FILEFLAGS")
                v.fileFlags = static_cast<std::uint32_t>(Number("file flags"));
            else if (word == "FILEOS")
                v.fileOS = static_cast<std::uint32_t>(Number("file OS"));
            else if (word == "FILETYPE")
                v.fileType = static_cast<std::uint32_t>(Number("file type"));
            else if (word == "FILEFLAGSMASK" || word == "FILESUBTYPE")
                Number("value");
            else
                Fail(t.line, "unknown version statement '" + word + "'");
        }
        Next();
        VersionBlock("");
    }

    // The body of a BLOCK (or of the version resource itself, parent "").
    void VersionBlock(const std::string& parent) {
        int line = Peek().line;
        while (!PeekEndOfBlock()) {
            if (Peek().kind == Kind::End)
                Fail(line, "version block not closed with END");
            if (PeekWord("BLOCK")) {
                Next();
                std::string name = String("block name");
                ExpectBegin("version block");
                if (parent == "StringFileInfo" && out_.version.blockName.empty())
                    out_.version.blockName = name;
                VersionBlock(parent == "StringFileInfo" ? "StringTable" : name);
            } else if (PeekWord("VALUE")) {
                Next();
                VersionValue(parent);
            } else {
                Fail(Peek().line, "expected BLOCK, VALUE or END but found " + Describe(Peek()));
            }
        }
        Next();
    }

    void VersionValue(const std::string& parent) {
        int line = Peek().line;
        std::string key = String("value name");
        std::string text;
        std::vector<std::uint16_t> numbers;
        while (AcceptComma()) {
            if (Peek().kind == Kind::String) {
                text += Next().text;
            } else {
                long long n = Number("value");
                numbers.push_back(static_cast<std::uint16_t>(n));
            }
        }
        // Older scripts spell the terminator out as "\0".
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        if (parent == "StringTable") {
            if (!out_.version.strings.emplace(key, text).second)
                Fail(line, "version value \"" + key + "\" defined twice");
        } else if (parent == "VarFileInfo" && key == "Translation") {
            out_.version.translation = numbers;
        }
    }

    std::vector<Token> t_;
    std::size_t pos_ = 0;
    const Symbols& symbols_;
    ResourceScript& out_;
};

std::string ErrorText(const ParseError& e) {
    return "line " + std::to_string(e.line) + ": " + e.what();
}

} // namespace

std::map<std::string, int> ParseResourceHeader(const std::string& text) {
    Symbols symbols;
    symbols.withBuiltins = false;
    try {
        Preprocess(text, symbols);
    } catch (const ParseError&) {
        // A header is only a list of symbols; what could be read is kept.
    }
    std::map<std::string, int> out;
    for (const auto& [name, value] : symbols.values)
        out[name] = static_cast<int>(value);
    return out;
}

bool ParseResourceScript(const std::string& text, const std::map<std::string, int>& symbols,
                         ResourceScript& out, std::string* error) {
    Symbols table;
    for (const auto& [name, value] : symbols)
        table.values[name] = value;
    // Defined by the resource compiler itself.
    table.values["RC_INVOKED"] = 1;
    table.values["_WIN32"] = 1;
    ResourceScript result;
    try {
        std::string_view body = text;
        if (body.substr(0, 3) == "\xEF\xBB\xBF") // byte-order mark some editors write
            body.remove_prefix(3);
        CheckUtf8(body);
        ScriptParser(Tokenize(Preprocess(body, table), 1), table, result).Run();
    } catch (const ParseError& e) {
        if (error)
            *error = ErrorText(e);
        return false;
    }
    out = std::move(result);
    return true;
}

} // namespace rc
