#include "drawing.h"

#include <algorithm>
#include <cmath>

#include "system_libraries.h"

namespace tickwell::win {

RECT ToRect(const forms::TwipsRect& r, UINT dpi) {
    const int left = Scale(r.left, dpi), top = Scale(r.top, dpi);
    return {left, top, left + Scale(r.width, dpi), top + Scale(r.height, dpi)};
}

RECT LabelRect(const forms::FormSpec& form, const forms::ControlSpec& row, const std::wstring& text,
               HFONT font, UINT dpi) {
    if (row.kind != forms::Kind::Label || row.wrap || text.empty()) return ToRect(row.rect, dpi);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    const bool measured =
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) != 0;
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int twips = measured ? MulDiv(size.cx, forms::kTwipsPerInch, static_cast<int>(dpi)) : 0;
    return ToRect(forms::LabelRoom(form, row, twips), dpi);
}

namespace {

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(wanted.lfFaceName, face);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// The design's face is the old bitmap sans serif, which cannot scale smoothly
// nor take ClearType; its TrueType twin has the same metrics. Then faces of
// the same build, and the bitmap face itself as the last resort.
const wchar_t* DialogFace() {
    static const wchar_t* const face = [] {
        for (const wchar_t* candidate : {L"Microsoft Sans Serif", L"Tahoma", L"Arial"})
            if (FaceInstalled(candidate)) return candidate;
        return L"MS Sans Serif";
    }();
    return face;
}

}  // namespace

UINT SystemDpi() {
    using Get = UINT(WINAPI*)();
    static const Get get = User32<Get>("GetDpiForSystem");
    if (get) return get();
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

HFONT MakeFont(const forms::FontSpec& row, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(std::lround(row.points * dpi / 72.0));
    font.lfItalic = row.italic;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    if (row.face == forms::Face::Title) {
        wcscpy_s(font.lfFaceName, L"Arial Black");
        font.lfWeight = FW_BLACK;  // Arial Black's own weight, for stand-ins
    } else {
        wcscpy_s(font.lfFaceName, DialogFace());
        font.lfWeight = row.bold ? FW_BOLD : FW_NORMAL;
    }
    return CreateFontIndirectW(&font);
}

COLORREF ToColor(const forms::ColorSpec& row, COLORREF inherit) {
    switch (row.kind) {
        case forms::ColorKind::Rgb: return RGB(row.r, row.g, row.b);
        case forms::ColorKind::WindowText: return GetSysColor(COLOR_WINDOWTEXT);
        case forms::ColorKind::ButtonText: return GetSysColor(COLOR_BTNTEXT);
        case forms::ColorKind::ButtonFace: return GetSysColor(COLOR_BTNFACE);
        case forms::ColorKind::Menu: return GetSysColor(COLOR_MENU);
        case forms::ColorKind::Inherit: break;
    }
    return inherit;
}

void PaintLines(HDC dc, const forms::FormSpec& form, UINT dpi) {
    for (std::size_t i = 0; i < form.lineCount; ++i) {
        const forms::LineSpec& line = form.lines[i];
        const COLORREF color = ToColor(line.color, GetSysColor(COLOR_WINDOWTEXT));
        const int width = std::max(1, line.widthPx * static_cast<int>(dpi) / 96);
        const RECT r{Scale(line.x1, dpi), Scale(line.y1, dpi), Scale(line.x2, dpi) + 1,
                     Scale(line.y1, dpi) + width};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &r, brush);  // the rules are horizontal
        DeleteObject(brush);
    }
}

UINT WindowDpi(HWND window) {
    using Get = UINT(WINAPI*)(HWND);
    static const Get get = User32<Get>("GetDpiForWindow");
    const UINT dpi = window && get ? get(window) : SystemDpi();
    return dpi ? dpi : 96;
}

SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu, UINT dpi) {
    RECT r{0, 0, Scale(clientWidth, dpi), Scale(clientHeight, dpi)};
    using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const Adjust adjust = User32<Adjust>("AdjustWindowRectExForDpi");
    if (adjust) {
        adjust(&r, style, menu, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&r, style, menu, exStyle);  // the frame at the system DPI
    }
    return {r.right - r.left, r.bottom - r.top};
}

}  // namespace tickwell::win
