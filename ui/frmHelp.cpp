#include "frmHelp.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QPainter>

#include "qt_placement.h"
#include "twips.h"

namespace tickwell {

const char* const frmHelp::kText1 =
    "Use Tickwell to add and subtract time and to convert time between different measurement "
    "units.";
const char* const frmHelp::kText2 =
    "Enter time in the appropriate boxes.  The Tab key or the / key allows you to move from box "
    "to box.  No need to enter time correctly formatted; i.e., Tickwell automatically recognizes "
    "65 minutes as 1 hour: 5 minutes.  Use the plus and minus buttons to add and subtract "
    "values.  The equals button (or the Enter key) displays the result.  The CE button clears "
    "the current value being entered from the keyboard.  The C button clears all values from "
    "the calculator.";
const char* const frmHelp::kText3 =
    "To convert between different measurement units, the MS button converts the displayed value "
    "into minutes and seconds, the S button converts the displayed value into seconds, and "
    "pressing the equals button (or the Enter key) converts the displayed value into hours, "
    "minutes and seconds.";
const char* const frmHelp::kKeyList =
    "Keyboard equivalents:\n"
    "+ ..... plus\n"
    "- ...... minus\n"
    "= ..... equals\n"
    "m .... minutes:seconds (MS)\n"
    "s ..... seconds (S)\n"
    "e ..... clear entry (CE)\n"
    "c ..... clear all (C)\n"
    "/ ..... Tab";

frmHelp::frmHelp(MWindow& placement)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      mPlacement(placement) {
    setObjectName("frmHelp");
    setWindowTitle("Tickwell Help");
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Px(5670), Px(6165));
    // The page is one picture; a screen reader gets its text as the description.
    setAccessibleName("Tickwell Help");
    setAccessibleDescription(
        QString("%1\n%2\n%3\n%4").arg(kText1, kText2, kText3, QString(kKeyList)));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));  // the menu colour
    setPalette(pal);
}

void frmHelp::Form_Load() {
    QtPlacedWindow window(*this, objectName());
    mPlacement.SaveRestoreWindow(window, false);
}

void frmHelp::Form_Unload() {
    if (mUnloaded) return;
    mUnloaded = true;
    QtPlacedWindow window(*this, objectName());
    mPlacement.SaveRestoreWindow(window, true);
    emit unloaded();
}

void frmHelp::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmHelp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(TwipsRect(0, 0, 5655, 6165), Qt::white);
    p.setRenderHint(QPainter::TextAntialiasing);

    p.setFont(TitleFont());
    p.setPen(QColor(192, 0, 0));
    p.drawText(TwipsRect(1440, 120, 2775, 495), Qt::AlignHCenter | Qt::AlignTop, "Tickwell");

    p.setPen(Qt::black);
    p.setFont(SansFont(8.25));
    p.drawText(TwipsRect(3000, 480, 1215, 255), Qt::AlignRight | Qt::AlignTop, "Time Calculator");

    p.drawLine(Px(240), Px(840), Px(5400), Px(840));

    // Stand-in faces run wider than the original; let a last line show, not clip.
    const int wrap = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextDontClip;
    p.drawText(TwipsRect(240, 1080, 5175, 495), wrap, kText1);
    p.drawText(TwipsRect(240, 1680, 5175, 1455), wrap, kText2);
    p.drawText(TwipsRect(240, 3240, 5175, 855), wrap, kText3);
    p.drawText(TwipsRect(2040, 4200, 2175, 1770), Qt::AlignLeft | Qt::AlignTop, kKeyList);
}

}  // namespace tickwell
