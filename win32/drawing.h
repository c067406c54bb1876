// The tables drawn at a DPI: twips to pixels, the design's fonts and
// colours, the forms' rules (lines), window sizes, and the DPI itself.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>

#include "layout.h"

namespace tickwell::win {

inline int Scale(int twips, UINT dpi) { return forms::TwipsToPixels(twips, static_cast<int>(dpi)); }
RECT ToRect(const forms::TwipsRect& r, UINT dpi);
// A control's rectangle; a one-line label whose text (in `font`) is wider
// than its row takes the room the form leaves it (forms::TextRoom).
RECT LabelRect(const forms::FormSpec& form, const forms::ControlSpec& row, const std::wstring& text,
               HFONT font, UINT dpi);
HFONT MakeFont(const forms::FontSpec& row, UINT dpi);
// `inherit` for ColorKind::Inherit.
COLORREF ToColor(const forms::ColorSpec& row, COLORREF inherit);
void PaintLines(HDC dc, const forms::FormSpec& form, UINT dpi);
// The DPI of the screen a window is on (the system DPI before Windows 10).
UINT WindowDpi(HWND window);
// The system DPI; 96 where Windows cannot say.
UINT SystemDpi();
// Outer size of a window whose client area is the given twips at `dpi`.
SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu, UINT dpi);

}  // namespace tickwell::win
