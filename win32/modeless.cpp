#include "modeless.h"

#include "win32_placement.h"

namespace tickwell::win {

ModelessWindow::~ModelessWindow() {
    if (mHwnd) DestroyDetached();
}

void ModelessWindow::RestorePlace(const IPlacedWindow* beside) {
    Win32PlacedWindow window(mHwnd, mName);
    mPlacement.Form_Load(window, beside);
}

void ModelessWindow::SavePlace() {
    Win32PlacedWindow window(mHwnd, mName);
    mPlacement.Form_Unload(window);
}

void ModelessWindow::SaveOpenPlace() {
    if (!mHwnd) return;
    Win32PlacedWindow window(mHwnd, mName);
    mPlacement.SavePlace(window);
}

LRESULT ModelessWindow::Close() {
    SavePlace();
    DestroyDetached();
    if (mUnloaded) mUnloaded();
    return 0;
}

}  // namespace tickwell::win
