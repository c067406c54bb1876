// Window placement with random stored values and screen layouts: wherever
// the window ends up, some screen shows at least one pixel of it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mwindow.h"
#include "registry.h"

namespace {

using namespace tickwell;

// Bytes in, bounded numbers out; zeros once the input runs dry.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::int32_t Next(std::int32_t lo, std::int32_t hi) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4 && size > 0; ++i, ++data, --size) v = (v << 8) | *data;
        const auto span = static_cast<std::uint64_t>(std::int64_t{hi} - lo + 1);
        return static_cast<std::int32_t>(lo + static_cast<std::int64_t>(v % span));
    }
};

// Hands back whatever text the input chose for each stored edge.
class StoredValues : public IRegistry {
public:
    std::string left, top;
    long OpenKeyEx(RegHandle, const std::string&, std::uint32_t, std::uint32_t,
                   RegHandle* r) override {
        *r = 1;
        return 0;
    }
    long CreateKeyEx(RegHandle, const std::string&, std::uint32_t, std::uint32_t,
                     RegHandle* r) override {
        *r = 1;
        return 0;
    }
    long QueryValueEx(RegHandle, const char* name, std::uint32_t* type, unsigned char* data,
                      std::uint32_t* size) override {
        const std::string& v = std::strstr(name, "Left") ? left : top;
        if (v.empty()) return 2;
        if (type) *type = 1;
        if (data && *size >= v.size()) std::memcpy(data, v.data(), v.size());
        *size = static_cast<std::uint32_t>(v.size());
        return 0;
    }
    long SetValueEx(RegHandle, const char*, std::uint32_t, const unsigned char*,
                    std::uint32_t) override {
        return 0;
    }
    long DeleteValue(RegHandle, const char*) override { return 0; }
    long DeleteKey(RegHandle, const std::string&) override { return 0; }
    long CloseKey(RegHandle) override { return 0; }
};

struct Screens : IScreen {
    std::vector<PixelRect> areas;  // the first is the primary
    double width = 0, height = 0;
    double Width() const override { return width; }
    double Height() const override { return height; }
    double TwipsPerPixelX() const override { return 15; }
    double TwipsPerPixelY() const override { return 15; }
    bool QueryWorkArea(PixelRect& rc) const override {
        rc = areas.front();
        return true;
    }
    std::vector<PixelRect> AllWorkAreas() const override { return areas; }
};

struct Window : IPlacedWindow {
    double left = 0, top = 0, width = 0, height = 0;
    std::string Name() const override { return "frmCalc"; }
    int WindowState() const override { return 0; }
    double Left() const override { return left; }
    double Top() const override { return top; }
    double Width() const override { return width; }
    double Height() const override { return height; }
    void SetLeft(double t) override { left = t; }
    void SetTop(double t) override { top = t; }
};

std::string EdgeText(Reader& in) {
    switch (in.Next(0, 3)) {
        case 0: return "";  // nothing stored
        case 1: return std::to_string(in.Next(-2147483647 - 1, 2147483647));
        case 2: return std::to_string(in.Next(-200000, 200000));
        default: return std::to_string(in.Next(-100000, 100000)) + ".5x";
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    Screens screens;
    const int count = in.Next(1, 4);
    for (int i = 0; i < count; ++i) {
        const std::int32_t x = in.Next(-8000, 8000), y = in.Next(-8000, 8000);
        screens.areas.push_back({x, y, x + in.Next(1, 8000), y + in.Next(1, 8000)});
    }
    const PixelRect& primary = screens.areas.front();
    // The primary screen a little larger than its work area (a task bar).
    screens.width = 15.0 * (primary.right - primary.left + in.Next(0, 100));
    screens.height = 15.0 * (primary.bottom - primary.top + in.Next(0, 100));
    StoredValues registry;
    registry.left = EdgeText(in);
    registry.top = EdgeText(in);
    CRegSettings settings(registry);
    MWindow placement(settings, screens);
    Window window;
    window.width = 15.0 * in.Next(1, 3000);
    window.height = 15.0 * in.Next(1, 3000);
    placement.SaveRestoreWindow(window, false);

    const long x = std::lround(window.left / 15), y = std::lround(window.top / 15);
    const long w = std::lround(window.width / 15), h = std::lround(window.height / 15);
    for (const PixelRect& a : screens.areas)
        if (x < a.right && a.left < x + w && y < a.bottom && a.top < y + h) return 0;
    std::fprintf(stderr, "window at %ld,%ld (%ldx%ld) on no screen; stored \"%s\", \"%s\"\n", x, y,
                 w, h, registry.left.c_str(), registry.top.c_str());
    for (const PixelRect& a : screens.areas)
        std::fprintf(stderr, "  screen %d,%d - %d,%d\n", a.left, a.top, a.right, a.bottom);
    std::abort();
}
