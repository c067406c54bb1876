#include "frmTape.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "qt_forms.h"
#include "qt_placement.h"

namespace tickwell {

frmTape::frmTape(MWindow& placement, const Tape& tape)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      mPlacement(placement),
      mTape(tape),
      mText(new QPlainTextEdit(this)) {
    setObjectName(forms::kTapeName);
    setWindowTitle(forms::Tr(forms::kTapeCaption));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);  // typing goes on in the main window
    // Resizable, so a long tape can be read at once; the size is not kept.
    resize(Px(forms::kTapeClientWidth), Px(forms::kTapeClientHeight));
    setMinimumSize(Px(forms::kTapeClientWidth) / 2, Px(forms::kTapeClientHeight) / 4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mText);
    mText->setObjectName("txtTape");
    mText->setReadOnly(true);  // still selectable: Ctrl+A, Ctrl+C
    mText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mText->setFont(ToFont(forms::kDefaultFont));
    mText->setMaximumBlockCount(static_cast<int>(Tape::kMaxLines));
    mText->setAccessibleName(forms::Tr(forms::kTapeCaption));
}

void frmTape::Form_Load(const IPlacedWindow* main) {
    QtPlacedWindow window(*this, objectName());
    mPlacement.Form_Load(window, main);
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
    const int scrolled = bar->value();
    mText->appendPlainText(QString::fromStdString(mTape.Lines().back()));
    bar->setValue(atBottom ? bar->maximum() : scrolled);
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
