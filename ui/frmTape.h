// The tape window: the running record of the calculation, newest line at the
// bottom, selectable and copyable as plain text, with a Tape menu the main
// window fills and runs. Modeless, one instance, no task-bar button;
// remembers its position.
#pragma once

#include <QWidget>

#include "rules.h"
#include "tape.h"

class QMenuBar;
class QPlainTextEdit;

namespace tickwell {

class frmTape : public QWidget {
    Q_OBJECT
public:
    frmTape(MWindow& placement, const Tape& tape);

    // Restores the saved position (the first time, beside `main`) and shows
    // every line.
    void Form_Load(const IPlacedWindow* main);
    void Form_Unload();  // saves the position
    void SavePlace();    // saves it and stays open
    void LineAdded();    // the tape grew
    void Reload();       // shows every line anew (after Clear)

    QPlainTextEdit* Text() const { return mText; }
    QMenuBar* MenuBar() const { return mMenuBar; }

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    forms::HelpPlacement mPlacement;
    const Tape& mTape;
    QPlainTextEdit* mText;
    QMenuBar* mMenuBar;
};

}  // namespace tickwell
