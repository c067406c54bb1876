#include "win_util.h"

// clang-format off
#include <initguid.h>
#include <oleacc.h>
// clang-format on

#include <cmath>

namespace tickwell::win {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

RECT ToRect(const forms::TwipsRect& r, UINT dpi) {
    const int left = Scale(r.left, dpi), top = Scale(r.top, dpi);
    return {left, top, left + Scale(r.width, dpi), top + Scale(r.height, dpi)};
}

HFONT MakeFont(const forms::FontSpec& spec, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(std::lround(spec.points * dpi / 72.0));
    font.lfItalic = spec.italic;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    if (spec.face == forms::Face::Title) {
        wcscpy_s(font.lfFaceName, L"Arial Black");
        font.lfWeight = FW_BLACK;  // Arial Black's own weight, for stand-ins
    } else {
        wcscpy_s(font.lfFaceName, L"MS Sans Serif");
        font.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
    }
    return CreateFontIndirectW(&font);
}

COLORREF ToColor(const forms::ColorSpec& spec, COLORREF inherit) {
    switch (spec.kind) {
        case forms::ColorKind::Rgb: return RGB(spec.r, spec.g, spec.b);
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
    const UINT dpi = window ? GetDpiForWindow(window) : GetDpiForSystem();
    return dpi ? dpi : 96;
}

SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu, UINT dpi) {
    RECT r{0, 0, Scale(clientWidth, dpi), Scale(clientHeight, dpi)};
    AdjustWindowRectExForDpi(&r, style, menu, exStyle, dpi);
    return {r.right - r.left, r.bottom - r.top};
}

void SetAccessibleName(HWND control, const char* name) {
    static IAccPropServices* services = [] {
        IAccPropServices* s = nullptr;
        if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IAccPropServices, reinterpret_cast<void**>(&s))))
            s = nullptr;
        return s;
    }();
    if (!services || !name) return;
    const std::wstring wide = Wide(name);
    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             PROPID_ACC_NAME, wide.c_str());
}

HICON AppIcon(int size) {
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
}

}  // namespace tickwell::win
