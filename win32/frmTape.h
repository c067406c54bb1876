// The tape window on Win32: the running record of the calculation in a
// read-only box, newest line at the bottom, selectable and copyable.
// Modeless, one instance, no task-bar button, resizable; remembers its
// position.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>

#include "modeless.h"
#include "rules.h"
#include "tape.h"
#include "win_util.h"

namespace tickwell::win {

class frmTape : public ModelessWindow {
public:
    using ModelessWindow::Handle;
    // Loads the window (restoring its place); `unloaded` runs once it has
    // saved its place and is gone.
    // The first time (no stored place) it stands beside `main`.
    frmTape(MWindow& placement, const Tape& tape, const IPlacedWindow* main,
            std::function<void()> unloaded);
    ~frmTape() override;

    void Show();
    void LineAdded();

private:
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) override;
    void Layout(UINT dpi);
    void FillText();  // every line, at load

    const Tape& mTape;
    HWND mText = nullptr;
    HFONT mFont = nullptr;
};

}  // namespace tickwell::win
