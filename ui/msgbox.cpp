#include "msgbox.h"

#include <QMessageBox>
#include <QPushButton>

#include "host.h"
#include "texts.h"

namespace tickwell {

int ShowMsgBox(QWidget* parent, const QString& text, const QString& title, int style) {
    QMessageBox box(parent);
    box.setWindowTitle(title.isEmpty() ? QString(forms::kAppTitle) : title);
    box.setText(QString(text).replace("\r\n", "\n"));
    switch (style & 0xF0) {
        case msgbox::kCritical: box.setIcon(QMessageBox::Critical); break;
        case 32: box.setIcon(QMessageBox::Question); break;
        case msgbox::kExclamation: box.setIcon(QMessageBox::Warning); break;
        case msgbox::kInformation: box.setIcon(QMessageBox::Information); break;
        default: break;
    }
    if ((style & 0x0F) == msgbox::kYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowModality(Qt::ApplicationModal);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes) return msgbox::kAnswerYes;
    if (answer == QMessageBox::No) return msgbox::kAnswerNo;
    return msgbox::kAnswerOk;
}

}  // namespace tickwell
