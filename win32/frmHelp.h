// The help window: the help page drawn from its table. Modeless, no owner,
// not in the task bar, one instance; remembers its position.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>
#include <vector>

#include "modeless.h"
#include "mwindow.h"
#include "rules.h"
#include "win_util.h"

namespace tickwell::win {

class frmHelp : public ModelessWindow {
public:
    using ModelessWindow::Handle;
    // Loads the window (restoring its place); `unloaded` runs once it has
    // saved its place and is gone.
    frmHelp(MWindow& placement, std::function<void()> unloaded);

    void Show();  // to the front, restored if minimized

private:
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) override;
    void Form_Load();
    void Paint();
    // Places the screen readers' items over the texts the page paints.
    void PlaceItems();
    void Resize(UINT dpi);

    UINT mDpi = 96;
    std::vector<HWND> mItems;
};

}  // namespace tickwell::win
