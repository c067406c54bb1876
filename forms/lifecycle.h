// The main window's life: at load it makes the settings store and restores
// the window's place; minimizing closes open help and tape windows and
// the restore that follows brings them back; closing unloads them, then saves the main
// window's place. Front ends supply the window through IMainForm.
#pragma once

#include <memory>

#include "mwindow.h"
#include "reg_settings.h"
#include "registry.h"
#include "tape.h"

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

class MainLifecycle {
public:
    explicit MainLifecycle(IMainForm& form) : mForm(form) {}

    // Before the first show. `screen` must outlive this object.
    void Form_Load(std::unique_ptr<IRegistry> registry, const IScreen& screen);
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
    bool mUnloaded = false;
};

}  // namespace forms
}  // namespace tickwell
