// The tape window on Win32: the running record of the calculation in a
// read-only box, newest line at the bottom, selectable and copyable, under
// a Tape menu whose commands the main window runs. Modeless, one instance,
// no task-bar button, resizable; remembers its position.
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
    // The first time (no stored place) it stands beside `main`. Its menu's
    // commands go to `commands` (the main window, which owns the tape).
    frmTape(MWindow& placement, const Tape& tape, const IPlacedWindow* main, HWND commands,
            std::function<void()> unloaded);
    ~frmTape() override;

    void Show();
    void LineAdded();
    void FillText();  // every line anew (at load, and after Clear)
    // The menu's accelerators (Ctrl+S) for a message to this window.
    bool TranslateKeys(MSG& msg);

private:
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) override;
    void Layout(UINT dpi);

    const Tape& mTape;
    HWND mText = nullptr;
    HFONT mFont = nullptr;
    HWND mCommands;
    HACCEL mAccel = nullptr;
};

}  // namespace tickwell::win
