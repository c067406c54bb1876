// The main window: the time entry, the seven command buttons and the Help
// menu. It hosts the calculator engine and owns the program's lifecycle.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>

#include "calculator.h"
#include "host.h"

class QLineEdit;
class QPushButton;
class QAbstractButton;
class QAction;

namespace tickwell {

class CRegSettings;
class IRegistry;
class MWindow;
class QtScreen;
class frmHelp;

class frmCalc : public QMainWindow, public ICalcHost {
    Q_OBJECT
public:
    frmCalc();
    ~frmCalc() override;

    // Lifecycle: creates the settings store and restores the position
    // (before the first show); minimize/restore; closing.
    void Form_Load();
    void Form_Resize();
    void Form_Unload();

    // Help menu.
    void mnuUsing_Click();
    void mnuHelpWebSite_Click();
    void mnuHelpSharewell_Click();
    void mnuAbout_Click();

    TimeCalculator& Calc() { return mCalc; }
    frmHelp* HelpWindow() const;  // null while not loaded

    // ICalcHost
    std::string GetText(Control box) const override;
    void SetText(Control box, const std::string& text) override;
    void SetFocus(Control control) override;
    void Press(Control button) override;
    int MsgBox(const std::string& text, const std::string& title, int style) override;
    void SendTab() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    QWidget* ControlWidget(Control control) const;
    void SendPendingTabs();
    bool ShowHelp();
    void UnloadHelp();

    TimeCalculator mCalc;
    std::map<Control, QWidget*> mControls;
    QLineEdit* txtHours = nullptr;
    QLineEdit* txtMinutes = nullptr;
    QLineEdit* txtSeconds = nullptr;

    std::unique_ptr<IRegistry> mRegistry;
    std::unique_ptr<QtScreen> mScreen;
    std::unique_ptr<MWindow> mPlacement;
    QPointer<frmHelp> mHelp;
    bool mbHelpWasVisible = false;
    bool mUnloaded = false;
    bool mInKeyPreview = false;
    int mPendingTabs = 0;
};

// The program's one settings store, made by frmCalc::Form_Load.
extern std::unique_ptr<CRegSettings> gRegSettings;

}  // namespace tickwell
