// Reader for the part of the resource-script language that the program's
// Veltrano.rc uses. It follows the resource compiler's rules where the
// dialogs depend on them (each control statement's default style, NOT in
// style lists); what it does not understand is an error naming the file and
// the line, never silently dropped.
#include "framework/qt/resource_script.h"

#include <set>
#include <stdexcept>
#include <string_view>

#include "framework/win_types.h"

namespace rc {
namespace {

// The Windows constants the script names, with the framework's own values.
#define RC_CONSTANT(name)                                                                          \
    { #name, static_cast < long long>(name) }
const std::map<std::string, long long> kConstants = {
    RC_CONSTANT(WS_POPUP),
    RC_CONSTANT(WS_CHILD),
    RC_CONSTANT(WS_VISIBLE),
    RC_CONSTANT(WS_DISABLED),
    RC_CONSTANT(WS_CAPTION),
    RC_CONSTANT(WS_BORDER),
    RC_CONSTANT(WS_SYSMENU),
    RC_CONSTANT(WS_GROUP),
    RC_CONSTANT(WS_TABSTOP),
    RC_CONSTANT(WS_EX_TOOLWINDOW),
    RC_CONSTANT(WS_EX_APPWINDOW),
    RC_CONSTANT(DS_MODALFRAME),
    RC_CONSTANT(ES_AUTOHSCROLL),
    RC_CONSTANT(ES_READONLY),
    RC_CONSTANT(SS_BITMAP),
    RC_CONSTANT(SS_NOPREFIX),
    RC_CONSTANT(UDS_SETBUDDYINT),
    RC_CONSTANT(UDS_ALIGNRIGHT),
    RC_CONSTANT(UDS_AUTOBUDDY),
    RC_CONSTANT(UDS_ARROWKEYS),
    RC_CONSTANT(IDOK),
    RC_CONSTANT(LANG_CHINESE),
    RC_CONSTANT(SUBLANG_CHINESE_SIMPLIFIED),
};
#undef RC_CONSTANT

struct ParseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class Kind { Word, Number, String, Punct, End };

struct Token {
    Kind kind = Kind::End;
    std::string text; // the word, the punctuation, or the decoded string
    long long value = 0;
    int line = 0;
};

std::string Describe(const Token& t) {
    if (t.kind == Kind::End)
        return "end of file";
    return t.kind == Kind::String ? "string \"" + t.text + "\"" : "'" + t.text + "'";
}

bool IsWordStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsWordChar(char c) {
    return IsWordStart(c) || (c >= '0' && c <= '9');
}
int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
        return (c | 0x20) - 'a' + 10;
    return 99;
}

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t\r");
    return first == s.npos ? s.substr(s.size())
                           : s.substr(first, s.find_last_not_of(" \t\r") + 1 - first);
}

class Reader {
public:
    Reader(const std::string& name, const std::string& header, ResourceScript& out)
        : file_(name), header_(header), out_(out) {
        if (auto slash = name.rfind('/'); slash != std::string::npos)
            folder_ = name.substr(0, slash + 1);
    }

    void Run(std::string_view text) {
        tokens_ = Tokenize(Preprocess(text), 1);
        pos_ = 0;
        while (Peek().kind != Kind::End)
            Statement();
    }

private:
    [[noreturn]] void Fail(int line, const std::string& cause) const {
        throw ParseError(file_ + ":" + std::to_string(line) + ": " + cause);
    }

    // ----- Tokens

    std::vector<Token> Tokenize(std::string_view s, int line) const {
        std::vector<Token> tokens;
        for (std::size_t i = 0; i < s.size();) {
            const char c = s[i];
            if (c == '\n' || c == ' ' || c == '\t' || c == '\r') {
                line += c == '\n';
                ++i;
            } else if (s.substr(i, 2) == "//") {
                i = s.find('\n', i);
            } else if (s.substr(i, 2) == "/*") {
                const std::size_t end = s.find("*/", i + 2);
                if (end == std::string_view::npos)
                    Fail(line, "comment not closed");
                for (; i < end + 2; ++i)
                    line += s[i] == '\n';
            } else if (c == '"') {
                tokens.push_back({Kind::String, ReadString(s, i, line), 0, line});
            } else if (DigitValue(c) < 10) {
                tokens.push_back(ReadNumber(s, i, line));
            } else if (IsWordStart(c)) {
                const std::size_t start = i;
                while (i < s.size() && IsWordChar(s[i]))
                    ++i;
                tokens.push_back({Kind::Word, std::string(s.substr(start, i - start)), 0, line});
            } else if (std::string_view(",|-()").find(c) != std::string_view::npos) {
                tokens.push_back({Kind::Punct, std::string(1, c), 0, line});
                ++i;
            } else {
                Fail(line, static_cast<unsigned char>(c) >= 0x80
                               ? "text outside a string"
                               : "unexpected character '" + std::string(1, c) + "'");
            }
        }
        tokens.push_back({Kind::End, {}, 0, line});
        return tokens;
    }

    // A quoted string at s[i]; "" and \" stand for a quote, \n and \t as in C.
    std::string ReadString(std::string_view s, std::size_t& i, int line) const {
        std::string out;
        for (++i;; ++i) {
            if (i >= s.size() || s[i] == '\n')
                Fail(line, "string not closed on the line it starts");
            if (s[i] == '"' && (i + 1 >= s.size() || s[i + 1] != '"')) {
                ++i;
                return out;
            }
            if (s[i] == '"' || (s[i] == '\\' && i + 1 < s.size() && s[i + 1] != '\n')) {
                const char e = s[++i];
                out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
            } else {
                out += s[i];
            }
        }
    }

    // Decimal or 0x hex, with the C suffixes L and U allowed.
    Token ReadNumber(std::string_view s, std::size_t& i, int line) const {
        Token t{Kind::Number, {}, 0, line};
        const std::size_t start = i;
        const int base = s.substr(i, 2) == "0x" || s.substr(i, 2) == "0X" ? 16 : 10;
        if (base == 16)
            i += 2;
        for (; i < s.size() && DigitValue(s[i]) < base; ++i)
            if ((t.value = t.value * base + DigitValue(s[i])) > 0xFFFFFFFFLL)
                Fail(line, "number too large");
        while (i < s.size() && (s[i] == 'L' || s[i] == 'l' || s[i] == 'U' || s[i] == 'u'))
            ++i;
        t.text = std::string(s.substr(start, i - start));
        if ((base == 16 && t.text.size() == 2) || (i < s.size() && IsWordChar(s[i])))
            Fail(line, "malformed number '" + t.text + "'");
        return t;
    }

    // ----- Preprocessor: #include, #define, #ifdef/#ifndef/#else/#endif.
    // Directive lines and lines of excluded branches come out blank, so that
    // line numbers stay those of the file.

    std::string Preprocess(std::string_view text) {
        struct Branch {
            int line;
            bool parentActive, active, seenElse;
        };
        std::vector<Branch> open;
        std::string out;
        int line = 1;
        for (std::size_t start = 0; start <= text.size(); ++line) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            const std::string_view raw = text.substr(start, end - start);
            start = end + 1;
            const bool active = open.empty() || open.back().active;
            std::string_view body = Trim(raw);
            if (body.empty() || body[0] != '#') {
                if (active)
                    out.append(raw);
                out += '\n';
                continue;
            }
            out += '\n';
            body = Trim(body.substr(1));
            std::size_t n = 0;
            while (n < body.size() && IsWordChar(body[n]))
                ++n;
            const std::string directive(body.substr(0, n));
            std::string_view rest = Trim(body.substr(n));
            if (auto comment = rest.find("//"); comment != std::string_view::npos)
                rest = Trim(rest.substr(0, comment));
            if (directive == "ifdef" || directive == "ifndef") {
                const bool defined = defined_.count(std::string(rest)) != 0;
                open.push_back({line, active, active && defined == (directive == "ifdef"), false});
            } else if (directive == "else" || directive == "endif") {
                if (open.empty() || (directive == "else" && open.back().seenElse))
                    Fail(line, "#" + directive + " without #ifdef");
                if (directive == "endif")
                    open.pop_back();
                else
                    open.back() = {open.back().line, open.back().parentActive,
                                   open.back().parentActive && !open.back().active, true};
            } else if (!active || directive == "pragma") {
                // Excluded, or for the resource compiler only (the code page).
            } else if (directive == "define") {
                Define(rest, line);
            } else if (directive == "include") {
                Include(rest, line);
            } else {
                Fail(line, "unsupported directive #" + directive);
            }
        }
        if (!open.empty())
            Fail(open.back().line, "#ifdef without #endif");
        return out;
    }

    // "resource.h" is the header given with the script; <...> are the system's
    // headers, whose constants the reader knows.
    void Include(std::string_view rest, int line) {
        if (rest.size() > 2 && rest.front() == '<' && rest.back() == '>')
            return;
        if (rest.size() < 3 || rest.front() != '"' || rest.back() != '"')
            Fail(line, "malformed #include");
        if (headerRead_)
            return;
        headerRead_ = true;
        const std::string scriptFile = file_;
        file_ = folder_ + std::string(rest.substr(1, rest.size() - 2));
        Preprocess(header_); // only its definitions count
        file_ = scriptFile;
    }

    // A name with a numeric value becomes a symbol; any other is only defined.
    void Define(std::string_view rest, int line) {
        std::size_t n = 0;
        while (n < rest.size() && IsWordChar(rest[n]))
            ++n;
        if (n == 0)
            Fail(line, "#define without a name");
        const std::string name(rest.substr(0, n));
        defined_.insert(name);
        symbols_.erase(name);
        if (n < rest.size() && rest[n] == '(')
            return;
        // The statements are read only after the preprocessor, so the token
        // stream is free to read the value with.
        tokens_ = Tokenize(rest.substr(n), line);
        pos_ = 0;
        try {
            const long long value = Value(0);
            if (Peek().kind == Kind::End)
                symbols_[name] = value;
        } catch (const ParseError&) {
        }
    }

    // ----- Statements

    const Token& Peek() const { return tokens_[std::min(pos_, tokens_.size() - 1)]; }
    const Token& Next() {
        const Token& t = Peek();
        pos_ += t.kind != Kind::End;
        return t;
    }
    bool PeekWord(const char* word) const {
        return Peek().kind == Kind::Word && Peek().text == word;
    }
    bool Accept(const char* punct) {
        if (Peek().kind != Kind::Punct || Peek().text != punct)
            return false;
        Next();
        return true;
    }
    void Comma() {
        if (!Accept(","))
            Fail(Peek().line, "expected ',' but found " + Describe(Peek()));
    }
    std::string String() {
        if (Peek().kind != Kind::String)
            Fail(Peek().line, "expected a quoted string but found " + Describe(Peek()));
        return Next().text;
    }

    // A number, a symbol, -term or (value).
    long long Term() {
        const Token& t = Next();
        if (t.kind == Kind::Punct && t.text == "-")
            return -Term();
        if (t.kind == Kind::Punct && t.text == "(") {
            const long long v = Value(0);
            if (!Accept(")"))
                Fail(Peek().line, "expected ')' but found " + Describe(Peek()));
            return v;
        }
        return Resolve(t);
    }
    long long Resolve(const Token& t) const {
        if (t.kind == Kind::Number)
            return t.value;
        if (t.kind != Kind::Word)
            Fail(t.line, "expected a number but found " + Describe(t));
        if (auto symbol = symbols_.find(t.text); symbol != symbols_.end())
            return symbol->second;
        if (auto constant = kConstants.find(t.text); constant != kConstants.end())
            return constant->second;
        Fail(t.line, "unknown symbol '" + t.text + "'");
    }
    int Int() { return static_cast<int>(Term()); }
    // Numbers separated by commas, into their places in order.
    void Ints(std::initializer_list<int*> places) {
        for (int* place : places) {
            if (place != *places.begin())
                Comma();
            *place = Int();
        }
    }

    // Terms joined by |; NOT before a term clears its bits from what the
    // statement would otherwise set.
    long long Value(long long bits) {
        do {
            const bool clear = PeekWord("NOT");
            pos_ += clear;
            const long long term = Term();
            bits = clear ? bits & ~term : bits | term;
        } while (Accept("|"));
        return bits;
    }
    std::uint32_t Style(std::uint32_t base) { return static_cast<std::uint32_t>(Value(base)); }

    void Statement() {
        const Token& name = Next();
        if (name.kind == Kind::Word && name.text == "LANGUAGE")
            return Ints({&out_.language, &out_.sublanguage});
        if (name.kind == Kind::Word && name.text == "STRINGTABLE")
            return StringTable();
        const Token& type = Next();
        if (type.kind != Kind::Word)
            Fail(type.line, "expected a resource type after " + Describe(name) + " but found " +
                                Describe(type));
        if (type.text == "DIALOGEX")
            return Dialog(static_cast<int>(Resolve(name)), name.line);
        if (type.text == "ICON" || type.text == "BITMAP") {
            auto& files = type.text == "ICON" ? out_.icons : out_.bitmaps;
            if (!files.emplace(static_cast<int>(Resolve(name)), String()).second)
                Fail(name.line, type.text + " " + Describe(name) + " defined twice");
            return;
        }
        // Another resource: skipped up to its file name or through its block.
        for (const Token* t = &Next(); t->kind != Kind::String; t = &Next()) {
            if (t->kind == Kind::End)
                Fail(name.line, "resource statement not ended");
            if (t->kind == Kind::Word && t->text == "BEGIN")
                return Block(name.line);
        }
    }

    // Skips to the END that closes a BEGIN already read.
    void Block(int line) {
        for (int depth = 1; depth > 0;) {
            const Token& t = Next();
            if (t.kind == Kind::End)
                Fail(line, "BEGIN without END");
            if (t.kind == Kind::Word && (t.text == "BEGIN" || t.text == "END"))
                depth += t.text == "BEGIN" ? 1 : -1;
        }
    }

    void Begin() {
        if (!PeekWord("BEGIN"))
            Fail(Peek().line, "expected BEGIN but found " + Describe(Peek()));
        Next();
    }
    bool AtEnd(int line) {
        if (Peek().kind == Kind::End)
            Fail(line, "BEGIN without END");
        if (!PeekWord("END"))
            return false;
        Next();
        return true;
    }

    void StringTable() {
        const int line = Peek().line;
        Begin();
        while (!AtEnd(line)) {
            const int idLine = Peek().line;
            const int id = Int();
            Accept(",");
            if (!out_.strings.emplace(id, String()).second)
                Fail(idLine, "string " + std::to_string(id) + " defined twice");
        }
    }

    void Dialog(int id, int line) {
        DialogTemplate d;
        d.id = id;
        Ints({&d.x, &d.y, &d.cx, &d.cy});
        while (!PeekWord("BEGIN")) {
            const Token& option = Next();
            const std::string word = option.kind == Kind::Word ? option.text : "";
            if (word == "STYLE") {
                d.style = Style(0);
            } else if (word == "EXSTYLE") {
                d.exStyle = Style(0);
            } else if (word == "CAPTION") {
                d.caption = String();
            } else if (word == "FONT") {
                d.fontPoints = Int();
                Comma();
                d.fontFace = String();
                while (Accept(",")) // weight, italic, character set: the face's own
                    Int();
            } else {
                Fail(option.line, "unknown dialog option " + Describe(option));
            }
        }
        Begin();
        while (!AtEnd(line))
            d.controls.push_back(ControlStatement());
        if (!out_.dialogs.emplace(id, std::move(d)).second)
            Fail(line, "dialog " + std::to_string(id) + " defined twice");
    }

    // A control's text: a string, or for image statics the image's id.
    std::string Text() { return Peek().kind == Kind::String ? Next().text : std::to_string(Int()); }

    Control ControlStatement() {
        const Token& t = Next();
        const std::string s = t.kind == Kind::Word ? t.text : std::string();
        Control c;
        std::uint32_t style = WS_CHILD | WS_VISIBLE;
        if (s == "PUSHBUTTON" || s == "DEFPUSHBUTTON") {
            c.className = "BUTTON";
            style |= WS_TABSTOP | (s == "DEFPUSHBUTTON" ? BS_DEFPUSHBUTTON : 0);
        } else if (s == "LTEXT") {
            c.className = "STATIC";
            style |= WS_GROUP;
        } else if (s == "EDITTEXT") {
            c.className = "EDIT";
            style |= WS_BORDER | WS_TABSTOP;
        } else if (s == "ICON") {
            c.className = "STATIC";
            style |= SS_ICON;
        } else if (s != "CONTROL") {
            Fail(t.line, "unsupported control statement " + Describe(t));
        }
        if (s != "EDITTEXT") {
            c.text = Text();
            Comma();
        }
        c.id = Int();
        Comma();
        // CONTROL gives its class and style before the rectangle, the others
        // may give a style after it.
        if (s == "CONTROL") {
            c.className = ClassName(String());
            Comma();
            style = Style(style);
            Comma();
        }
        Rectangle(c, s == "ICON");
        c.style = s != "CONTROL" && Accept(",") ? Style(style) : style;
        if (Accept(","))
            c.exStyle = Style(0);
        return c;
    }

    // x, y, then width and height (which an ICON may leave out).
    void Rectangle(Control& c, bool sizeOptional) {
        Ints({&c.x, &c.y});
        if (!sizeOptional || (Peek().kind == Kind::Punct && Peek().text == ",")) {
            Comma();
            Ints({&c.cx, &c.cy});
        }
    }

    static std::string ClassName(std::string name) {
        std::string upper = name;
        for (char& ch : upper)
            ch = ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
        return upper == "BUTTON" || upper == "EDIT" || upper == "STATIC" ? upper : name;
    }

    std::string file_;
    std::string folder_;
    const std::string& header_;
    bool headerRead_ = false;
    std::set<std::string> defined_;
    std::map<std::string, long long> symbols_;
    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    ResourceScript& out_;
};

} // namespace

bool ParseResourceScript(const std::string& name, const std::string& text,
                         const std::string& header, ResourceScript& out, std::string* error) {
    ResourceScript result;
    try {
        std::string_view body = text;
        if (body.substr(0, 3) == "\xEF\xBB\xBF") // the byte-order mark some editors write
            body.remove_prefix(3);
        Reader(name, header, result).Run(body);
    } catch (const ParseError& e) {
        if (error)
            *error = e.what();
        return false;
    }
    out = std::move(result);
    return true;
}

} // namespace rc
