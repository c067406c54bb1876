#include "frmCalc.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>
#include <cstring>
#include <map>

#include "desktop_open.h"
#include "frmAbout.h"
#include "frmHelp.h"
#include "frmMultiply.h"
#include "frmRound.h"
#include "frmTape.h"
#include "frmTimeBetween.h"
#include "msgbox.h"
#include "qt_forms.h"
#include "qt_placement.h"
#include "registry.h"
#include "spoken.h"
#include "tape_export.h"
#include "tape_store.h"
#include "weblinks.h"

namespace tickwell {

// The lifecycle's view of the main window and its help window.
class frmCalc::Form : public forms::PlacedMainForm {
public:
    explicit Form(frmCalc& window)
        : PlacedMainForm(mPlaced), mWindow(window), mPlaced(window, "frmCalc") {}
    bool HelpVisible() const override { return mWindow.mHelp && mWindow.mHelp->isVisible(); }
    void ShowHelp() override { mWindow.ShowHelp(); }
    void UnloadHelp() override { mWindow.UnloadHelp(); }
    bool TapeVisible() const override { return mWindow.mTape && mWindow.mTape->isVisible(); }
    void ShowTape() override { mWindow.ShowTape(); }
    void UnloadTape() override { mWindow.UnloadTape(); }
    void SaveModelessPlaces() override {
        if (mWindow.mHelp) mWindow.mHelp->SavePlace();
        if (mWindow.mTape) mWindow.mTape->SavePlace();
    }

private:
    frmCalc& mWindow;
    QtPlacedWindow mPlaced;
};

namespace {

// A menu item's Ctrl (and Shift) accelerator.
QKeySequence MenuShortcut(const forms::MenuItemSpec& item) {
    Qt::KeyboardModifiers modifiers = Qt::ControlModifier;
    if (item.shift) modifiers |= Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(item.ctrl)));
}

// The client area, which draws the two rules across it.
class CalcClient : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        PaintLines(p, forms::CalcForm(), palette());
    }
};

}  // namespace

frmCalc::frmCalc()
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                               Qt::CustomizeWindowHint),
      mCalc(*this),
      mForm(std::make_unique<Form>(*this)),
      mLifecycle(*mForm) {
    mCalc.SetTape(&mLifecycle.TheTape());
    mTapeFlush = new QTimer(this);
    mTapeFlush->setSingleShot(true);
    connect(mTapeFlush, &QTimer::timeout, this, [this] { mLifecycle.FlushTape(); });
    mLifecycle.TheTape().OnChanged([this] {
        if (mTape) mTape->LineAdded();
        TapeChanged(mLifecycle.TapeChanged());
    });
    const forms::FormSpec& form = forms::CalcForm();
    setObjectName(form.name);
    InstallAccessibility();
    setWindowTitle(forms::Tr(form.caption));
    setAccessibleName(forms::Tr(form.caption));
    BuildControls();
    BuildMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize);  // no resizing by the edges
    Form_Load();
}

frmCalc::~frmCalc() {
    mLifecycle.TheTape().OnChanged(nullptr);
    if (mTape) delete mTape.data();
    if (mHelp) delete mHelp.data();
}

void frmCalc::BuildControls() {
    const forms::FormSpec& form = forms::CalcForm();
    auto* client = new CalcClient(this);
    client->setObjectName("client");
    client->setFixedSize(Px(form.clientWidth), Px(form.clientHeight));
    client->setFont(ToFont(forms::kDefaultFont));
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, ToColor(form.background, pal));
    client->setPalette(pal);
    setCentralWidget(client);

    for (const forms::ControlSpec& row : form) {
        QWidget* widget = CreateControl(client, row, &form);
        Control control;
        if (!forms::EngineControl(row.name, control)) continue;  // a label
        widget->installEventFilter(this);
        if (auto* button = qobject_cast<QPushButton*>(widget))
            connect(button, &QPushButton::clicked, this,
                    [this, control] { forms::RunCommand(mCalc, *this, control); });
        mControls[control] = widget;
    }
    txtHours = static_cast<QLineEdit*>(mControls[Control::txtHours]);
    txtMinutes = static_cast<QLineEdit*>(mControls[Control::txtMinutes]);
    txtSeconds = static_cast<QLineEdit*>(mControls[Control::txtSeconds]);
    txtHours->setFocus();
    mAnnouncer = new Announcer(this);
}

void frmCalc::BuildMenu() {
    BuildMenu(menuBar(), forms::kEditMenuName, forms::kEditMenuCaption, forms::EditMenuBegin(),
              forms::EditMenuEnd());
    BuildMenu(menuBar(), forms::kViewMenuName, forms::kViewMenuCaption, forms::ViewMenuBegin(),
              forms::ViewMenuEnd());
    BuildMenu(menuBar(), forms::kHelpMenuName, forms::kHelpMenuCaption, forms::HelpMenuBegin(),
              forms::HelpMenuEnd());
    if (!CanKeepAbove()) {
        QAction* above = findChild<QAction*>("mnuAlwaysOnTop");
        above->setEnabled(false);
        above->setToolTip(forms::Tr(forms::kAlwaysOnTopUnavailable));
        findChild<QMenu*>(forms::kViewMenuName)->setToolTipsVisible(true);
    }
}

void frmCalc::BuildMenu(QMenuBar* bar, const char* name, const char* caption,
                        const forms::MenuItemSpec* begin, const forms::MenuItemSpec* end) {
    QMenu* menu = bar->addMenu(forms::Tr(caption));
    menu->setObjectName(name);
    for (auto item = begin; item != end; ++item) {
        if (!item->caption) {
            menu->addSeparator()->setObjectName(item->name);
            continue;
        }
        QAction* action = menu->addAction(forms::Tr(item->caption));
        action->setObjectName(item->name);
        action->setCheckable(item->check);
        // Menu accelerators: they act wherever the focus is in this window.
        // A plain key that does the same is shown, and bound only inside the
        // open menu: elsewhere it goes through the dispatcher like every
        // typed key. Either way a screen reader hears it as the item's
        // shortcut, apart from its name.
        if (item->f1) action->setShortcut(QKeySequence(Qt::Key_F1));
        if (item->ctrl) action->setShortcut(MenuShortcut(*item));
        if (item->key) action->setShortcut(QKeySequence(QString::fromUtf8(item->key)));
        action->setShortcutContext(item->key ? Qt::WidgetShortcut : Qt::WindowShortcut);
        const forms::MenuCommand command = item->command;
        connect(action, &QAction::triggered, this,
                [this, command] { forms::RunMenuCommand(command, *this); });
    }
}

QWidget* frmCalc::ControlWidget(Control control) const { return mControls.at(control); }

// ---- lifecycle ---------------------------------------------------------

void frmCalc::Form_Load() {
    mScreen = std::make_unique<QtScreen>();
    adjustSize();  // the fixed size, so the centred default centres this window
    mLifecycle.Form_Load(MakeUserRegistry(), *mScreen, MakeUserTapeStore());
    // Before the first show, so the window never appears below others first.
    ApplyAlwaysOnTop();
}

void frmCalc::CheckItem(const char* name, bool on) {
    if (auto* item = findChild<QAction*>(name)) item->setChecked(on);
    if (mTape)
        if (auto* item = mTape->findChild<QAction*>(name)) item->setChecked(on);
}

void frmCalc::ApplyAlwaysOnTop() {
    const bool on = mLifecycle.AlwaysOnTop() && CanKeepAbove();
    CheckItem("mnuAlwaysOnTop", on);
    KeepAbove(*this, on);
    if (mHelp) KeepAbove(*mHelp, on);
    if (mTape) KeepAbove(*mTape, on);
}

void frmCalc::TapeChanged(int flushAfter) {
    if (flushAfter > 0 && !mTapeFlush->isActive()) mTapeFlush->start(flushAfter);
}

void frmCalc::Form_Resize() { mLifecycle.Form_Resize(); }

void frmCalc::Form_Unload() { mLifecycle.Form_Unload(); }

void frmCalc::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) Form_Resize();
}

void frmCalc::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void frmCalc::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

frmHelp* frmCalc::HelpWindow() const { return mHelp.data(); }

void frmCalc::ShowHelp() {
    if (!mHelp) {
        mHelp = new frmHelp(mLifecycle.Placement());
        mHelp->setWindowIcon(windowIcon());
        connect(mHelp.data(), &frmHelp::unloaded, this, [this] { mHelp.clear(); });
        KeepAbove(*mHelp, mLifecycle.AlwaysOnTop() && CanKeepAbove());
        mHelp->Form_Load();
    }
    // A window manager may have minimized it (the help window has no task-bar
    // entry to bring it back from): restore it.
    mHelp->setWindowState(mHelp->windowState() & ~Qt::WindowMinimized);
    mHelp->show();
    mHelp->raise();
    mHelp->activateWindow();
}

void frmCalc::UnloadHelp() {
    if (mHelp) mHelp->close();  // saves its position, then is deleted
}

// ---- the tape window ------------------------------------------------------

frmTape* frmCalc::TapeWindow() const { return mTape.data(); }

void frmCalc::ShowTape() {
    if (!mTape) {
        mTape = new frmTape(mLifecycle.Placement(), mLifecycle.TheTape());
        mTape->setWindowIcon(windowIcon());
        connect(mTape.data(), &frmTape::unloaded, this, [this] { mTape.clear(); });
        BuildMenu(mTape->MenuBar(), forms::kTapeMenuName, forms::kTapeMenuCaption,
                  forms::TapeMenuBegin(), forms::TapeMenuEnd());
        CheckItem("mnuKeepTape", mLifecycle.KeepTape());
        KeepAbove(*mTape, mLifecycle.AlwaysOnTop() && CanKeepAbove());
        mTape->Form_Load(mForm.get());
    }
    mTape->setWindowState(mTape->windowState() & ~Qt::WindowMinimized);
    mTape->show();
}

void frmCalc::UnloadTape() {
    if (mTape) mTape->close();  // saves its position, then is deleted
}

// ---- Edit menu --------------------------------------------------------------

void frmCalc::mnuCopy_Click() {
    std::string selection;
    if (auto* box = qobject_cast<QLineEdit*>(focusWidget()))  // only the boxes are line edits
        selection = box->selectedText().toStdString();
    std::string text;
    if (forms::EditCopy(mCalc, selection, text))
        QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void frmCalc::mnuCopyHours_Click() {
    std::string text;
    if (mCalc.CopyHours(text)) QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void frmCalc::mnuMultiplyDivide_Click() { AskFactor(); }

void frmCalc::AskFactor() {
    frmMultiply box(mCalc, this);
    forms::Spoken(mCalc, *this, [&box] { return box.exec() == QDialog::Accepted; });
}

void frmCalc::mnuTimeBetween_Click() {
    frmTimeBetween box(mCalc, this);
    forms::Spoken(mCalc, *this, [&box] { return box.exec() == QDialog::Accepted; });
}

void frmCalc::mnuRound_Click() {
    frmRound box(mCalc, this);
    forms::Spoken(mCalc, *this, [&box] { return box.exec() == QDialog::Accepted; });
}

void frmCalc::mnuPaste_Click() {
    forms::EditPaste(mCalc, *this, QGuiApplication::clipboard()->text().toStdString());
}

void frmCalc::mnuTape_Click() {
    if (mTape && mTape->isVisible()) {
        UnloadTape();
    } else {
        ShowTape();
        Announce(forms::TapeOpenedText(mLifecycle.TheTape()));
    }
}

// ---- View menu and the tape window's menu -------------------------------------

void frmCalc::mnuAlwaysOnTop_Click() {
    mLifecycle.SetAlwaysOnTop(!mLifecycle.AlwaysOnTop());
    ApplyAlwaysOnTop();
}

void frmCalc::mnuTapeSaveAs_Click() {
    QWidget* owner = mTape ? static_cast<QWidget*>(mTape.data()) : this;
    const QString text =
        QString::fromUtf8(forms::Tr(forms::kTapeTextFilter)) + " (" + forms::kTapeTextPattern + ")";
    const QString csv =
        QString::fromUtf8(forms::Tr(forms::kTapeCsvFilter)) + " (" + forms::kTapeCsvPattern + ")";
    QFileDialog dialog(owner, forms::Tr(forms::kTapeSaveAsTitle),
                       QString::fromUtf8(forms::Tr(forms::kTapeFileName)) + ".txt",
                       text + ";;" + csv);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension takes the chosen kind's, before the
    // dialog asks whether to replace a file of that name.
    dialog.setDefaultSuffix("txt");
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&](const QString& kind) { dialog.setDefaultSuffix(kind == csv ? "csv" : "txt"); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();
    const forms::TapeFormat format =
        forms::TapeFormatFor(path.toStdString(), dialog.selectedNameFilter() == csv ? 1 : 0);
    const std::string bytes = forms::TapeFileBytes(mLifecycle.TheTape().Lines(), format, "\n");
    // A new file renamed over the old: a failed save leaves the old one whole.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
            static_cast<qint64>(bytes.size()) &&
        file.commit())
        return;
    ShowMsgBox(owner,
               QString::fromStdString(forms::TapeSaveFailed(
                   QDir::toNativeSeparators(path).toStdString(), file.errorString().toStdString())),
               QString(), 16);
}

void frmCalc::mnuKeepTape_Click() {
    mLifecycle.SetKeepTape(!mLifecycle.KeepTape());
    CheckItem("mnuKeepTape", mLifecycle.KeepTape());
}

void frmCalc::mnuTapeClear_Click() {
    TapeChanged(mLifecycle.ClearTape());
    if (mTape) mTape->Reload();
}

void frmCalc::mnuTapeClose_Click() { UnloadTape(); }

// ---- Help menu ----------------------------------------------------------------

void frmCalc::mnuUsing_Click() { ShowHelp(); }

void frmCalc::mnuAbout_Click() {
    frmAbout about(this);
    about.setWindowIcon(windowIcon());
    about.Form_Load();
    about.exec();
}

namespace {

WebLinkHost MakeWebLinkHost(QWidget* owner) {
    WebLinkHost host;
    host.msgBox = [owner](const std::string& text, const std::string& title, int style) {
        return ShowMsgBox(owner, QString::fromStdString(text), QString::fromStdString(title),
                          style);
    };
    host.openUrl = [owner](const std::string& url, std::function<void()> failed) {
        OpenInBrowser(QString::fromStdString(url), owner, std::move(failed));
    };
    return host;
}

}  // namespace

void frmCalc::mnuHelpWebSite_Click() { tickwell::mnuHelpWebSite_Click(MakeWebLinkHost(this)); }
void frmCalc::mnuHelpSharewell_Click() { tickwell::mnuHelpSharewell_Click(MakeWebLinkHost(this)); }

// ---- the engine's host ------------------------------------------------------

std::string frmCalc::GetText(Control box) const {
    return static_cast<QLineEdit*>(ControlWidget(box))->text().toStdString();
}

void frmCalc::SetText(Control box, const std::string& text) {
    static_cast<QLineEdit*>(ControlWidget(box))->setText(QString::fromStdString(text));
}

void frmCalc::SetFocus(Control control) { ControlWidget(control)->setFocus(Qt::OtherFocusReason); }

void frmCalc::Press(Control button) {
    if (auto* b = qobject_cast<QAbstractButton*>(ControlWidget(button))) b->click();
}

void frmCalc::Announce(const std::string& text) { mAnnouncer->Say(QString::fromStdString(text)); }

int frmCalc::MsgBox(const std::string& text, const std::string& title, int style) {
    return ShowMsgBox(this, QString::fromStdString(text), QString::fromStdString(title), style);
}

void frmCalc::SendTab() {
    if (!mPreview.HoldTab()) MoveTab(false);
}

// Tab follows the shared tab-stop rule, as in the Windows program; a box
// reached with Tab has its text selected.
void frmCalc::MoveTab(bool backward) {
    const QWidget* focus = QApplication::focusWidget();
    const char* from = nullptr;
    for (const auto& [control, widget] : mControls)
        if (widget == focus) from = ControlName(control);
    const forms::ControlSpec* to = forms::NextTabStop(forms::CalcForm(), from, backward);
    Control target;
    if (!to || !forms::EngineControl(to->name, target)) return;
    ControlWidget(target)->setFocus(backward ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    if (auto* box = qobject_cast<QLineEdit*>(ControlWidget(target))) box->selectAll();
}

namespace {

// The US layout's letter on an X or Wayland key code (an evdev code plus
// 8, as xkb numbers them on both), 0 for a key without one.
char UsLetter(quint32 keycode) {
    static const char kRows[][11] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    static const quint32 kFirst[] = {24, 38, 52};  // Q, A and Z
    for (int row = 0; row < 3; ++row) {
        const auto length = static_cast<quint32>(std::strlen(kRows[row]));
        if (keycode >= kFirst[row] && keycode < kFirst[row] + length)
            return kRows[row][keycode - kFirst[row]];
    }
    return 0;
}

forms::KeyPress ToKeyPress(const QKeyEvent& key, bool inBox) {
    forms::KeyPress press;
    static const bool xkbCodes =
        QGuiApplication::platformName() == QLatin1String("xcb") ||
        QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (xkbCodes) press.latin = UsLetter(key.nativeScanCode());
    const Qt::KeyboardModifiers mods = key.modifiers();
    press.shift = mods & Qt::ShiftModifier;
    press.ctrl = mods & Qt::ControlModifier;
    press.alt = mods & Qt::AltModifier;
    press.meta = mods & Qt::MetaModifier;
    press.inBox = inBox;
    switch (key.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            press.key = forms::Key::Tab;
            press.shift = press.shift || key.key() == Qt::Key_Backtab;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter: press.key = forms::Key::Return; break;  // the numpad's too
        case Qt::Key_Backspace: press.key = forms::Key::Backspace; break;
        case Qt::Key_Delete: press.key = forms::Key::Delete; break;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Insert: press.key = forms::Key::Editing; break;
        default: {
            // The character as typed, before Ctrl turned it into a control code.
            const QString text = key.text();
            if (key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z && press.ctrl) {
                press.character =
                    static_cast<std::uint16_t>((press.shift ? 'A' : 'a') + (key.key() - Qt::Key_A));
            } else if (!text.isEmpty() && text.at(0).unicode() >= 0x20) {
                press.character = text.at(0).unicode();
            } else if (!text.isEmpty() && text.at(0).unicode() == 27) {
                press.character = 27;  // Escape types its character
            } else if (key.key() >= Qt::Key_Space && key.key() <= Qt::Key_AsciiTilde) {
                press.character = static_cast<std::uint16_t>(key.key());
            } else {
                press.key = forms::Key::Other;
            }
        }
    }
    return press;
}

}  // namespace

// Key preview: every key reaches the shared rule before the focused box or
// button, and every character the dispatcher, which may swallow it. Menu
// access keys (Alt+H) and F1 never get here: the menu bar takes them first.
bool frmCalc::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // A box would take Ctrl+C and Ctrl+V as its own; the Edit menu's
        // accelerators come first, wherever the focus is.
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (auto item = forms::EditMenuBegin(); item != forms::EditMenuEnd(); ++item)
            if (item->ctrl && pressed == MenuShortcut(*item))
                return true;  // not accepted: the shortcut fires
        return QMainWindow::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* box = qobject_cast<QLineEdit*>(watched);
    const forms::KeyRoute route = forms::RouteKey(ToKeyPress(*key, box != nullptr));
    using A = forms::KeyRoute::Action;
    switch (route.action) {
        case A::Native: {
            // Shift+Delete with nothing selected deletes the character before
            // the caret, as a Windows box does (with a selection, both cut).
            if (box && key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ShiftModifier) &&
                !box->hasSelectedText()) {
                box->backspace();
                return true;
            }
            return false;
        }
        case A::Ignore: return true;
        case A::TabForward:
        case A::TabBackward: MoveTab(route.action == A::TabBackward); return true;
        case A::Dispatch: break;
    }
    std::uint16_t code = route.code;
    for (int tabs = mPreview.Dispatch(code); tabs > 0; --tabs) MoveTab(false);
    if (code == 0) return true;
    if (code == 8 && box && key->key() != Qt::Key_Backspace) {  // Ctrl+H
        box->backspace();
        return true;
    }
    return false;  // a digit or Backspace: the box types it
}

}  // namespace tickwell
