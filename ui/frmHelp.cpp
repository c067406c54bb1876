#include "frmHelp.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QPainter>

#include "accessible.h"
#include "qt_forms.h"
#include "qt_placement.h"
#include "texts.h"

namespace tickwell {

frmHelp::frmHelp(MWindow& placement)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      mPlacement(placement) {
    setObjectName(forms::kHelpName);
    setWindowTitle(forms::Tr(forms::kHelpCaption));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Px(forms::kHelpClientWidth), Px(forms::kHelpClientHeight));
    // The page is one picture; a screen reader gets each of its texts as an
    // item over it, in reading order, so it can move by paragraph.
    setAccessibleName(forms::Tr(forms::kHelpCaption));
    const forms::FormSpec& page = forms::HelpPage();
    for (const forms::ControlSpec& text : page) {
        const QString caption = forms::Tr(text.caption);
        auto* item = new TextItem(this, caption);
        item->setGeometry(ToRect(forms::LabelRoom(
            page, text,
            QFontMetrics(ToFont(text.font)).horizontalAdvance(caption) * forms::kTwipsPerPixel)));
    }
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));  // the menu colour
    setPalette(pal);
}

void frmHelp::Form_Load() {
    QtPlacedWindow window(*this, objectName());
    mPlacement.Form_Load(window);
}

void frmHelp::Form_Unload() {
    QtPlacedWindow window(*this, objectName());
    if (mPlacement.Form_Unload(window)) emit unloaded();
}

void frmHelp::SavePlace() {
    QtPlacedWindow window(*this, objectName());
    mPlacement.SavePlace(window);
}

void frmHelp::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

// The stand-in faces run wider than the design's, so a paragraph can need
// more lines than its box holds and run into the text below: then every
// paragraph is set a little smaller, until each fits its box.
qreal frmHelp::ParagraphPointSize() {
    qreal size = 0;
    for (const forms::ControlSpec& text : forms::HelpPage()) {
        if (!text.wrap) continue;
        QFont font = ToFont(text.font);
        if (size == 0 || font.pointSizeF() < size) size = font.pointSizeF();
        const QString caption = forms::Tr(text.caption);
        const QRect box = ToRect(text.rect);
        font.setPointSizeF(size);
        while (font.pointSizeF() > 6 &&
               QFontMetrics(font).boundingRect(box, Qt::TextWordWrap, caption).height() >
                   box.height())
            font.setPointSizeF(font.pointSizeF() - 0.25);
        size = font.pointSizeF();
    }
    return size;
}

void frmHelp::PaintPage(QPainter& p, const QPalette& palette, int only) {
    const forms::FormSpec& page = forms::HelpPage();
    if (only < 0)
        p.fillRect(QRect(0, 0, Px(page.clientWidth), Px(page.clientHeight)),
                   ToColor(page.background, palette));
    p.setRenderHint(QPainter::TextAntialiasing);
    // Later elements lie above earlier ones: the subtitle over the title.
    const qreal paragraphs = ParagraphPointSize();
    int index = 0;
    for (const forms::ControlSpec& text : page) {
        if (only >= 0 && index++ != only) continue;
        const QString caption = forms::Tr(text.caption);
        QFont font = ToFont(text.font);
        const QRect box = ToRect(forms::LabelRoom(
            page, text, QFontMetrics(font).horizontalAdvance(caption) * forms::kTwipsPerPixel));
        int flags = ToAlignment(text.align) | Qt::AlignTop;
        if (text.wrap) {
            flags |= Qt::TextWordWrap;
            font.setPointSizeF(paragraphs);
        }
        p.setFont(font);
        p.setPen(ToColor(text.color, palette));
        p.drawText(box, flags | Qt::TextDontClip, caption);
    }
    if (only < 0) PaintLines(p, page, palette);
}

void frmHelp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintPage(p, palette());
}

}  // namespace tickwell
