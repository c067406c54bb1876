#include "frmAbout.h"

#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "twips.h"
#include "weblinks.h"

namespace tickwell {

const char* const frmAbout::kLicenseText = "Licensed under the MIT License.";

QString frmAbout::VersionText(int major, int minor, int revision) {
    return QString("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString frmAbout::NoticeText(int year) {
    return QString(
               "Copyright (C) 1999-%1 Brenholt Software\r\n"
               "Written by the Tickwell team\r\n"
               "Web: http://%2\r\n"
               "E-mail: support@brenholt.example")
        .arg(year)
        .arg(kMakerWebHost);
}

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(pal);
    return label;
}

}  // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    setObjectName("frmAbout");
    setWindowTitle("About Tickwell");
    setFixedSize(Px(4935), Px(2655));
    setFont(SansFont(8.25));
    setModal(true);

    cmdOK = new QPushButton("&OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setGeometry(TwipsRect(3600, 2100, 1140, 375));
    cmdOK->setDefault(true);  // Enter; Escape closes the dialog as the cancel button
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    lblDescription =
        MakeLabel(this, "lblDescription", "Copyright notice", TwipsRect(1050, 960, 3765, 885));
    lblLicense = MakeLabel(this, "lblLicense", "License", TwipsRect(255, 2070, 3120, 465));
    auto* lblTitle = MakeLabel(this, "lblTitle", "Tickwell", TwipsRect(1050, 225, 3405, 360));
    lblTitle->setFont(TitleFont());
    lblTitle->setWordWrap(false);
    QPalette titlePalette = lblTitle->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(192, 0, 0));
    lblTitle->setPalette(titlePalette);
    lblVersion = MakeLabel(this, "lblVersion", "Version", TwipsRect(1050, 585, 3405, 225));
    lblVersion->setPalette(QApplication::palette());

    auto* imgLogo = new QLabel(this);
    imgLogo->setObjectName("imgLogo");
    imgLogo->setGeometry(TwipsRect(360, 285, 480, 480));
    imgLogo->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    imgLogo->setAccessibleName("Tickwell logo");

    cmdOK->setFocus();
}

void frmAbout::Form_Load() {
    lblVersion->setText(
        VersionText(TICKWELL_VERSION_MAJOR, TICKWELL_VERSION_MINOR, TICKWELL_VERSION_PATCH));
    lblDescription->setText(NoticeText(QDate::currentDate().year()).replace("\r\n", "\n"));
    lblLicense->setText(kLicenseText);
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The etched rule: grey, with a 2-pixel white line one pixel right and below.
    QPainter p(this);
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.drawLine(Px(90), Px(1905), Px(4800), Px(1905));
    p.fillRect(QRect(Px(105), Px(1920), Px(4800) - Px(105) + 1, 2), Qt::white);
}

}  // namespace tickwell
