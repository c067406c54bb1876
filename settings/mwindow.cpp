#include "mwindow.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "numbers.h"

namespace tickwell {

namespace {

constexpr const char* kSection = "Position";

std::int32_t RoundOrZero(double value) {
    try {
        return WholeNumber(value);
    } catch (const CalcError&) {
        return 0;
    }
}

// A stored edge: a number (fraction rounded half to even) in the 32-bit
// range; whether it is still on a screen is judged afterwards.
std::optional<std::int32_t> ParseEdge(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    const auto last = text.find_last_not_of(' ');
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    if (*begin == '+') ++begin;
    double value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
    try {
        return WholeNumber(value);
    } catch (const CalcError&) {
        return std::nullopt;
    }
}

// The pixels a window will cover, rounded as the windows round twips.
long PixelOf(double twips, double twipsPerPixel) {
    return twipsPerPixel > 0 ? std::lround(twips / twipsPerPixel) : 0;
}

bool Overlaps(long a0, long a1, long b0, long b1) { return a0 < b1 && b0 < a1; }

}  // namespace

void MWindow::GetWorkArea() {
    PixelRect rc;
    if (mScreen.QueryWorkArea(rc)) mrcWorkArea = rc;
    mlWorkWidth = RoundOrZero(mScreen.TwipsPerPixelX() *
                              (static_cast<double>(mrcWorkArea.right) - mrcWorkArea.left));
    mlWorkHeight = RoundOrZero(mScreen.TwipsPerPixelY() *
                               (static_cast<double>(mrcWorkArea.bottom) - mrcWorkArea.top));
}

void MWindow::Centred(double width, double height, double& left, double& top) const {
    // Wherever the primary work area starts on the desktop (a primary screen
    // right of or below another one).
    left = mrcWorkArea.left * mScreen.TwipsPerPixelX() +
           (width > mlWorkWidth ? (mScreen.Width() - width) / 2 : (mlWorkWidth - width) / 2);
    top = mrcWorkArea.top * mScreen.TwipsPerPixelY() +
          (height > mlWorkHeight ? (mScreen.Height() - height) / 2 : (mlWorkHeight - height) / 2);
}

std::vector<PixelRect> MWindow::WorkAreas() const {
    std::vector<PixelRect> areas = mScreen.AllWorkAreas();
    if (areas.empty()) {
        const double tx = mScreen.TwipsPerPixelX(), ty = mScreen.TwipsPerPixelY();
        areas.push_back({0, 0, static_cast<std::int32_t>(PixelOf(mScreen.Width(), tx)),
                         static_cast<std::int32_t>(PixelOf(mScreen.Height(), ty))});
    }
    return areas;
}

void MWindow::PlaceBeside(IPlacedWindow& frm, const IPlacedWindow& other, double gap) {
    if (!mScreen.CanPlaceWindows()) return;
    GetWorkArea();
    const double tx = mScreen.TwipsPerPixelX(), ty = mScreen.TwipsPerPixelY();
    const long w = PixelOf(frm.Width(), tx), h = PixelOf(frm.Height(), ty);
    const std::vector<PixelRect> areas = WorkAreas();
    auto whole = [&](double l, double t) {
        const long x = PixelOf(l, tx), y = PixelOf(t, ty);
        for (const PixelRect& a : areas)
            if (x >= a.left && x + w <= a.right && y >= a.top && y + h <= a.bottom) return true;
        return false;
    };
    const double top = other.Top();
    for (const double left :
         {other.Left() + other.Width() + gap, other.Left() - gap - frm.Width()}) {
        if (whole(left, top)) {
            frm.SetLeft(RoundOrZero(left));
            frm.SetTop(RoundOrZero(top));
            return;
        }
    }
    double left = 0, centredTop = 0;
    Centred(frm.Width(), frm.Height(), left, centredTop);
    frm.SetLeft(RoundOrZero(left));
    frm.SetTop(RoundOrZero(centredTop));
}

bool MWindow::HasPlace(const std::string& name) const {
    return !mSettings.GetSetting(kSection, name + " Left", "").empty();
}

void MWindow::SaveRestoreWindow(IPlacedWindow& frm, bool bSave) {
    if (frm.WindowState() != 0 || !mScreen.CanPlaceWindows()) return;
    const std::string name = frm.Name();

    if (bSave) {
        // One write for both edges: a crash between two would leave a place
        // the window never had.
        mSettings.BeginBatch();
        mSettings.SaveSetting(kSection, name + " Left", "", RoundOrZero(frm.Left()));
        mSettings.SaveSetting(kSection, name + " Top", "", RoundOrZero(frm.Top()));
        mSettings.EndBatch();
        return;
    }

    GetWorkArea();
    const double width = frm.Width(), height = frm.Height();
    const double tx = mScreen.TwipsPerPixelX(), ty = mScreen.TwipsPerPixelY();
    double defaultLeft = 0, defaultTop = 0;
    Centred(width, height, defaultLeft, defaultTop);
    const std::int32_t centredLeft = RoundOrZero(defaultLeft);
    const std::int32_t centredTop = RoundOrZero(defaultTop);

    std::int32_t left =
        ParseEdge(mSettings.GetSetting(kSection, name + " Left", DecimalText(defaultLeft)))
            .value_or(centredLeft);
    std::int32_t top =
        ParseEdge(mSettings.GetSetting(kSection, name + " Top", DecimalText(defaultTop)))
            .value_or(centredTop);

    // A window restored where no screen shows a pixel of it (a monitor was
    // unplugged, the resolution changed) would be lost: centre it instead.
    // Judged in the whole pixels the window will really cover.
    const std::vector<PixelRect> areas = WorkAreas();
    const long w = PixelOf(width, tx), h = PixelOf(height, ty);
    auto visible = [&](std::int32_t l, std::int32_t t) {
        const long x = PixelOf(l, tx), y = PixelOf(t, ty);
        for (const PixelRect& a : areas)
            if (Overlaps(x, x + w, a.left, a.right) && Overlaps(y, y + h, a.top, a.bottom))
                return true;
        return false;
    };
    if (!visible(left, top)) {
        left = centredLeft;
        top = centredTop;
        // Centring on a screen larger than a narrow work area can still miss
        // it: then the work area's corner.
        if (!visible(left, top)) {
            left = RoundOrZero(mrcWorkArea.left * tx);
            top = RoundOrZero(mrcWorkArea.top * ty);
        }
    }
    frm.SetLeft(left);
    frm.SetTop(top);
}

}  // namespace tickwell
