#include "frmMultiply.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "qt_forms.h"
#include "rules.h"

namespace tickwell {

frmMultiply::frmMultiply(TimeCalculator& calc, QWidget* parent)
    : QDialog(parent, kBoxFlags), mCalc(calc) {
    BuildBox(*this, forms::MultiplyForm());
    txtFactor = findChild<QLineEdit*>("txtFactor");
    lblProblem = findChild<QLabel*>("lblProblem");
    findChild<QLabel*>("lblFactor")->setBuddy(txtFactor);  // Alt+N
    txtFactor->setFocus();
}

void frmMultiply::accept() {
    std::string refusal;
    if (forms::ApplyFactor(mCalc, txtFactor->text().toStdString(), refusal)) {
        QDialog::accept();
        return;
    }
    // Said in the box, and read out with the field: nothing has changed.
    lblProblem->setText(QString::fromStdString(refusal));
    txtFactor->setAccessibleDescription(lblProblem->text());
    txtFactor->selectAll();
    txtFactor->setFocus();
}

}  // namespace tickwell
