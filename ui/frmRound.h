// The Round box (Ctrl+R): the minutes to round to, and Nearest, Up or
// Down; OK rounds what "=" would show, Cancel changes nothing.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QRadioButton;

namespace tickwell {

class TimeCalculator;

class frmRound : public QDialog {
    Q_OBJECT
public:
    frmRound(TimeCalculator& calc, QWidget* parent);

    void accept() override;  // OK: rounded, or the refusal said in the box

private:
    TimeCalculator& mCalc;
    QComboBox* cboMinutes;
    QRadioButton* mOptions[3];
    QLabel* lblProblem;
};

}  // namespace tickwell
