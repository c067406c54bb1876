#include "lifecycle.h"

namespace tickwell {

std::unique_ptr<CRegSettings> gRegSettings;

namespace forms {

void MainLifecycle::Form_Load(std::unique_ptr<IRegistry> registry, const IScreen& screen) {
    mRegistry = std::move(registry);
    gRegSettings = std::make_unique<CRegSettings>(*mRegistry);
    gRegSettings->AppName("Tickwell");
    mPlacement = std::make_unique<MWindow>(*gRegSettings, screen);
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
