// The help window: the help page drawn from its table. Modeless, no owner,
// not in the task bar, one instance; remembers its position.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>

#include "mwindow.h"
#include "rules.h"
#include "win_util.h"

namespace tickwell::win {

class frmHelp : public RoutedWindow {
public:
    // Loads the window (restoring its place); `unloaded` runs once it has
    // saved its place and is gone.
    frmHelp(MWindow& placement, std::function<void()> unloaded);
    ~frmHelp() override;
    frmHelp(const frmHelp&) = delete;
    frmHelp& operator=(const frmHelp&) = delete;

    void Show();  // to the front, restored if minimized
    void Unload();
    HWND Handle() const { return mHwnd; }
    bool Visible() const { return mHwnd && IsWindowVisible(mHwnd); }

private:
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) override;
    void Form_Load();
    void Form_Unload();
    void Paint();
    void Resize(UINT dpi);

    forms::HelpPlacement mPlacement;
    std::function<void()> mUnloaded;
    UINT mDpi = 96;
};

}  // namespace tickwell::win
