// The main window on Win32: renders the shared layout table, hosts the
// engine (key preview happens in the message loop), owns the lifecycle.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "announce.h"
#include "calculator.h"
#include "frmHelp.h"
#include "frmTape.h"
#include "layout.h"
#include "lifecycle.h"
#include "rules.h"
#include "win32_placement.h"
#include "win_util.h"

namespace tickwell::win {

class frmCalc : public RoutedWindow,
                public ICalcHost,
                public forms::PlacedMainForm,
                public forms::IMenuCommands {
public:
    frmCalc();
    ~frmCalc() override;
    frmCalc(const frmCalc&) = delete;
    frmCalc& operator=(const frmCalc&) = delete;

    HWND Handle() const { return mHwnd; }
    // Key preview and accelerators, before TranslateMessage; true when the
    // message was handled (or swallowed) here.
    bool PreTranslate(MSG& msg);

    void mnuCopy_Click() override;
    void mnuPaste_Click() override;
    void mnuTape_Click() override;
    void mnuCopyHours_Click() override;
    void mnuMultiplyDivide_Click() override;
    void mnuTimeBetween_Click() override;
    void mnuRound_Click() override;
    void mnuUsing_Click() override;
    void mnuHelpWebSite_Click() override;
    void mnuHelpSharewell_Click() override;
    void mnuAbout_Click() override;
    void mnuAlwaysOnTop_Click() override;
    void mnuTapeSaveAs_Click() override;
    void mnuKeepTape_Click() override;
    void mnuTapeClear_Click() override;
    void mnuTapeClose_Click() override;

    // ICalcHost
    std::string GetText(Control box) const override;
    void SetText(Control box, const std::string& text) override;
    void SetFocus(Control control) override;
    void Press(Control button) override;
    int MsgBox(const std::string& text, const std::string& title, int style) override;
    void SendTab() override;
    void AskFactor() override;
    void Announce(const std::string& text) override;

    // forms::IMainForm
    bool HelpVisible() const override { return mHelp && mHelp->Visible(); }
    void ShowHelp() override;
    void UnloadHelp() override;
    bool TapeVisible() const override { return mTape && mTape->Visible(); }
    void ShowTape() override;
    void UnloadTape() override;
    void SaveModelessPlaces() override;

private:
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) override;
    void BuildControls(UINT dpi);
    void BuildMenu();
    void ApplyAlwaysOnTop();
    void TapeChanged(int flushAfter);
    void Layout(UINT dpi);
    void SizeToForm();  // the window's size for the form at mDpi
    void MoveTab(bool backward);
    void PutOnClipboard(const std::string& text);
    bool OpenClipboardPatiently();
    HWND ControlWindow(Control control) const;
    const forms::ControlSpec* SpecOf(HWND control) const;

    HACCEL mAccel = nullptr;
    HWND mToolTips = nullptr;
    static constexpr UINT_PTR kToolTipsTimer = 1;
    static constexpr UINT_PTR kTapeTimer = 2;  // keeps the tape a second after a burst of lines
    UINT mDpi = 96;
    TimeCalculator mCalc;
    std::vector<HWND> mControls;  // parallel to the layout table
    std::vector<HFONT> mFonts;
    Win32Screen mScreen;
    Win32PlacedWindow mPlaced;
    forms::MainLifecycle mLifecycle;
    std::unique_ptr<frmHelp> mHelp;
    std::unique_ptr<frmTape> mTape;
    std::unique_ptr<win::Announcer> mAnnouncer;
    HWND mLastFocus = nullptr;  // the control that gets the focus back on activation
    forms::KeyPreview mPreview{mCalc};
};

}  // namespace tickwell::win
