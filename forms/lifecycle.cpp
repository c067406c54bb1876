#include "lifecycle.h"

#include <utility>

namespace tickwell {

namespace forms {

void MainLifecycle::Form_Load(std::unique_ptr<IRegistry> registry, const IScreen& screen) {
    mRegistry = std::move(registry);
    mSettings = std::make_unique<CRegSettings>(*mRegistry);
    mSettings->AppName("Tickwell");
    mPlacement = std::make_unique<MWindow>(*mSettings, screen);
    mPlacement->SaveRestoreWindow(mForm, false);
}

void MainLifecycle::Form_Resize() {
    if (mForm.WindowState() == 1) {
        if (mbMinimized) return;  // a second event for the same minimize
        mbMinimized = true;
        mbHelpWasVisible = mForm.HelpVisible();
        mbTapeWasVisible = mForm.TapeVisible();
        if (mbHelpWasVisible) mForm.UnloadHelp();
        if (mbTapeWasVisible) mForm.UnloadTape();
        return;
    }
    // Only the restore after a minimize brings back what it closed; other
    // size events (a move to a screen of another scale sends one) leave the
    // windows as the user left them. The flags are used once.
    if (!mbMinimized) return;
    mbMinimized = false;
    const bool tape = std::exchange(mbTapeWasVisible, false);
    const bool help = std::exchange(mbHelpWasVisible, false);
    if (tape) mForm.ShowTape();
    if (help) mForm.ShowHelp();
}

void MainLifecycle::SaveSession() {
    if (mUnloaded) return;
    mForm.SaveModelessPlaces();
    mPlacement->SaveRestoreWindow(mForm, true);
}

void MainLifecycle::Form_Unload() {
    if (mUnloaded) return;
    mUnloaded = true;
    mForm.UnloadTape();
    mForm.UnloadHelp();
    mPlacement->SaveRestoreWindow(mForm, true);
}

}  // namespace forms
}  // namespace tickwell
