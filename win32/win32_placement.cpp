#include "win32_placement.h"

#include <cmath>

#include "win_util.h"

namespace tickwell::win {

namespace {

// Twips per pixel as the system DPI makes them (15 at 100 %).
double Tpp() { return 1440.0 / SystemDpi(); }

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcWork;
        reinterpret_cast<std::vector<PixelRect>*>(data)->push_back(
            {r.left, r.top, r.right, r.bottom});
    }
    return TRUE;
}

}  // namespace

double Win32Screen::Width() const { return GetSystemMetrics(SM_CXSCREEN) * Tpp(); }
double Win32Screen::Height() const { return GetSystemMetrics(SM_CYSCREEN) * Tpp(); }
double Win32Screen::TwipsPerPixelX() const { return Tpp(); }
double Win32Screen::TwipsPerPixelY() const { return Tpp(); }

bool Win32Screen::QueryWorkArea(PixelRect& rc) const {
    RECT r{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return false;
    rc = {r.left, r.top, r.right, r.bottom};
    return true;
}

std::vector<PixelRect> Win32Screen::AllWorkAreas() const {
    std::vector<PixelRect> areas;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&areas));
    if (areas.empty()) {
        PixelRect rc;
        if (QueryWorkArea(rc)) areas.push_back(rc);
    }
    return areas;
}

RECT Win32PlacedWindow::Rect() const {
    RECT r{};
    GetWindowRect(mWindow, &r);
    return r;
}

int Win32PlacedWindow::WindowState() const {
    if (IsIconic(mWindow)) return 1;
    if (IsZoomed(mWindow)) return 2;
    return 0;
}

double Win32PlacedWindow::Left() const { return Rect().left * Tpp(); }
double Win32PlacedWindow::Top() const { return Rect().top * Tpp(); }
double Win32PlacedWindow::Width() const { return (Rect().right - Rect().left) * Tpp(); }
double Win32PlacedWindow::Height() const { return (Rect().bottom - Rect().top) * Tpp(); }

void Win32PlacedWindow::SetLeft(double twips) {
    SetWindowPos(mWindow, nullptr, static_cast<int>(std::lround(twips / Tpp())), Rect().top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32PlacedWindow::SetTop(double twips) {
    SetWindowPos(mWindow, nullptr, Rect().left, static_cast<int>(std::lround(twips / Tpp())), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tickwell::win
