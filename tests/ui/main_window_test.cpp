#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <thread>

#include "end_signals.h"
#include "file_registry.h"
#include "frmCalc.h"
#include "frmHelp.h"
#include "frmTape.h"
#include "gui_support.h"
#include "reg_settings.h"
#include "temp_dir.h"

namespace tickwell {
namespace {

using gui::Type;

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", mDir.Path().c_str());
        Open();
    }
    void TearDown() override { Close(); }

    void Open() {
        mWindow = std::make_unique<frmCalc>();
        mWindow->show();
        mWindow->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
    }
    void Close() {
        if (!mWindow) return;
        mWindow->close();
        mWindow.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    template <typename T = QWidget>
    T* Find(const char* name) {
        auto* w = mWindow->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // The control holding the focus inside the main window, active or not.
    QString FocusName() const {
        QWidget* w = mWindow->focusWidget();
        return w ? w->objectName() : QString("(none)");
    }
    QString Boxes() {
        return Find<QLineEdit>("txtHours")->text() + "|" + Find<QLineEdit>("txtMinutes")->text() +
               "|" + Find<QLineEdit>("txtSeconds")->text();
    }
    std::string Stored(const char* name) {
        FileRegistry registry(mDir.Path() + "/tickwell/registry.reg");
        CRegSettings settings(registry);
        return settings.GetSetting("Position", name, "(none)");
    }

    TempDir mDir;
    std::unique_ptr<frmCalc> mWindow;
};

TEST_F(MainWindow, LayoutMatchesTheDesign) {
    struct Control {
        const char* name;
        QRect rect;  // pixels: twips / 15
        const char* caption;
        double points;
        bool bold;
    };
    const Control controls[] = {
        {"txtHours", {24, 64, 57, 19}, "", 8.25, false},
        {"txtMinutes", {88, 64, 57, 19}, "", 8.25, false},
        {"txtSeconds", {152, 64, 57, 19}, "", 8.25, false},
        {"lblHours", {37, 83, 33, 17}, "Hours", 8.25, true},
        {"lblMinutes", {94, 83, 49, 17}, "Minutes", 8.25, true},
        {"lblSeconds", {156, 83, 49, 17}, "Seconds", 8.25, true},
        {"cmdPlus", {24, 104, 57, 33}, "+", 13.5, true},
        {"cmdMinus", {88, 104, 57, 33}, "-", 18, true},
        {"cmdEquals", {152, 104, 57, 33}, "=", 13.5, true},
        {"lblColon1", {80, 60, 9, 33}, ":", 13.5, true},
        {"lblColon2", {144, 60, 9, 33}, ":", 13.5, true},
        {"lblTitle", {24, 0, 185, 33}, "Tickwell", 14.25, true},  // a heavy face, as Arial Black
        {"cmdMinutes", {24, 144, 41, 33}, "MS", 12, true},
        {"cmdSeconds", {72, 144, 41, 33}, "S", 12, true},
        {"cmdClearEntry", {120, 144, 41, 33}, "CE", 12, true},
        {"cmdClearAll", {168, 144, 41, 33}, "C", 12, true},
        {"lblDescription", {128, 24, 81, 17}, "Time Calculator", 8.25, false},
    };
    for (const Control& c : controls) {
        QWidget* w = Find(c.name);
        if (!w) continue;
        EXPECT_EQ(w->geometry(), c.rect) << c.name;
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), c.points) << c.name;
        EXPECT_EQ(w->font().bold(), c.bold) << c.name;
        QString caption;
        if (auto* label = qobject_cast<QLabel*>(w)) caption = label->text();
        if (auto* button = qobject_cast<QPushButton*>(w)) caption = button->text();
        if (auto* box = qobject_cast<QLineEdit*>(w)) caption = box->text();
        EXPECT_EQ(caption, c.caption) << c.name;
        const bool tip = !w->toolTip().isEmpty();
        EXPECT_EQ(tip, QString(c.name) == "cmdMinutes" || QString(c.name) == "cmdSeconds")
            << c.name;
    }
    EXPECT_EQ(Find<QLabel>("lblTitle")->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    EXPECT_TRUE(Find<QLabel>("lblTitle")->font().italic());
    EXPECT_EQ(Find<QLabel>("lblHours")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(Find<QPushButton>("cmdMinutes")->toolTip(),
              "Converts entered time into minutes and seconds");
    EXPECT_EQ(Find<QPushButton>("cmdSeconds")->toolTip(), "Converts entered time into seconds");
    EXPECT_EQ(Find("client")->size(), QSize(234, 214));
    EXPECT_EQ(mWindow->windowTitle(), "Tickwell");
    EXPECT_EQ(mWindow->minimumSize(), mWindow->maximumSize());  // fixed size
    EXPECT_TRUE(mWindow->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(mWindow->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(FocusName(), "txtHours");

    auto items = [this](int index) {
        QStringList menu;
        for (QAction* a : mWindow->menuBar()->actions()[index]->menu()->actions())
            menu << (a->isSeparator() ? "-" : a->text() + " " + a->shortcut().toString());
        return menu.join("|");
    };
    EXPECT_EQ(mWindow->menuBar()->actions()[0]->text(), "&Edit");  // left of Help
    // Fault caught: "*" written into the item's text after a tab, which a
    // screen reader speaks as part of its name instead of as its shortcut.
    EXPECT_EQ(items(0),
              "&Copy Ctrl+C|Copy as &Hours Ctrl+Shift+C|&Paste Ctrl+V|-|"
              "Multiply or &Divide... *|Time &Between... Ctrl+B|&Round... Ctrl+R|-|&Tape Ctrl+T");
    EXPECT_EQ(mWindow->menuBar()->actions()[1]->text(), "&View");
    EXPECT_EQ(items(1), "Always on &Top Ctrl+Shift+T");
    EXPECT_EQ(mWindow->menuBar()->actions()[2]->text(), "&Help");
    EXPECT_EQ(items(2),
              "&Using Tickwell... F1|-|Brenholt &Web Site... |&Sharewell Project... |-|"
              "&About Tickwell... ");
}

// The last column is what a screen reader is told after the keys. Faults
// caught there: a result changed in silence, a typed digit announced, an
// error's clear announced twice or not at all.
TEST_F(MainWindow, KeysDriveTheCalculator) {
    struct Walk {
        const char* keys;
        const char* boxes;
        const char* focus;
        const char* said;
    };
    const Walk walks[] = {
        {"1/2/5\r", "1|2|5", "cmdEquals", "1 hour, 2 minutes, 5 seconds"},
        {"1/2/5+//55=", "1|3|0", "cmdEquals", "1 hour, 3 minutes"},
        {"//7+", "||", "txtHours", "cleared"},       // "+" typed in the seconds box
        {"1.5x y,", "15||", "txtHours", ""},         // swallowed keys; typing says nothing
        {"1/2/5\r7e", "||", "txtHours", "cleared"},  // digits after Enter mark the entry typed
        {"e", "||", "cmdClearEntry", "cleared"},
        {"//5-//5-//3=", "0|0|-3", "cmdEquals", "minus 3 seconds"},
        {"//3725m", "|62|5", "cmdMinutes", "62 minutes, 5 seconds"},
        {"1/2/5s", "||3725", "cmdSeconds", "3725 seconds"},
        {"//5+e", "0|0|5", "cmdClearEntry", "5 seconds"},
        {"12\b3/4C", "||", "txtHours", "cleared"},
        {"596523/14/7+//1\r", "596523|14|7", "cmdClearEntry",
         "596523 hours, 14 minutes, 7 seconds"},
    };
    for (const Walk& w : walks) {
        Find<QPushButton>("cmdClearAll")->click();
        mWindow->Announce("");
        if (std::string(w.keys).rfind("596523", 0) == 0)  // the Overflow box
            gui::WhenModal([](QWidget* modal) { static_cast<QMessageBox*>(modal)->accept(); });
        Type(w.keys);
        EXPECT_EQ(Boxes(), w.boxes) << w.keys;
        EXPECT_EQ(FocusName(), w.focus) << w.keys;
        EXPECT_EQ(mWindow->Announced().toStdString(), w.said) << w.keys;
    }
}

// Fault caught: characters typed with Alt or Super held going straight into
// the boxes, past the dispatcher; while menu access keys keep working.
// Alt+character is no character, as on Windows; menu access keys still work.
TEST_F(MainWindow, AltKeysTypeNothingButMenuKeysWork) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* hours;
        bool typed;
    };
    const Case cases[] = {
        {Qt::Key_1, Qt::AltModifier, "", false},
        {Qt::Key_Period, Qt::AltModifier, "", false},
        {Qt::Key_X, Qt::AltModifier, "", false},
        {Qt::Key_A, Qt::MetaModifier, "", false},
    };
    for (const Case& c : cases) {
        Find<QPushButton>("cmdClearAll")->click();
        gui::Press(c.key, c.modifiers);
        EXPECT_EQ(Find<QLineEdit>("txtHours")->text(), c.hours) << c.key;
        EXPECT_EQ(mWindow->Calc().EntryTyped(), c.typed) << c.key;
    }
    gui::Press(Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    EXPECT_EQ(Find<QLineEdit>("txtHours")->text(), "");
}

TEST_F(MainWindow, NumpadEnterActsLikeEnter) {
    Type("//90");
    gui::Press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Boxes(), "0|1|30");
    EXPECT_EQ(FocusName(), "cmdEquals");
}

TEST_F(MainWindow, DeleteEditsWithoutMarkingTheEntryTyped) {
    mWindow->SetText(Control::txtHours, "12");
    auto* hours = Find<QLineEdit>("txtHours");
    hours->setFocus();
    hours->setCursorPosition(0);
    gui::Press(Qt::Key_Delete);
    EXPECT_EQ(hours->text(), "2");
    EXPECT_FALSE(mWindow->Calc().EntryTyped());
}

TEST_F(MainWindow, TabCyclesTheBoxesOnly) {
    const char* forward[] = {"txtMinutes", "txtSeconds", "txtHours", "txtMinutes"};
    for (const char* expected : forward) {
        gui::Press(Qt::Key_Tab);
        EXPECT_EQ(FocusName(), expected);
    }
    const char* backward[] = {"txtHours", "txtSeconds", "txtMinutes"};
    for (const char* expected : backward) {
        gui::Press(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(FocusName(), expected);
    }
    for (const char* button : {"cmdPlus", "cmdEquals", "cmdClearAll"}) {
        EXPECT_EQ(Find(button)->focusPolicy(), Qt::ClickFocus);
        Find(button)->setFocus(Qt::MouseFocusReason);
        EXPECT_EQ(FocusName(), button);
        gui::Press(Qt::Key_Tab);
        EXPECT_EQ(FocusName(), "txtHours") << "Tab from " << button;
        Find(button)->setFocus(Qt::MouseFocusReason);
        gui::Press(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(FocusName(), "txtSeconds") << "Shift+Tab from " << button;
    }
}

TEST_F(MainWindow, OverflowShowsTheErrorThenClearsTheEntry) {
    QString text, title;
    int icon = -1, buttons = -1;
    gui::WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->buttons().size();
        box->button(QMessageBox::Ok)->click();
    });
    Type("596523/14/7+//1\r");
    EXPECT_EQ(text, "Error Number: 6\nOverflow");
    EXPECT_EQ(title, "Error");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(Boxes(), "596523|14|7");
    EXPECT_EQ(FocusName(), "cmdClearEntry");
}

TEST_F(MainWindow, F1OpensOneHelpWindowFromAnyControl) {
    for (const char* control : {"txtHours", "txtSeconds", "cmdPlus", "cmdClearAll"}) {
        mWindow->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
        Find(control)->setFocus();
        gui::Press(Qt::Key_F1);
        ASSERT_NE(mWindow->HelpWindow(), nullptr) << control;
        EXPECT_TRUE(mWindow->HelpWindow()->isVisible());
        int helpWindows = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            helpWindows += w->objectName() == "frmHelp" && w->isVisible();
        EXPECT_EQ(helpWindows, 1) << control;
    }
    EXPECT_EQ(mWindow->HelpWindow()->windowTitle(), "Tickwell Help");
    EXPECT_EQ(mWindow->HelpWindow()->size(), QSize(378, 411));
}

// Fault caught: a help window the window manager minimized staying lost,
// since it has no task-bar entry to come back from.
TEST_F(MainWindow, HelpComesBackFromMinimized) {
    mWindow->mnuUsing_Click();
    QWidget* help = mWindow->HelpWindow();
    ASSERT_NE(help, nullptr);
    help->showMinimized();
    ASSERT_TRUE(help->isMinimized());
    mWindow->mnuUsing_Click();
    EXPECT_EQ(mWindow->HelpWindow(), help);
    EXPECT_FALSE(help->isMinimized());
}

TEST_F(MainWindow, ScreenReadersCanNameAndReadEveryControl) {
    const std::pair<const char*, const char*> names[] = {
        {"txtHours", "Hours"},
        {"txtMinutes", "Minutes"},
        {"txtSeconds", "Seconds"},
        {"cmdPlus", "Add"},
        {"cmdMinus", "Subtract"},
        {"cmdEquals", "Equals"},
        {"cmdClearEntry", "Clear entry"},
        {"cmdClearAll", "Clear all"},
        {"cmdMinutes", "Convert to minutes and seconds"},
        {"cmdSeconds", "Convert to seconds"},
    };
    for (const auto& [name, accessible] : names) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(Find(name));
        ASSERT_NE(iface, nullptr) << name;
        EXPECT_EQ(iface->text(QAccessible::Name), accessible) << name;
    }
    Type("1/2/5\r");
    QAccessibleInterface* minutes = QAccessible::queryAccessibleInterface(Find("txtMinutes"));
    EXPECT_EQ(minutes->text(QAccessible::Value), "2");

    // Faults caught: an attribute run that ends before the text, so a reader
    // drops the last digit; a word request at the text's end that never
    // returns (Qt 6.4's own line edit loops there for good).
    Find<QPushButton>("cmdClearAll")->click();
    Type("26");
    QAccessibleTextInterface* text =
        QAccessible::queryAccessibleInterface(Find("txtHours"))->textInterface();
    ASSERT_NE(text, nullptr);
    int start = -1, end = -1;
    text->attributes(1, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(0, 2));
    EXPECT_EQ(text->textAtOffset(2, QAccessible::WordBoundary, &start, &end), "26");
    EXPECT_EQ(text->textBeforeOffset(2, QAccessible::CharBoundary, &start, &end), "6");

    // Fault caught: the tape opening in silence.
    mWindow->mnuTape_Click();
    EXPECT_EQ(mWindow->Announced(), "Tickwell Tape. = 1:02:05 (1.0347 h)");

    // Fault caught: the help read as one block; a reader moves by paragraph.
    mWindow->mnuUsing_Click();
    QStringList items;
    for (QWidget* item : mWindow->HelpWindow()->findChildren<QWidget*>())
        if (item->focusPolicy() & Qt::TabFocus) items << item->accessibleName().left(20);
    EXPECT_EQ(items.join("|"),
              "Tickwell|Time Calculator|Use Tickwell to add |Enter time in the ap|"
              "To convert between d|Keyboard equivalents");
}

// Fault caught: a program whose event loop has stalled (a stuck library
// call) ignoring SIGTERM for good, since only the loop reads the signal.
TEST(EndSignals, SigtermEndsAProgramWhoseLoopHasStalled) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EndOnSignals(qApp, [] { std::_Exit(3); });
            raise(SIGTERM);
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::seconds(kStalledEndSeconds + 10);
            while (std::chrono::steady_clock::now() < until)  // no event is ever handled
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGTERM), "");
}

// ---- lifecycle ------------------------------------------------------------

TEST_F(MainWindow, FirstStartIsCentredAndWritesNothing) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = mWindow->frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - area.width() / 2), 1);
    EXPECT_LE(std::abs(frame.center().y() - area.height() / 2), 1);
    EXPECT_FALSE(Exists(mDir.Path() + "/tickwell/registry.reg"));
}

TEST_F(MainWindow, PositionsAreRememberedAcrossRuns) {
    mWindow->move(200, 150);
    gui::Press(Qt::Key_F1);
    ASSERT_NE(mWindow->HelpWindow(), nullptr);
    mWindow->HelpWindow()->move(500, 40);
    Close();
    EXPECT_EQ(Stored("frmCalc Left"), "3000");
    EXPECT_EQ(Stored("frmCalc Top"), "2250");
    EXPECT_EQ(Stored("frmHelp Left"), "7500");
    EXPECT_EQ(Stored("frmHelp Top"), "600");

    Open();
    EXPECT_EQ(mWindow->pos(), QPoint(200, 150));
    EXPECT_EQ(mWindow->HelpWindow(), nullptr);
    gui::Press(Qt::Key_F1);
    ASSERT_NE(mWindow->HelpWindow(), nullptr);
    EXPECT_EQ(mWindow->HelpWindow()->pos(), QPoint(500, 40));
}

TEST_F(MainWindow, MinimizedWindowSavesNothing) {
    mWindow->move(200, 150);
    Close();
    Open();
    mWindow->move(300, 300);
    mWindow->showMinimized();
    QCoreApplication::processEvents();
    Close();
    EXPECT_EQ(Stored("frmCalc Left"), "3000");  // the earlier normal-state save
    EXPECT_EQ(Stored("frmHelp Left"), "(none)");
}

TEST_F(MainWindow, HelpClosesAndReopensAroundAMinimize) {
    gui::Press(Qt::Key_F1);
    ASSERT_NE(mWindow->HelpWindow(), nullptr);
    mWindow->HelpWindow()->move(100, 100);
    mWindow->showMinimized();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(mWindow->HelpWindow(), nullptr);
    EXPECT_EQ(Stored("frmHelp Left"), "1500");

    mWindow->showNormal();
    QCoreApplication::processEvents();
    ASSERT_NE(mWindow->HelpWindow(), nullptr);
    EXPECT_TRUE(mWindow->HelpWindow()->isVisible());
    EXPECT_EQ(mWindow->HelpWindow()->pos(), QPoint(100, 100));

    // Closed by the user, it stays closed across the next minimize.
    mWindow->HelpWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    mWindow->showMinimized();
    QCoreApplication::processEvents();
    mWindow->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(mWindow->HelpWindow(), nullptr);
}

// Faults caught: a new line throwing away the text the user selected on the
// tape, or pulling a view they scrolled back down to the bottom; a tape
// window of one fixed size.
TEST_F(MainWindow, TapeGrowsWithoutDisturbingTheReader) {
    mWindow->mnuTape_Click();
    frmTape* tape = mWindow->TapeWindow();
    ASSERT_NE(tape, nullptr);
    mWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(mWindow.get()));
    for (int i = 0; i < 60; ++i) Type("1+");
    QCoreApplication::processEvents();
    QPlainTextEdit* text = tape->Text();
    QScrollBar* bar = text->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << text->blockCount() << " lines";
    EXPECT_EQ(bar->value(), bar->maximum());  // following the newest line

    QTextCursor selection(text->document());
    selection.setPosition(2);
    selection.setPosition(9, QTextCursor::KeepAnchor);
    text->setTextCursor(selection);
    bar->setValue(3);
    Type("2+");
    QCoreApplication::processEvents();
    EXPECT_EQ(text->textCursor().selectionStart(), 2);
    EXPECT_EQ(text->textCursor().selectionEnd(), 9);
    EXPECT_EQ(bar->value(), 3);

    bar->setValue(bar->maximum());
    Type("3+");
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(text->toPlainText().endsWith("+ 3:00:00"));

    // At the cap. Faults caught: a scrolled-back view moving by a line at
    // each new entry; a selection moving; more or fewer entries than the tape.
    for (int i = text->blockCount(); i < 1000; ++i) Type(QString::number(i) + "+");
    QCoreApplication::processEvents();
    ASSERT_EQ(text->blockCount(), 1000);
    selection.setPosition(text->document()->findBlockByNumber(500).position());
    selection.setPosition(text->document()->findBlockByNumber(501).position(),
                          QTextCursor::KeepAnchor);
    text->setTextCursor(selection);
    bar->setValue(400);  // past the first 60 entries, which all read "+ 1:00:00"
    const QString shown = text->cursorForPosition(QPoint(4, 4)).block().text();
    const QString selected = text->textCursor().selectedText();
    const QString second = text->document()->findBlockByNumber(1).text();
    Type("4+");
    QCoreApplication::processEvents();
    EXPECT_EQ(text->blockCount(), 1000);
    EXPECT_EQ(text->document()->firstBlock().text(), second);
    EXPECT_EQ(text->textCursor().selectedText(), selected);
    EXPECT_EQ(text->cursorForPosition(QPoint(4, 4)).block().text(), shown);

    EXPECT_NE(tape->minimumSize(), tape->maximumSize());
    tape->resize(tape->width() + 80, tape->height() + 120);
    QCoreApplication::processEvents();
    EXPECT_EQ(text->width(), tape->width());
}

}  // namespace
}  // namespace tickwell
