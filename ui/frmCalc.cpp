#include "frmCalc.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <map>

#include "desktop_open.h"
#include "frmAbout.h"
#include "frmHelp.h"
#include "msgbox.h"
#include "qt_forms.h"
#include "qt_placement.h"
#include "registry.h"
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

private:
    frmCalc& mWindow;
    QtPlacedWindow mPlaced;
};

namespace {

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
    const forms::FormSpec& form = forms::CalcForm();
    setObjectName(form.name);
    setWindowTitle(form.caption);
    setAccessibleName(form.caption);
    BuildControls();
    BuildMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize);  // no resizing by the edges
    Form_Load();
}

frmCalc::~frmCalc() {
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

    std::map<int, QWidget*> tabOrder;
    for (const forms::ControlSpec& row : form) {
        QWidget* widget = CreateControl(client, row);
        Control control;
        if (!forms::EngineControl(row.name, control)) continue;  // a label
        widget->installEventFilter(this);
        if (auto* button = qobject_cast<QPushButton*>(widget))
            connect(button, &QPushButton::clicked, this, [this, control] { mCalc.Click(control); });
        mControls[control] = widget;
        tabOrder[row.tabIndex] = widget;
    }
    QWidget* previous = nullptr;
    for (const auto& [index, widget] : tabOrder) {
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    txtHours = static_cast<QLineEdit*>(mControls[Control::txtHours]);
    txtMinutes = static_cast<QLineEdit*>(mControls[Control::txtMinutes]);
    txtSeconds = static_cast<QLineEdit*>(mControls[Control::txtSeconds]);
    txtHours->setFocus();
}

void frmCalc::BuildMenu() {
    QMenu* mnuHelp = menuBar()->addMenu(forms::kHelpMenuCaption);
    mnuHelp->setObjectName(forms::kHelpMenuName);
    for (auto item = forms::HelpMenuBegin(); item != forms::HelpMenuEnd(); ++item) {
        if (!item->caption) {
            mnuHelp->addSeparator()->setObjectName(item->name);
            continue;
        }
        QAction* action = mnuHelp->addAction(item->caption);
        action->setObjectName(item->name);
        if (item->f1) {
            action->setShortcut(QKeySequence(Qt::Key_F1));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        void (frmCalc::*handler)() = nullptr;
        switch (item->command) {
            case forms::MenuCommand::Using: handler = &frmCalc::mnuUsing_Click; break;
            case forms::MenuCommand::WebSite: handler = &frmCalc::mnuHelpWebSite_Click; break;
            case forms::MenuCommand::Sharewell: handler = &frmCalc::mnuHelpSharewell_Click; break;
            case forms::MenuCommand::About: handler = &frmCalc::mnuAbout_Click; break;
            case forms::MenuCommand::None: break;
        }
        if (handler) connect(action, &QAction::triggered, this, handler);
    }
}

QWidget* frmCalc::ControlWidget(Control control) const { return mControls.at(control); }

// ---- lifecycle ---------------------------------------------------------

void frmCalc::Form_Load() {
    mScreen = std::make_unique<QtScreen>();
    adjustSize();  // the fixed size, so the centred default centres this window
    mLifecycle.Form_Load(MakeUserRegistry(), *mScreen);
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

// ---- Help menu ------------------------------------------------------------

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

int frmCalc::MsgBox(const std::string& text, const std::string& title, int style) {
    return ShowMsgBox(this, QString::fromStdString(text), QString::fromStdString(title), style);
}

void frmCalc::SendTab() {
    if (mInKeyPreview) {
        ++mPendingTabs;  // sent as soon as the dispatcher returns
        return;
    }
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != this) target = this;
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t"));
}

void frmCalc::SendPendingTabs() {
    // Handled after the dispatcher returns but before the next typed key:
    // keys typed quickly after "/" already wait in the input queue, and a
    // posted Tab would reach the box only after them.
    for (; mPendingTabs > 0; --mPendingTabs) {
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != this) target = this;
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
        QCoreApplication::sendEvent(target, &tab);
    }
}

// Key preview: every typed character reaches the dispatcher before the
// focused box or button, which may swallow it; with Alt or Super held too.
// Menu access keys (Alt+H) never get here: the menu bar takes them first.
bool frmCalc::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    std::uint16_t code = 0;
    switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete: return false;  // the window's own keys
        case Qt::Key_Return:
        case Qt::Key_Enter: code = 13; break;  // the numpad's Enter too
        default:
            if (key->text().isEmpty()) return false;
            code = key->text().at(0).unicode();
    }
    mInKeyPreview = true;
    mCalc.Form_KeyPress(code);
    mInKeyPreview = false;
    SendPendingTabs();
    return code == 0;
}

}  // namespace tickwell
