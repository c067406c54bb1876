// The main window: the time entry, the seven command buttons and the Help
// menu. It hosts the calculator engine and owns the program's lifecycle.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>

#include "accessible.h"
#include "calculator.h"
#include "host.h"
#include "lifecycle.h"
#include "rules.h"

class QLineEdit;
class QPushButton;
class QAbstractButton;
class QAction;
class QMenuBar;
class QTimer;

namespace tickwell {

class QtScreen;
class frmHelp;
class frmTape;

class frmCalc : public QMainWindow, public ICalcHost, public forms::IMenuCommands {
    Q_OBJECT
public:
    frmCalc();
    ~frmCalc() override;

    // Lifecycle: creates the settings store and restores the position
    // (before the first show); minimize/restore; closing.
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    // The session ends: both windows' places saved as a close saves them.
    void EndSession() { mLifecycle.EndSession(); }
    // The session manager's save request: every place saved, nothing closed.
    void SaveSession() { mLifecycle.SaveSession(); }

    // Edit menu.
    void mnuCopy_Click() override;
    void mnuPaste_Click() override;
    void mnuTape_Click() override;
    void mnuCopyHours_Click() override;
    void mnuMultiplyDivide_Click() override;
    void mnuTimeBetween_Click() override;
    void mnuRound_Click() override;
    // Help menu.
    void mnuUsing_Click() override;
    void mnuHelpWebSite_Click() override;
    void mnuHelpSharewell_Click() override;
    void mnuAbout_Click() override;
    // View menu.
    void mnuAlwaysOnTop_Click() override;
    // The tape window's menu.
    void mnuTapeSaveAs_Click() override;
    void mnuKeepTape_Click() override;
    void mnuTapeClear_Click() override;
    void mnuTapeClose_Click() override;

    TimeCalculator& Calc() { return mCalc; }
    frmHelp* HelpWindow() const;  // null while not loaded
    frmTape* TapeWindow() const;  // null while not loaded

    // ICalcHost
    std::string GetText(Control box) const override;
    void SetText(Control box, const std::string& text) override;
    void SetFocus(Control control) override;
    void Press(Control button) override;
    int MsgBox(const std::string& text, const std::string& title, int style) override;
    void SendTab() override;
    void AskFactor() override;
    void Announce(const std::string& text) override;
    // What the window said to a screen reader last, for tests.
    QString Announced() const { return mAnnouncer->Said(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Form;  // the lifecycle's view of this window
    friend class Form;

    void BuildControls();
    void BuildMenu();
    QWidget* ControlWidget(Control control) const;
    void MoveTab(bool backward);
    void BuildMenu(QMenuBar* bar, const char* name, const char* caption,
                   const forms::MenuItemSpec* begin, const forms::MenuItemSpec* end);
    // Checks a check item of this window or the tape window by its name.
    void CheckItem(const char* name, bool on);
    void ApplyAlwaysOnTop();
    void TapeChanged(int flushAfter);
    void ShowHelp();
    void UnloadHelp();
    void ShowTape();
    void UnloadTape();

    TimeCalculator mCalc;
    std::map<Control, QWidget*> mControls;
    QLineEdit* txtHours = nullptr;
    QLineEdit* txtMinutes = nullptr;
    QLineEdit* txtSeconds = nullptr;

    std::unique_ptr<QtScreen> mScreen;
    std::unique_ptr<Form> mForm;
    forms::MainLifecycle mLifecycle;
    QPointer<frmHelp> mHelp;
    QPointer<frmTape> mTape;
    Announcer* mAnnouncer = nullptr;
    QTimer* mTapeFlush = nullptr;  // keeps the tape a second after a burst of lines
    forms::KeyPreview mPreview{mCalc};
};

}  // namespace tickwell
