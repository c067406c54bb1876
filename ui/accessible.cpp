#include "accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace tickwell {

namespace {

// What a word request moves over: runs of letters and digits, runs of
// blanks, and each other character alone ("1:30" is "1", ":", "30").
int CharClass(QChar c) {
    if (c.isLetterOrNumber() || c.isMark()) return 0;
    if (c.isSpace()) return 1;
    return 2;
}

// The run of `text` holding `offset` (at the end, the last run).
void WordAt(const QString& text, int offset, int& start, int& end) {
    const int length = static_cast<int>(text.size());
    if (offset >= length) offset = length - 1;
    const int kind = CharClass(text[offset]);
    start = end = offset;
    ++end;
    if (kind == 2) return;
    while (start > 0 && CharClass(text[start - 1]) == kind) --start;
    while (end < length && CharClass(text[end]) == kind) ++end;
}

// A character's extent, a surrogate pair counting as one.
void CharAt(const QString& text, int offset, int& start, int& end) {
    start = offset;
    end = offset + 1;
    if (end < text.size() && text[offset].isHighSurrogate() && text[end].isLowSurrogate()) ++end;
    if (start > 0 && text[start].isLowSurrogate() && text[start - 1].isHighSurrogate()) --start;
}

class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit LineEditAccessible(QLineEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Shown();
        return QAccessibleWidget::text(t);
    }

    void setText(QAccessible::Text t, const QString& text) override {
        if (t != QAccessible::Value) return QAccessibleWidget::setText(t, text);
        if (!Edit()->isReadOnly()) Edit()->setText(text);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !Edit()->isReadOnly();
        s.readOnly = Edit()->isReadOnly();
        s.selectableText = true;
        s.passwordEdit = Edit()->echoMode() != QLineEdit::Normal;
        return s;
    }

    // ---- text --------------------------------------------------------------
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !Edit()->hasSelectedText()) return;
        *start = Edit()->selectionStart();
        *end = *start + static_cast<int>(Edit()->selectedText().size());
    }
    int selectionCount() const override { return Edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0) Edit()->deselect();
    }
    void setSelection(int index, int start, int end) override {
        if (index != 0) return;
        start = Clamp(start);
        end = Clamp(end);
        Edit()->setSelection(start, end - start);
    }
    int cursorPosition() const override { return Edit()->cursorPosition(); }
    void setCursorPosition(int position) override { Edit()->setCursorPosition(Clamp(position)); }
    QString text(int start, int end) const override {
        start = Clamp(start);
        end = Clamp(end);
        return end > start ? Shown().mid(start, end - start) : QString();
    }
    int characterCount() const override { return static_cast<int>(Shown().size()); }

    // One run over the whole text: the box has a single style, and a run
    // that ends early makes a reader drop the characters after it.
    QString attributes(int offset, int* start, int* end) const override {
        (void)offset;
        *start = 0;
        *end = characterCount();
        return QString();
    }

    QRect characterRect(int offset) const override {
        const QLineEdit* edit = Edit();
        const QString shown = Shown();
        if (offset < 0 || offset >= shown.size()) return QRect();
        // From the caret, which Qt places for the box's alignment and scroll.
        const QRect caret = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const QFontMetrics metrics(edit->font());
        const int x = caret.x() + metrics.horizontalAdvance(shown.left(offset)) -
                      metrics.horizontalAdvance(shown.left(edit->cursorPosition()));
        const QRect local(x, caret.y(), metrics.horizontalAdvance(shown.mid(offset, 1)),
                          caret.height());
        return QRect(edit->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return Edit()->cursorPositionAt(Edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int end) override {
        Edit()->setCursorPosition(Clamp(end));
        Edit()->setCursorPosition(Clamp(start));
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                         int* end) const override {
        const QString shown = Shown();
        offset = Where(offset);
        *start = *end = offset;
        if (shown.isEmpty() || offset < 0) return QString();
        switch (type) {
            case QAccessible::CharBoundary:
                if (offset >= shown.size()) return QString();
                CharAt(shown, offset, *start, *end);
                break;
            case QAccessible::WordBoundary: WordAt(shown, offset, *start, *end); break;
            default: *start = 0, *end = static_cast<int>(shown.size()); break;  // one line
        }
        return shown.mid(*start, *end - *start);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                             int* end) const override {
        const QString shown = Shown();
        offset = Where(offset);
        *start = *end = offset;
        if (shown.isEmpty() || offset <= 0) return QString();
        if (type == QAccessible::CharBoundary) {
            CharAt(shown, offset - 1, *start, *end);
        } else if (type == QAccessible::WordBoundary) {
            int at = 0, after = 0;
            WordAt(shown, offset, at, after);
            if (at == 0) return QString();
            WordAt(shown, at - 1, *start, *end);
        } else {
            return QString();  // no line before the only one
        }
        return shown.mid(*start, *end - *start);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                            int* end) const override {
        const QString shown = Shown();
        const int length = static_cast<int>(shown.size());
        offset = Where(offset);
        *start = *end = offset;
        if (offset < 0 || offset >= length) return QString();
        int at = 0, after = 0;
        if (type == QAccessible::CharBoundary) {
            CharAt(shown, offset, at, after);
            if (after >= length) return QString();
            CharAt(shown, after, *start, *end);
        } else if (type == QAccessible::WordBoundary) {
            WordAt(shown, offset, at, after);
            if (after >= length) return QString();
            WordAt(shown, after, *start, *end);
        } else {
            return QString();
        }
        return shown.mid(*start, *end - *start);
    }

    // ---- editing -------------------------------------------------------------
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override {
        if (Edit()->isReadOnly()) return;
        Edit()->setCursorPosition(Clamp(offset));
        Edit()->insert(text);
    }
    void replaceText(int start, int end, const QString& text) override {
        if (Edit()->isReadOnly()) return;
        setSelection(0, start, end);
        if (Edit()->hasSelectedText()) Edit()->del();
        Edit()->insert(text);
    }

private:
    QLineEdit* Edit() const { return static_cast<QLineEdit*>(object()); }
    QString Shown() const {
        return Edit()->echoMode() == QLineEdit::Normal ? Edit()->text() : Edit()->displayText();
    }
    int Clamp(int offset) const { return std::clamp(offset, 0, characterCount()); }
    // Qt's conventions: -1 is the end of the text, -2 the caret.
    int Where(int offset) const {
        if (offset == -1) return characterCount();
        if (offset == -2) return cursorPosition();
        return offset > characterCount() ? -1 : offset;
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (className == QLatin1String("QLineEdit"))
        return new LineEditAccessible(static_cast<QLineEdit*>(widget));
    if (className == QLatin1String("tickwell::Announcer"))
        return new QAccessibleWidget(widget, QAccessible::Notification);
    if (className == QLatin1String("tickwell::TextItem"))
        return new QAccessibleWidget(widget, QAccessible::StaticText);
    return nullptr;
}

}  // namespace

void InstallAccessibility() { QAccessible::installFactory(Factory); }

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    setObjectName("announcer");
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 1, 1);
    hide();
    // Keys typed quickly run several commands within a moment; a reader
    // handed one notification after another drops some, so only the last
    // of a burst is said.
    mPending.setSingleShot(true);
    mPending.setInterval(kBurstMs);
    connect(&mPending, &QTimer::timeout, this, [this] {
        setAccessibleName(mSaid);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QAccessibleAnnouncementEvent event(this, mSaid);
        event.setPoliteness(QAccessible::AnnouncementPoliteness::Assertive);
        QAccessible::updateAccessibility(&event);
#else
        // A notification that appears is spoken, a repeat included.
        hide();
        show();
#endif
    });
}

void Announcer::Say(const QString& text) {
    mSaid = text;
    mPending.start();
}

TextItem::TextItem(QWidget* parent, const QString& text) : QWidget(parent), mText(text) {
    setAccessibleName(text);
    setFocusPolicy(Qt::TabFocus);
}

// Only the focus is drawn: the page beneath shows the text.
void TextItem::paintEvent(QPaintEvent*) {
    if (!hasFocus()) return;
    QPainter p(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
}

}  // namespace tickwell
