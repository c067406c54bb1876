#include "lifecycle.h"

#include <utility>

#include "catalogue.h"
#include "settings_file.h"

namespace tickwell {

namespace forms {

void MainLifecycle::Form_Load(std::unique_ptr<IRegistry> registry, const IScreen& screen,
                              std::unique_ptr<ITapeStore> tapeStore) {
    mRegistry = std::move(registry);
    mSettings = std::make_unique<CRegSettings>(*mRegistry);
    mSettings->AppName("Tickwell");
    mAlwaysOnTop = mSettings->GetFlag(kOptionsSection, kAlwaysOnTopValue);
    mTapeStore = std::move(tapeStore);
    mKeepTape = mTapeStore && mSettings->GetFlag(kOptionsSection, kKeepTapeValue);
    if (mKeepTape) {
        std::vector<std::string> lines;
        std::string day, problem;
        switch (mTapeStore->Load(lines, day, problem)) {
            case ITapeStore::Loaded::Ok: mTape.Restore(lines, day); break;
            case ITapeStore::Loaded::Absent: break;
            case ITapeStore::Loaded::Refused: {
                // Said once, where the tape is read; the file is never
                // written over or deleted this run.
                mTapeRefused = true;
                settingsfile::Report("tickwell: " + problem);
                std::string text = Tr(kKeptTapeRefusedText);
                if (const auto place = text.find("{file}"); place != std::string::npos)
                    text.replace(place, 6, "\u201C" + mTapeStore->Where() + "\u201D");
                mTape.Restore({text}, "");
                break;
            }
        }
    }
    mPlacement = std::make_unique<MWindow>(*mSettings, screen);
    mPlacement->SaveRestoreWindow(mForm, false);
}

void MainLifecycle::SetAlwaysOnTop(bool on) {
    mAlwaysOnTop = on;
    mSettings->SaveSetting(kOptionsSection, kAlwaysOnTopValue, "", on ? 1 : 0);
}

void MainLifecycle::SetKeepTape(bool on) {
    if (!mTapeStore || on == mKeepTape) return;
    mKeepTape = on;
    mSettings->SaveSetting(kOptionsSection, kKeepTapeValue, "", on ? 1 : 0);
    if (mTapeRefused) return;
    if (on) {
        mTapeDirty = true;
        FlushTape();
        return;
    }
    mTapeDirty = false;
    std::string problem;
    if (mTapeStore->Remove(problem) != kErrorSuccess)
        settingsfile::Report("tickwell: the kept tape cannot be deleted: " + problem);
}

int MainLifecycle::TapeChanged() {
    if (!mKeepTape || mTapeRefused) return 0;
    mTapeDirty = true;
    const auto since = std::chrono::steady_clock::now() - mLastKept;
    if (since >= std::chrono::seconds(1)) {
        FlushTape();
        return 0;
    }
    if (mFlushArmed) return 0;
    mFlushArmed = true;
    using std::chrono::milliseconds;
    const milliseconds rest =
        std::chrono::duration_cast<milliseconds>(std::chrono::seconds(1) - since);
    return static_cast<int>(rest.count()) + 1;  // never 0, which would mean "nothing to arrange"
}

void MainLifecycle::FlushTape() {
    mFlushArmed = false;
    if (!mTapeDirty || !mKeepTape || mTapeRefused) return;
    mTapeDirty = false;
    mLastKept = std::chrono::steady_clock::now();
    std::string problem;
    if (mTapeStore->Save(mTape.KeptText(), problem) != kErrorSuccess && !mTapeWarned) {
        // Said once a run; every later line tries again.
        mTapeWarned = true;
        settingsfile::Report("tickwell: the tape cannot be kept: " + problem);
    }
}

int MainLifecycle::ClearTape() {
    mTape.Clear();
    return TapeChanged();
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
    FlushTape();
    mForm.SaveModelessPlaces();
    mPlacement->SaveRestoreWindow(mForm, true);
}

void MainLifecycle::Form_Unload() {
    if (mUnloaded) return;
    mUnloaded = true;
    FlushTape();
    mForm.UnloadTape();
    mForm.UnloadHelp();
    mPlacement->SaveRestoreWindow(mForm, true);
}

}  // namespace forms
}  // namespace tickwell
