// The Time Between box (Ctrl+B): Start, End and Break; OK enters End -
// Start - Break as the entry, Cancel changes nothing.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace tickwell {

class TimeCalculator;

class frmTimeBetween : public QDialog {
    Q_OBJECT
public:
    frmTimeBetween(TimeCalculator& calc, QWidget* parent);

    void accept() override;  // OK: entered, or the refusal said in the box

private:
    void Changed();  // the result as it will be entered, under the fields

    TimeCalculator& mCalc;
    QLineEdit* mFields[3];
    QLabel* lblPreview;
    QLabel* lblProblem;
};

}  // namespace tickwell
