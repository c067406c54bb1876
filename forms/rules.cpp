#include "rules.h"

namespace tickwell::forms {

KeyRoute RouteKey(const KeyPress& press) {
    using A = KeyRoute::Action;
    if (press.key == Key::Tab) return {press.shift ? A::TabBackward : A::TabForward, 0};
    // Alt and the Windows key make menu and system keys, never characters.
    if (press.alt || press.meta) return {A::Ignore, 0};
    switch (press.key) {
        case Key::Return: return {A::Dispatch, static_cast<std::uint16_t>(press.ctrl ? 10 : 13)};
        case Key::Backspace: return {A::Dispatch, static_cast<std::uint16_t>(press.ctrl ? 127 : 8)};
        case Key::Delete:
        case Key::Editing: return {press.inBox ? A::Native : A::Ignore, 0};
        case Key::Other: return {A::Ignore, 0};
        case Key::Tab:
        case Key::Character: break;
    }
    const std::uint16_t c = press.character;
    if (!press.ctrl) return {A::Dispatch, c};
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter) return {A::Ignore, 0};  // Ctrl with a digit or sign types nothing
    if ((c == 'a' || c == 'A') && press.inBox) return {A::Native, 0};  // select all
    return {A::Dispatch, static_cast<std::uint16_t>(c & 0x1F)};
}

int KeyPreview::Dispatch(std::uint16_t& code) {
    mInPreview = true;
    mCalc.Form_KeyPress(code);  // reports its own failures; never throws
    mInPreview = false;
    const int tabs = mHeldTabs;
    mHeldTabs = 0;
    return tabs;
}

bool KeyPreview::HoldTab() {
    if (!mInPreview) return false;
    ++mHeldTabs;
    return true;
}

void RunMenuCommand(MenuCommand command, IHelpMenu& menu) {
    switch (command) {
        case MenuCommand::Using: menu.mnuUsing_Click(); break;
        case MenuCommand::WebSite: menu.mnuHelpWebSite_Click(); break;
        case MenuCommand::Sharewell: menu.mnuHelpSharewell_Click(); break;
        case MenuCommand::About: menu.mnuAbout_Click(); break;
        case MenuCommand::None: break;
    }
}

bool HelpPlacement::Form_Unload(IPlacedWindow& window) {
    if (mUnloaded) return false;
    mUnloaded = true;
    mPlacement.SaveRestoreWindow(window, true);
    return true;
}

}  // namespace tickwell::forms
