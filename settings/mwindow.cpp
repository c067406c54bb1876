#include "mwindow.h"

#include <charconv>
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

// A stored edge: a number (fraction rounded half to even) in -32768..32767.
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
        const std::int32_t edge = WholeNumber(value);
        if (edge < -32768 || edge > 32767) return std::nullopt;
        return edge;
    } catch (const CalcError&) {
        return std::nullopt;
    }
}

bool Overlaps(double a0, double a1, double b0, double b1) { return a0 < b1 && b0 < a1; }

}  // namespace

void MWindow::GetWorkArea() {
    PixelRect rc;
    if (mScreen.QueryWorkArea(rc)) mrcWorkArea = rc;
    mlWorkWidth = RoundOrZero(mScreen.TwipsPerPixelX() *
                              (static_cast<double>(mrcWorkArea.right) - mrcWorkArea.left));
    mlWorkHeight = RoundOrZero(mScreen.TwipsPerPixelY() *
                               (static_cast<double>(mrcWorkArea.bottom) - mrcWorkArea.top));
}

void MWindow::SaveRestoreWindow(IPlacedWindow& frm, bool bSave) {
    if (frm.WindowState() != 0) return;
    const std::string name = frm.Name();

    if (bSave) {
        mSettings.SaveSetting(kSection, name + " Left", "", RoundOrZero(frm.Left()));
        mSettings.SaveSetting(kSection, name + " Top", "", RoundOrZero(frm.Top()));
        return;
    }

    GetWorkArea();
    const double width = frm.Width(), height = frm.Height();
    const double defaultLeft =
        width > mlWorkWidth ? (mScreen.Width() - width) / 2 : (mlWorkWidth - width) / 2;
    const double defaultTop =
        height > mlWorkHeight ? (mScreen.Height() - height) / 2 : (mlWorkHeight - height) / 2;
    const std::int32_t centredLeft = RoundOrZero(defaultLeft);
    const std::int32_t centredTop = RoundOrZero(defaultTop);

    std::int32_t left =
        ParseEdge(mSettings.GetSetting(kSection, name + " Left", DecimalText(defaultLeft)))
            .value_or(centredLeft);
    std::int32_t top =
        ParseEdge(mSettings.GetSetting(kSection, name + " Top", DecimalText(defaultTop)))
            .value_or(centredTop);

    // A window restored where no screen shows any of it (a monitor was
    // unplugged, the resolution changed) would be lost: centre it instead.
    std::vector<PixelRect> areas = mScreen.AllWorkAreas();
    const double tx = mScreen.TwipsPerPixelX(), ty = mScreen.TwipsPerPixelY();
    bool visible = false;
    if (areas.empty()) {
        visible = Overlaps(left, left + width, 0, mScreen.Width()) &&
                  Overlaps(top, top + height, 0, mScreen.Height());
    }
    for (const PixelRect& a : areas) {
        visible = visible || (Overlaps(left, left + width, a.left * tx, a.right * tx) &&
                              Overlaps(top, top + height, a.top * ty, a.bottom * ty));
    }
    if (!visible) {
        left = centredLeft;
        top = centredTop;
    }
    frm.SetLeft(left);
    frm.SetTop(top);
}

}  // namespace tickwell
