#include "frmRound.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "qt_forms.h"
#include "rules.h"

namespace tickwell {

frmRound::frmRound(TimeCalculator& calc, QWidget* parent)
    : QDialog(parent, kBoxFlags), mCalc(calc) {
    BuildBox(*this, forms::RoundForm());
    cboMinutes = findChild<QComboBox*>("cboMinutes");
    findChild<QLabel*>("lblMinutes")->setBuddy(cboMinutes);  // Alt+M
    cboMinutes->setEditText(QString::fromStdString(forms::RoundMinutesChoice()));
    cboMinutes->lineEdit()->selectAll();
    const char* const options[3] = {"optNearest", "optUp", "optDown"};
    for (int i = 0; i < 3; ++i) mOptions[i] = findChild<QRadioButton*>(options[i]);
    mOptions[forms::RoundOptionChoice()]->setChecked(true);
    lblProblem = findChild<QLabel*>("lblProblem");
    cboMinutes->setFocus();
}

void frmRound::accept() {
    // An option chosen by its access key is checked only as its click ends,
    // a moment later; Enter pressed in that moment takes the one going down.
    int option = 0;
    for (int i = 0; i < 3; ++i)
        if (mOptions[i]->isChecked()) option = i;
    for (int i = 0; i < 3; ++i)
        if (mOptions[i]->isDown()) option = i;
    std::string refusal;
    if (forms::ApplyRound(mCalc, cboMinutes->currentText().toStdString(), option, refusal)) {
        QDialog::accept();
        return;
    }
    lblProblem->setText(QString::fromStdString(refusal));
    cboMinutes->setAccessibleDescription(lblProblem->text());
    cboMinutes->lineEdit()->selectAll();
    cboMinutes->setFocus();
}

}  // namespace tickwell
