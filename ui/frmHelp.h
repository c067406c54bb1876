// The help window: one fixed page explaining the calculator and its keys.
// Modeless, no owner, one instance; remembers its position.
#pragma once

#include <QWidget>

#include "rules.h"

class QPainter;

namespace tickwell {

class MWindow;

class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(MWindow& placement);

    void Form_Load();    // restores the saved position
    void Form_Unload();  // saves it
    void SavePlace();    // saves it and stays open

    // Draws the help page; `only`, when not negative, draws that one text
    // element alone (for measuring what each paints).
    static void PaintPage(QPainter& p, const QPalette& palette, int only = -1);
    // The size every paragraph of the page is set in: the design's, or less
    // where a paragraph in this language and font would not fit its box at
    // it, so no paragraph is drawn smaller than the others.
    static qreal ParagraphPointSize();

signals:
    void unloaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    forms::HelpPlacement mPlacement;
};

}  // namespace tickwell
