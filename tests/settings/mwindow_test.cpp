#include "mwindow.h"

#include <gtest/gtest.h>

#include "file_registry.h"
#include "placement_fakes.h"
#include "temp_dir.h"

namespace tickwell {
namespace {

class Placement : public ::testing::Test {
protected:
    std::string File() const { return mDir.Path() + "/registry.reg"; }
    TempDir mDir;
    FileRegistry mRegistry{File()};
    CRegSettings mSettings{mRegistry};
    FakeScreen mScreen;
    MWindow mWindows{mSettings, mScreen};
};

TEST_F(Placement, FirstRunCentresWithoutWriting) {
    struct Case {
        const char* name;
        double width, height;
        double left, top;
    };
    // Work area 1280 x 994 px = 19200 x 14910 twips; the screen is 20000 x 15360.
    const Case cases[] = {
        {"narrower than the work area", 4515, 3900, 7342, 5505},
        {"wider: centred on the screen", 19500, 3900, 250, 5505},
        {"exactly as wide: the work area", 19200, 14910, 0, 0},
        {"taller: centred on the screen", 4515, 15000, 7342, 180},
    };
    for (const Case& c : cases) {
        FakeWindow window;
        window.width = c.width;
        window.height = c.height;
        mWindows.SaveRestoreWindow(window, false);
        EXPECT_EQ(window.left, c.left) << c.name;
        EXPECT_EQ(window.top, c.top) << c.name;
    }
    EXPECT_FALSE(Exists(File()));
}

TEST_F(Placement, SavesAndRestoresNormalWindowsOnly) {
    FakeWindow window;
    window.left = 3850;
    window.top = 7342.5;  // stored rounded half to even
    mWindows.SaveRestoreWindow(window, true);
    EXPECT_EQ(mSettings.GetSetting("Position", "frmCalc Left", ""), "3850");
    EXPECT_EQ(mSettings.GetSetting("Position", "frmCalc Top", ""), "7342");

    // Minimized, maximized, or on a platform that cannot place windows
    // (where the place read back is made up): nothing saved, nothing moved.
    for (int state : {1, 2, 0}) {
        mScreen.canPlace = state != 0;
        FakeWindow other;
        other.state = state;
        other.left = 999;
        mWindows.SaveRestoreWindow(other, true);
        mWindows.SaveRestoreWindow(other, false);
        EXPECT_EQ(other.moves, 0);
    }
    EXPECT_EQ(mSettings.GetSetting("Position", "frmCalc Left", ""), "3850");
    mScreen.canPlace = true;

    FakeWindow reopened;
    mWindows.SaveRestoreWindow(reopened, false);
    EXPECT_EQ(reopened.left, 3850);
    EXPECT_EQ(reopened.top, 7342);
}

TEST_F(Placement, StoredEdges) {
    struct Case {
        const char* name;
        std::string left;  // as text; a number when the name says so
        bool asNumber;
        double expectedLeft;
    };
    const Case cases[] = {
        {"partly off the left", "-1200", true, -1200},
        {"plain", "3850", true, 3850},
        {"text from another tool", "3850", false, 3850},
        {"text with a half", "100.5", false, 100},
        {"text with a plus sign", "+3850", false, 3850},
        {"not a number", "abc", false, 7342},
        {"a number with text after it", "3850px", false, 7342},  // was read as 3850
        {"beyond 16 bits", "40000", true, 7342},
        {"below 16 bits", "-40000", true, 7342},
        {"entirely right of every screen", "19300", true, 7342},
        {"entirely left of every screen", "-4600", true, 7342},
        {"less than a pixel showing", "-4514", true, 7342},  // -300.9 px lands at -301
    };
    for (const Case& c : cases) {
        if (c.asNumber) {
            mSettings.SaveSetting("Position", "frmCalc Left", "", std::stoi(c.left));
        } else {
            mSettings.SaveSetting("Position", "frmCalc Left", c.left, 0);
        }
        mSettings.SaveSetting("Position", "frmCalc Top", "", 100);
        FakeWindow window;
        mWindows.SaveRestoreWindow(window, false);
        EXPECT_EQ(window.left, c.expectedLeft) << c.name;
    }
    // Saving writes numbers even where text stood before.
    FakeWindow window;
    window.left = 5;
    mWindows.SaveRestoreWindow(window, true);
    RegHandle key = 0;
    ASSERT_EQ(mRegistry.OpenKeyEx(RootHandle(0x80000001u), mSettings.GetKeyPath("Position"), 0,
                                  kKeyAllAccess, &key),
              0);
    std::uint32_t type = 0, size = 0;
    mRegistry.QueryValueEx(key, "frmCalc Left", &type, nullptr, &size);
    EXPECT_EQ(type, kRegDword);
    mRegistry.CloseKey(key);
}

TEST_F(Placement, OffScreenWindowsComeBackCentred) {
    mSettings.SaveSetting("Position", "frmCalc Left", "", 1000);
    mSettings.SaveSetting("Position", "frmCalc Top", "", 20000);  // below the only screen
    FakeWindow window;
    mWindows.SaveRestoreWindow(window, false);
    EXPECT_EQ(window.left, 7342);
    EXPECT_EQ(window.top, 5505);

    // The same place on a second monitor below is kept.
    mScreen.others.push_back({0, 994, 1280, 2018});
    FakeWindow onSecond;
    mWindows.SaveRestoreWindow(onSecond, false);
    EXPECT_EQ(onSecond.left, 1000);
    EXPECT_EQ(onSecond.top, 20000);

    // Beyond 16 bits of twips on a wide desktop: kept while a screen shows it.
    mScreen.others.push_back({1280, 0, 3840, 1440});
    mSettings.SaveSetting("Position", "frmCalc Left", "", 40000);
    mSettings.SaveSetting("Position", "frmCalc Top", "", 100);
    FakeWindow wide;
    mWindows.SaveRestoreWindow(wide, false);
    EXPECT_EQ(wide.left, 40000);
}

// Fault caught: the default ignoring where the primary work area starts, which
// put the window on no screen at all.
TEST_F(Placement, CentredDefaultLandsInThePrimaryWorkArea) {
    mScreen.workArea = {1920, 0, 3840, 1080};
    mScreen.others = {{0, 1080, 1920, 2160}};
    mScreen.width = 1920 * 15;
    mScreen.height = 1080 * 15;
    FakeWindow window;
    mWindows.SaveRestoreWindow(window, false);
    EXPECT_GE(window.left, 1920 * 15);
    EXPECT_LE(window.left + window.width, 3840 * 15);
    EXPECT_GE(window.top, 0);
    EXPECT_LE(window.top + window.height, 1080 * 15);

    // Fault caught: no fallback when centring on a screen wider than a narrow
    // work area still misses it: the work area's corner.
    mScreen.workArea = {1920, 0, 2100, 1080};
    mScreen.others.clear();
    FakeWindow narrow;
    mWindows.SaveRestoreWindow(narrow, false);
    EXPECT_EQ(narrow.left, 1920 * 15);
    EXPECT_EQ(narrow.top, 0);
}

TEST_F(Placement, FailedWorkAreaQueryCentresOnTheScreen) {
    mScreen.queryWorks = false;
    FakeWindow window;
    mWindows.SaveRestoreWindow(window, false);
    EXPECT_EQ(window.left, (20000 - 4515) / 2.0 - 0.5);  // 7742.5 rounds to even 7742
    EXPECT_EQ(window.top, (15360 - 3900) / 2);
}

TEST_F(Placement, HelpWindowUsesItsOwnNames) {
    FakeWindow help;
    help.name = "frmHelp";
    help.left = 300;
    help.top = 400;
    mWindows.SaveRestoreWindow(help, true);
    EXPECT_EQ(mSettings.GetSetting("Position", "frmHelp Left", ""), "300");
    EXPECT_EQ(mSettings.GetSetting("Position", "frmHelp Top", ""), "400");
    EXPECT_EQ(mSettings.GetSetting("Position", "frmCalc Left", "none"), "none");
}

}  // namespace
}  // namespace tickwell
