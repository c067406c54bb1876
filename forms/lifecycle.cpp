#include "lifecycle.h"

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
        mbHelpWasVisible = mForm.HelpVisible();
        mbTapeWasVisible = mForm.TapeVisible();
        if (mbHelpWasVisible) mForm.UnloadHelp();
        if (mbTapeWasVisible) mForm.UnloadTape();
        return;
    }
    // The flags stay; the next minimize sets them afresh.
    if (mbTapeWasVisible) mForm.ShowTape();
    if (mbHelpWasVisible) mForm.ShowHelp();
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
