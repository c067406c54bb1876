#include "frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "qt_forms.h"
#include "texts.h"

namespace tickwell {

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    const forms::FormSpec& form = forms::AboutForm();
    setObjectName(form.name);
    setWindowTitle(forms::Tr(form.caption));
    setFixedSize(Px(form.clientWidth), Px(form.clientHeight));
    setFont(ToFont(forms::kDefaultFont));
    setModal(true);

    for (const forms::ControlSpec& row : form) CreateControl(this, row, &form);
    cmdOK = findChild<QPushButton*>("cmdOK");
    cmdOK->setDefault(true);  // Enter; Escape closes the dialog as the cancel button
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    lblDescription = findChild<QLabel*>("lblDescription");
    lblLicense = findChild<QLabel*>("lblLicense");
    lblVersion = findChild<QLabel*>("lblVersion");
    findChild<QLabel*>("imgLogo")->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    cmdOK->setFocus();
}

void frmAbout::Form_Load() {
    lblVersion->setText(QString::fromStdString(
        forms::VersionText(forms::kVersionMajor, forms::kVersionMinor, forms::kVersionRevision)));
    lblDescription->setText(
        QString::fromStdString(forms::NoticeText(forms::CurrentYear())).replace("\r\n", "\n"));
    lblLicense->setText(forms::Tr(forms::kLicenseText));
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    PaintLines(p, forms::AboutForm(), palette());
}

}  // namespace tickwell
