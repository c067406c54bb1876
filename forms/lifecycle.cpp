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
        if (mbHelpWasVisible) mForm.UnloadHelp();
    } else if (mbHelpWasVisible) {
        mForm.ShowHelp();  // the flag stays; the next minimize sets it afresh
    }
}

void MainLifecycle::Form_Unload() {
    if (mUnloaded) return;
    mUnloaded = true;
    mForm.UnloadHelp();
    mPlacement->SaveRestoreWindow(mForm, true);
}

}  // namespace forms
}  // namespace tickwell
