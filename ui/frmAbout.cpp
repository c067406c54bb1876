#include "frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "qt_forms.h"
#include "texts.h"

namespace tickwell {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent, kBoxFlags) {
    BuildBox(*this, forms::AboutForm());  // Escape closes it as a Cancel button would
    cmdOK = findChild<QPushButton*>("cmdOK");
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
