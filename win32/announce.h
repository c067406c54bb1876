// Says a text to a screen reader without moving the focus: UI Automation's
// notification event (Windows 10 1709 and later), raised from a minimal
// provider of the main window. Where the system lacks it (Windows 7 and 8),
// nothing is said.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>

namespace tickwell::win {

class Announcer {
public:
    explicit Announcer(HWND window) : mWindow(window) {}
    ~Announcer();
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

    void Say(const std::wstring& text);

private:
    HWND mWindow;
    struct Provider;
    Provider* mProvider = nullptr;
};

}  // namespace tickwell::win
