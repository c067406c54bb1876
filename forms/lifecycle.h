// The main window's life: at load it makes the settings store, reads the
// options and restores the window's place (and a kept tape); minimizing
// closes open help and tape windows and the restore that follows brings them
// back; closing keeps the tape if asked, unloads them, then saves the main
// window's place. Front ends supply the window through IMainForm.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "mwindow.h"
#include "reg_settings.h"
#include "registry.h"
#include "tape.h"
#include "tape_store.h"
#include "translate.h"

namespace tickwell {

namespace forms {

class IMainForm : public IPlacedWindow {
public:
    // Whether the help window is shown; asking never loads it.
    virtual bool HelpVisible() const = 0;
    // Shows the help window modeless (loading it, which restores its place),
    // or brings the open one to the front.
    virtual void ShowHelp() = 0;
    // Unloads the help window if it is loaded (it saves its own place).
    virtual void UnloadHelp() = 0;
    // The same for the tape window.
    virtual bool TapeVisible() const = 0;
    virtual void ShowTape() = 0;
    virtual void UnloadTape() = 0;
    // Saves the places of the open help and tape windows, leaving them open.
    virtual void SaveModelessPlaces() = 0;
};

// An IMainForm whose place and state are those of another window object, so
// a front end only adds the help-window operations.
class PlacedMainForm : public IMainForm {
public:
    explicit PlacedMainForm(IPlacedWindow& placed) : mPlaced(placed) {}
    std::string Name() const override { return mPlaced.Name(); }
    int WindowState() const override { return mPlaced.WindowState(); }
    double Left() const override { return mPlaced.Left(); }
    double Top() const override { return mPlaced.Top(); }
    double Width() const override { return mPlaced.Width(); }
    double Height() const override { return mPlaced.Height(); }
    void SetLeft(double twips) override { mPlaced.SetLeft(twips); }
    void SetTop(double twips) override { mPlaced.SetTop(twips); }

private:
    IPlacedWindow& mPlaced;
};

// The choices the menus turn on and off, kept as REG_DWORD 0 or 1.
constexpr const char* kOptionsSection = "Options";
constexpr const char* kKeepTapeValue = "Keep Tape";
constexpr const char* kAlwaysOnTopValue = "Always On Top";
// A kept tape that could not be read; {file} is where it is.
constexpr const char* kKeptTapeRefusedText =
    N_("The kept tape in {file} could not be read, so it was left as it is.");

class MainLifecycle {
public:
    explicit MainLifecycle(IMainForm& form) : mForm(form) {}

    // Before the first show: also reads the options, and, when the tape is
    // kept, brings back the kept lines from `tapeStore`. `screen` must
    // outlive this object.
    void Form_Load(std::unique_ptr<IRegistry> registry, const IScreen& screen,
                   std::unique_ptr<ITapeStore> tapeStore = nullptr);

    // Always on Top, as read at load (so the first show has it) and as
    // last chosen; choosing saves it.
    bool AlwaysOnTop() const { return mAlwaysOnTop; }
    void SetAlwaysOnTop(bool on);
    // Keep Between Runs: turning it on keeps the tape at once, turning it
    // off deletes the kept file. A kept file that could not be read at load
    // is left as it is for the whole run.
    bool KeepTape() const { return mKeepTape; }
    void SetKeepTape(bool on);
    // The tape changed. It is kept at once when the last keep was a second
    // ago or more; otherwise the front end calls FlushTape after the
    // milliseconds returned (0: nothing to arrange).
    int TapeChanged();
    void FlushTape();
    // Tape > Clear: no line left, and none kept.
    int ClearTape();
    void Form_Resize();
    void Form_Unload();  // runs once; later calls do nothing
    // The session is ending (sign-out, shutdown, a termination signal): the
    // windows unload exactly as a close unloads them, saving both places.
    // Nothing on this path asks the user anything, so it never holds the
    // session's end; the front end then ends the program.
    void EndSession() { Form_Unload(); }
    // The session manager asks for everything to be saved before a logout
    // that the user may still cancel: every place is saved, and every window
    // stays open. The program ends only when the session really ends.
    void SaveSession();

    // Shared with the help window, which restores and saves through it.
    MWindow& Placement() { return *mPlacement; }
    CRegSettings& Settings() { return *mSettings; }
    bool HelpWasVisible() const { return mbHelpWasVisible; }
    // The tape the engine feeds, kept while its window is closed.
    Tape& TheTape() { return mTape; }

private:
    IMainForm& mForm;
    std::unique_ptr<IRegistry> mRegistry;
    std::unique_ptr<CRegSettings> mSettings;  // over mRegistry, so it lives as long
    std::unique_ptr<MWindow> mPlacement;
    bool mbHelpWasVisible = false;
    bool mbTapeWasVisible = false;
    bool mbMinimized = false;  // between a minimize and the restore that ends it
    Tape mTape;
    std::unique_ptr<ITapeStore> mTapeStore;
    bool mAlwaysOnTop = false;
    bool mKeepTape = false;
    bool mTapeRefused = false;  // the kept file stays as it is this run
    bool mTapeDirty = false;
    bool mFlushArmed = false;
    bool mTapeWarned = false;
    std::chrono::steady_clock::time_point mLastKept{};
    bool mUnloaded = false;
};

}  // namespace forms
}  // namespace tickwell
