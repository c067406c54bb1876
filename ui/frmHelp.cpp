#include "frmHelp.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QPainter>

#include "qt_forms.h"
#include "qt_placement.h"
#include "texts.h"

namespace tickwell {

frmHelp::frmHelp(MWindow& placement)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      mPlacement(placement) {
    setObjectName(forms::kHelpName);
    setWindowTitle(forms::kHelpCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Px(forms::kHelpClientWidth), Px(forms::kHelpClientHeight));
    // The page is one picture; a screen reader gets its text as the description.
    setAccessibleName(forms::kHelpCaption);
    setAccessibleDescription(QString("%1\n%2\n%3\n%4")
                                 .arg(forms::kHelpText1, forms::kHelpText2, forms::kHelpText3,
                                      QString(forms::kHelpKeyList)));
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
    const forms::FormSpec& page = forms::HelpPage();
    QPainter p(this);
    p.fillRect(QRect(0, 0, Px(page.clientWidth), Px(page.clientHeight)),
               ToColor(page.background, palette()));
    p.setRenderHint(QPainter::TextAntialiasing);
    // Later elements lie above earlier ones: the subtitle over the title.
    for (const forms::ControlSpec& text : page) {
        p.setFont(ToFont(text.font));
        p.setPen(ToColor(text.color, palette()));
        int flags = ToAlignment(text.align) | Qt::AlignTop;
        // Stand-in faces run wider than the original; let a last line show, not clip.
        if (text.wrap) flags |= Qt::TextWordWrap | Qt::TextDontClip;
        p.drawText(ToRect(text.rect), flags, text.caption);
    }
    PaintLines(p, page, palette());
}

}  // namespace tickwell
