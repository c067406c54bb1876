// The placement memory's view of a Win32 window and of the desktop: twips
// at the system DPI, the work area from SPI_GETWORKAREA, every monitor's.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>

#include "mwindow.h"

namespace tickwell::win {

class Win32Screen : public IScreen {
public:
    double Width() const override;
    double Height() const override;
    double TwipsPerPixelX() const override;
    double TwipsPerPixelY() const override;
    bool QueryWorkArea(PixelRect& rc) const override;
    std::vector<PixelRect> AllWorkAreas() const override;
};

class Win32PlacedWindow : public IPlacedWindow {
public:
    Win32PlacedWindow(HWND window, std::string name) : mWindow(window), mName(std::move(name)) {}
    std::string Name() const override { return mName; }
    int WindowState() const override;
    double Left() const override;
    double Top() const override;
    double Width() const override;
    double Height() const override;
    void SetLeft(double twips) override;
    void SetTop(double twips) override;

private:
    RECT Rect() const;
    HWND mWindow;
    std::string mName;
};

}  // namespace tickwell::win
