#include "frmMultiply.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "qt_forms.h"
#include "rules.h"

namespace tickwell {

frmMultiply::frmMultiply(TimeCalculator& calc, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      mCalc(calc) {
    const forms::FormSpec& form = forms::MultiplyForm();
    setObjectName(form.name);
    setWindowTitle(forms::Tr(form.caption));
    setFixedSize(Px(form.clientWidth), Px(form.clientHeight));
    setFont(ToFont(forms::kDefaultFont));
    setModal(true);
    for (const forms::ControlSpec& row : form) CreateControl(this, row, &form);
    txtFactor = findChild<QLineEdit*>("txtFactor");
    lblProblem = findChild<QLabel*>("lblProblem");
    findChild<QLabel*>("lblFactor")->setBuddy(txtFactor);  // Alt+N
    auto* ok = findChild<QPushButton*>("cmdOK");
    ok->setDefault(true);  // Enter; Escape is Cancel, as in every dialog
    connect(ok, &QPushButton::clicked, this, &frmMultiply::accept);
    connect(findChild<QPushButton*>("cmdCancel"), &QPushButton::clicked, this, &QDialog::reject);
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
