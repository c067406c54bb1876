// A screen and a window for placement tests: plain numbers, no toolkit.
#pragma once

#include <string>
#include <vector>

#include "mwindow.h"

namespace tickwell {

struct FakeScreen : IScreen {
    double width = 20000, height = 15360, twips = 15;
    bool queryWorks = true, canPlace = true;
    bool CanPlaceWindows() const override { return canPlace; }
    PixelRect workArea{0, 0, 1280, 994};
    std::vector<PixelRect> others;

    double Width() const override { return width; }
    double Height() const override { return height; }
    double TwipsPerPixelX() const override { return twips; }
    double TwipsPerPixelY() const override { return twips; }
    bool QueryWorkArea(PixelRect& rc) const override {
        if (queryWorks) rc = workArea;
        return queryWorks;
    }
    std::vector<PixelRect> AllWorkAreas() const override {
        std::vector<PixelRect> all = others;
        if (queryWorks) all.insert(all.begin(), workArea);
        return all;
    }
};

struct FakeWindow : IPlacedWindow {
    std::string name = "frmCalc";
    int state = 0;
    double left = 111, top = 222, width = 4515, height = 3900;
    int moves = 0;

    std::string Name() const override { return name; }
    int WindowState() const override { return state; }
    double Left() const override { return left; }
    double Top() const override { return top; }
    double Width() const override { return width; }
    double Height() const override { return height; }
    void SetLeft(double twips) override {
        left = twips;
        ++moves;
    }
    void SetTop(double twips) override {
        top = twips;
        ++moves;
    }
};

}  // namespace tickwell
