// What screen readers are told beyond Qt's own: a line edit's text whole,
// a spoken announcement, and the help page's paragraphs as items.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

namespace tickwell {

// Puts in Qt's accessibility our own interfaces for line edits, the
// announcer and help paragraphs. Qt 6.4's line edit reports empty attribute
// runs (a reader drops the last character) and loops for good on a word
// request at the end of its text; ours answer both at once.
void InstallAccessibility();

// A 1 x 1 widget that says a text to a screen reader without taking the
// focus. Qt 6.8 has an announcement event for it; before, a notification
// shown anew is what readers speak.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);
    static constexpr int kBurstMs = 150;
    // Says `text` once no other follows within kBurstMs.
    void Say(const QString& text);
    // The newest text said, for tests.
    const QString& Said() const { return mSaid; }

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    QString mSaid;
    QTimer mPending;
};

// One paragraph of a page drawn as a picture: invisible itself, it gives a
// screen reader the text it covers, and takes the focus by Tab so a reader
// moves through the page paragraph by paragraph.
class TextItem : public QWidget {
    Q_OBJECT
public:
    TextItem(QWidget* parent, const QString& text);
    const QString& Text() const { return mText; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString mText;
};

}  // namespace tickwell
