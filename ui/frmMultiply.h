// The multiply-or-divide box: one number field; OK multiplies (or divides,
// with "/" before the number) what "=" would show, Cancel changes nothing.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace tickwell {

class TimeCalculator;

class frmMultiply : public QDialog {
    Q_OBJECT
public:
    frmMultiply(TimeCalculator& calc, QWidget* parent);

    QLineEdit* Field() const { return txtFactor; }
    QLabel* Problem() const { return lblProblem; }

    void accept() override;  // OK: applied, or the refusal said in the box

private:
    TimeCalculator& mCalc;
    QLineEdit* txtFactor;
    QLabel* lblProblem;
};

}  // namespace tickwell
