#include "frmTape.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "qt_forms.h"
#include "qt_placement.h"
#include "rules.h"

namespace tickwell {

frmTape::frmTape(MWindow& placement, const Tape& tape)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      mPlacement(placement),
      mTape(tape),
      mText(new QPlainTextEdit(this)),
      mMenuBar(new QMenuBar(this)) {
    setObjectName(forms::kTapeName);
    setWindowTitle(forms::Tr(forms::kTapeCaption));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);  // typing goes on in the main window
    // Resizable, so a long tape can be read at once; the size is not kept.
    resize(Px(forms::kTapeClientWidth), Px(forms::kTapeClientHeight));
    setMinimumSize(Px(forms::kTapeClientWidth) / 2, Px(forms::kTapeClientHeight) / 4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(mMenuBar);
    layout->addWidget(mText);
    mText->setObjectName("txtTape");
    mText->setReadOnly(true);  // still selectable: Ctrl+A, Ctrl+C
    mText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mText->setFont(ToFont(forms::kDefaultFont));
    mText->setAccessibleName(forms::Tr(forms::kTapeCaption));
}

void frmTape::Form_Load(const IPlacedWindow* main) {
    QtPlacedWindow window(*this, objectName());
    mPlacement.Form_Load(window, main);
    Reload();
}

void frmTape::Reload() {
    QString text = QString::fromStdString(mTape.Text());
    if (text.endsWith('\n')) text.chop(1);
    mText->setPlainText(text);
    mText->verticalScrollBar()->setValue(mText->verticalScrollBar()->maximum());
}

void frmTape::LineAdded() {
    if (mTape.Lines().empty()) return;
    // The view follows new lines only while it is at the bottom; a
    // selection and a scroll position the user chose stay as they are.
    QScrollBar* bar = mText->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    int scrolled = bar->value();
    mText->appendPlainText(QString::fromStdString(mTape.Lines().back()));
    if (const auto drop = static_cast<int>(forms::TapeDropUnits(mTape, 1))) {
        // The oldest entry goes whole; the selection moves back with the text.
        const QTextBlock first = mText->document()->firstBlock();
        scrolled -= first.layout() ? std::max(1, first.layout()->lineCount()) : 1;
        QTextCursor cut(mText->document());
        cut.setPosition(std::min(drop, mText->document()->characterCount() - 1),
                        QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    }
    bar->setValue(atBottom ? bar->maximum() : std::max(0, scrolled));
}

void frmTape::Form_Unload() {
    QtPlacedWindow window(*this, objectName());
    if (mPlacement.Form_Unload(window)) emit unloaded();
}

void frmTape::SavePlace() {
    QtPlacedWindow window(*this, objectName());
    mPlacement.SavePlace(window);
}

void frmTape::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

}  // namespace tickwell
