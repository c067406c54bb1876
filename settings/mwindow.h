// Remembers where a window stood: its left and top edges in twips, under
// "Position" in the settings store, with a centred default on first use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reg_settings.h"

namespace tickwell {

struct PixelRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class IScreen {
public:
    virtual ~IScreen() = default;
    virtual double Width() const = 0;  // twips
    virtual double Height() const = 0;
    virtual double TwipsPerPixelX() const = 0;
    virtual double TwipsPerPixelY() const = 0;
    // The primary desktop's work area (without the task bar), in pixels;
    // false when the platform cannot tell.
    virtual bool QueryWorkArea(PixelRect& rc) const = 0;
    // False where programs can neither read nor set where their windows
    // stand (Wayland): then places are neither saved nor restored, so a
    // position the platform made up never overwrites a good one.
    virtual bool CanPlaceWindows() const { return true; }
    // Every screen's work area, in pixels, for telling whether a window
    // would be visible at all.
    virtual std::vector<PixelRect> AllWorkAreas() const {
        PixelRect rc;
        if (QueryWorkArea(rc)) return {rc};
        return {};
    }
};

class IPlacedWindow {
public:
    virtual ~IPlacedWindow() = default;
    virtual std::string Name() const = 0;
    virtual int WindowState() const = 0;  // 0 normal, 1 minimized, 2 maximized
    virtual double Left() const = 0;      // twips
    virtual double Top() const = 0;
    virtual double Width() const = 0;
    virtual double Height() const = 0;
    virtual void SetLeft(double twips) = 0;
    virtual void SetTop(double twips) = 0;
};

class MWindow {
public:
    MWindow(CRegSettings& settings, const IScreen& screen) : mSettings(settings), mScreen(screen) {}

    // bSave: store the edges of a normal-state window; otherwise move the
    // window to the stored edges, or centre it when none are usable.
    void SaveRestoreWindow(IPlacedWindow& frm, bool bSave);

    // Whether a place for the named window is stored.
    bool HasPlace(const std::string& name) const;

    // A first place for a window that opens beside `other`: `gap` twips right
    // of it where one screen shows the window whole, else as far left of it,
    // else centred in the primary work area.
    void PlaceBeside(IPlacedWindow& frm, const IPlacedWindow& other, double gap);

private:
    void GetWorkArea();
    // Where a window of that size stands centred in the primary work area.
    void Centred(double width, double height, double& left, double& top) const;
    // Every screen's work area; the whole screen when none is known.
    std::vector<PixelRect> WorkAreas() const;

    CRegSettings& mSettings;
    const IScreen& mScreen;
    PixelRect mrcWorkArea{};  // keeps its last contents when a query fails
    std::int32_t mlWorkWidth = 0;
    std::int32_t mlWorkHeight = 0;
};

}  // namespace tickwell
