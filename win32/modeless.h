// What the help and tape windows share on Win32: one instance beside the
// main window, its place restored at load and saved once at unload, and the
// owner told when it is gone.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>

#include "rules.h"
#include "win_util.h"

namespace tickwell::win {

class ModelessWindow : public RoutedWindow {
public:
    ModelessWindow(const ModelessWindow&) = delete;
    ModelessWindow& operator=(const ModelessWindow&) = delete;

    void Unload() { SendMessageW(mHwnd, WM_CLOSE, 0, 0); }
    HWND Handle() const { return mHwnd; }
    bool Visible() const { return mHwnd && IsWindowVisible(mHwnd); }
    // Saves the place of the open window, which stays open.
    void SaveOpenPlace();

protected:
    // `unloaded` runs once the window has saved its place and is gone.
    ModelessWindow(MWindow& placement, const char* name, std::function<void()> unloaded)
        : mPlacement(placement), mName(name), mUnloaded(std::move(unloaded)) {}
    ~ModelessWindow() override;

    // `beside`: where the window stands the first time (see HelpPlacement).
    void RestorePlace(const IPlacedWindow* beside = nullptr);
    void SavePlace();
    // WM_CLOSE: saves the place, destroys the window, then tells the owner,
    // which may delete this object: the caller returns at once.
    LRESULT Close();

private:
    forms::HelpPlacement mPlacement;
    const char* mName;
    std::function<void()> mUnloaded;
};

}  // namespace tickwell::win
