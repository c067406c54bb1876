#include "frmTimeBetween.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "qt_forms.h"
#include "rules.h"

namespace tickwell {

frmTimeBetween::frmTimeBetween(TimeCalculator& calc, QWidget* parent)
    : QDialog(parent, kBoxFlags), mCalc(calc) {
    BuildBox(*this, forms::TimeBetweenForm());
    const char* const fields[3][2] = {
        {"txtStart", "lblStart"}, {"txtEnd", "lblEnd"}, {"txtBreak", "lblBreak"}};
    for (int i = 0; i < 3; ++i) {
        mFields[i] = findChild<QLineEdit*>(fields[i][0]);
        findChild<QLabel*>(fields[i][1])->setBuddy(mFields[i]);  // Alt+S, Alt+E, Alt+R
        connect(mFields[i], &QLineEdit::textChanged, this, &frmTimeBetween::Changed);
    }
    lblPreview = findChild<QLabel*>("lblPreview");
    lblProblem = findChild<QLabel*>("lblProblem");
    mFields[0]->setFocus();
}

void frmTimeBetween::Changed() {
    lblPreview->setText(QString::fromStdString(forms::TimeBetweenPreview(
        mFields[0]->text().toStdString(), mFields[1]->text().toStdString(),
        mFields[2]->text().toStdString())));
}

void frmTimeBetween::accept() {
    std::string refusal;
    int field = 0;
    if (forms::ApplyTimeBetween(mCalc, mFields[0]->text().toStdString(),
                                mFields[1]->text().toStdString(), mFields[2]->text().toStdString(),
                                refusal, field)) {
        QDialog::accept();
        return;
    }
    // Said in the box, and read out with the field: nothing has changed.
    lblProblem->setText(QString::fromStdString(refusal));
    for (QLineEdit* each : mFields) each->setAccessibleDescription(QString());
    mFields[field]->setAccessibleDescription(lblProblem->text());
    mFields[field]->selectAll();
    mFields[field]->setFocus();
}

}  // namespace tickwell
