// window-probe CAPTION: prints the texts of the top-level window titled
// CAPTION and of its controls, one UTF-8 line each ("[disabled] " before the
// text of a disabled one), and fails (status 1) when
// a character of them has no glyph in the font the window draws it with:
// the system would draw '?' or a box in its place. Status 2: no such window.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    std::string out(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size,
                                                                 nullptr, 0, nullptr, nullptr)),
                    '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), static_cast<int>(out.size()),
                        nullptr, nullptr);
    return out;
}

// Asked of the window itself: GetWindowText from another process gives an
// edit's text only as first set, not what it holds now.
std::wstring TextOf(HWND hWnd) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

// The characters of text that font cannot draw.
std::wstring MissingGlyphs(HWND hWnd, HFONT font, const std::wstring& text) {
    std::wstring missing;
    if (text.empty())
        return missing;
    HDC dc = GetDC(hWnd);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    std::vector<WORD> glyphs(text.size());
    GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                     GGI_MARK_NONEXISTING_GLYPHS);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] == 0xFFFF && !iswspace(text[i]))
            missing += text[i];
    SelectObject(dc, old);
    ReleaseDC(hWnd, dc);
    return missing;
}

int g_status = 0;

void Probe(HWND hWnd, HFONT fallback) {
    // An icon's or a picture's text is its resource id, never drawn.
    wchar_t className[16] = L"";
    GetClassNameW(hWnd, className, 16);
    const LONG_PTR type = GetWindowLongPtrW(hWnd, GWL_STYLE) & SS_TYPEMASK;
    if (lstrcmpiW(className, L"Static") == 0 && (type == SS_ICON || type == SS_BITMAP))
        return;
    const std::wstring text = TextOf(hWnd);
    auto font = reinterpret_cast<HFONT>(SendMessageW(hWnd, WM_GETFONT, 0, 0));
    const std::wstring missing = MissingGlyphs(hWnd, font ? font : fallback, text);
    std::printf("%s%s\n", IsWindowEnabled(hWnd) ? "" : "[disabled] ", Utf8(text).c_str());
    if (!missing.empty()) {
        std::printf("  no glyph for \"%s\"\n", Utf8(missing).c_str());
        g_status = 1;
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: window-probe CAPTION\n");
        return 2;
    }
    HWND window = FindWindowW(nullptr, argv[1]);
    if (!window) {
        std::fprintf(stderr, "window-probe: no window titled \"%s\"\n", Utf8(argv[1]).c_str());
        return 2;
    }
    // The caption is drawn in the system's caption font.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT captionFont = CreateFontIndirectW(&metrics.lfCaptionFont);
    Probe(window, captionFont);
    DeleteObject(captionFont);
    auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    EnumChildWindows(
        window,
        [](HWND child, LPARAM font) -> BOOL {
            Probe(child, reinterpret_cast<HFONT>(font));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(dialogFont));
    return g_status;
}
