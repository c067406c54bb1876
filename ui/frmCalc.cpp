#include "frmCalc.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <limits>

#include "frmAbout.h"
#include "frmHelp.h"
#include "msgbox.h"
#include "mwindow.h"
#include "qt_placement.h"
#include "reg_settings.h"
#include "registry.h"
#include "twips.h"
#include "weblinks.h"

namespace tickwell {

std::unique_ptr<CRegSettings> gRegSettings;

namespace {

// The client area, which draws the two rules across it.
class CalcClient : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawLine(Px(360), Px(720), Px(3120), Px(720));
        p.setPen(Qt::black);
        p.drawLine(Px(360), Px(2880), Px(3120), Px(2880));
    }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& rect,
                  const QFont& font, const QColor& color, Qt::Alignment align = Qt::AlignLeft) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(rect);
    label->setFont(font);
    label->setAlignment(align | Qt::AlignTop);
    if (color.isValid()) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, color);
        label->setPalette(pal);
    }
    return label;
}

}  // namespace

frmCalc::frmCalc()
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                               Qt::CustomizeWindowHint),
      mCalc(*this) {
    setObjectName("frmCalc");
    setWindowTitle("Tickwell");
    setAccessibleName("Tickwell");
    BuildControls();
    BuildMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize);  // no resizing by the edges
    Form_Load();
}

frmCalc::~frmCalc() {
    if (mHelp) delete mHelp.data();
}

void frmCalc::BuildControls() {
    auto* client = new CalcClient(this);
    client->setObjectName("client");
    client->setFixedSize(Px(3510), Px(3210));
    client->setFont(SansFont(8.25));
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));  // button face
    client->setPalette(pal);
    setCentralWidget(client);

    // Created bottom to top: the colons lie under the boxes, the title under
    // the subtitle.
    const QFont colonFont = SansFont(13.5, true);
    MakeLabel(client, "lblColon1", ":", TwipsRect(1200, 900, 135, 495), colonFont, QColor());
    MakeLabel(client, "lblColon2", ":", TwipsRect(2160, 900, 135, 495), colonFont, QColor());
    MakeLabel(client, "lblTitle", "Tickwell", TwipsRect(360, 0, 2775, 495), TitleFont(),
              QColor(192, 0, 0), Qt::AlignHCenter);
    MakeLabel(client, "lblDescription", "Time Calculator", TwipsRect(1920, 360, 1215, 255),
              SansFont(8.25), QColor(), Qt::AlignRight);

    const QFont unitFont = SansFont(8.25, true);
    const QColor blue(0, 0, 255);
    MakeLabel(client, "lblHours", "Hours", TwipsRect(555, 1245, 495, 255), unitFont, blue);
    MakeLabel(client, "lblMinutes", "Minutes", TwipsRect(1410, 1245, 735, 255), unitFont, blue);
    MakeLabel(client, "lblSeconds", "Seconds", TwipsRect(2340, 1245, 735, 255), unitFont, blue);

    auto makeBox = [&](Control control, const char* accessible, int left) {
        auto* box = new QLineEdit(client);
        box->setObjectName(ControlName(control));
        box->setGeometry(TwipsRect(left, 960, 855, 285));
        box->setAlignment(Qt::AlignRight);
        box->setMaxLength(std::numeric_limits<int>::max());
        box->setAccessibleName(accessible);
        box->installEventFilter(this);
        mControls[control] = box;
        return box;
    };
    txtHours = makeBox(Control::txtHours, "Hours", 360);
    txtMinutes = makeBox(Control::txtMinutes, "Minutes", 1320);
    txtSeconds = makeBox(Control::txtSeconds, "Seconds", 2280);

    struct ButtonLayout {
        Control control;
        const char* caption;
        const char* accessible;
        QRect rect;
        double points;
        const char* tip;
    };
    const ButtonLayout buttons[] = {
        {Control::cmdPlus, "+", "Add", TwipsRect(360, 1560, 855, 495), 13.5, nullptr},
        {Control::cmdMinus, "-", "Subtract", TwipsRect(1320, 1560, 855, 495), 18, nullptr},
        {Control::cmdEquals, "=", "Equals", TwipsRect(2280, 1560, 855, 495), 13.5, nullptr},
        {Control::cmdMinutes, "MS", "Convert to minutes and seconds",
         TwipsRect(360, 2160, 615, 495), 12, "Converts entered time into minutes and seconds"},
        {Control::cmdSeconds, "S", "Convert to seconds", TwipsRect(1080, 2160, 615, 495), 12,
         "Converts entered time into seconds"},
        {Control::cmdClearEntry, "CE", "Clear entry", TwipsRect(1800, 2160, 615, 495), 12, nullptr},
        {Control::cmdClearAll, "C", "Clear all", TwipsRect(2520, 2160, 615, 495), 12, nullptr},
    };
    for (const ButtonLayout& item : buttons) {
        auto* button = new QPushButton(item.caption, client);
        button->setObjectName(ControlName(item.control));
        button->setGeometry(item.rect);
        button->setFont(SansFont(item.points, true));
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::ClickFocus);  // never a Tab stop, still focusable
        button->setAccessibleName(item.accessible);
        if (item.tip) {
            button->setToolTip(item.tip);
            button->setAccessibleDescription(item.tip);
        }
        button->installEventFilter(this);
        const Control control = item.control;
        connect(button, &QPushButton::clicked, this, [this, control] { mCalc.Click(control); });
        mControls[control] = button;
    }

    QWidget* chain[] = {txtHours, txtMinutes, txtSeconds};
    for (QWidget* w : chain) w->raise();
    QWidget::setTabOrder(txtHours, txtMinutes);
    QWidget::setTabOrder(txtMinutes, txtSeconds);
    QWidget* previous = txtSeconds;
    for (const ButtonLayout& item : buttons) {
        QWidget::setTabOrder(previous, mControls[item.control]);
        previous = mControls[item.control];
    }
    txtHours->setFocus();
}

void frmCalc::BuildMenu() {
    QMenu* mnuHelp = menuBar()->addMenu("&Help");
    mnuHelp->setObjectName("mnuHelp");
    auto add = [&](const char* name, const char* caption, void (frmCalc::*handler)()) {
        QAction* action = mnuHelp->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QAction* mnuUsing = add("mnuUsing", "Using Tickwell...", &frmCalc::mnuUsing_Click);
    mnuUsing->setShortcut(QKeySequence(Qt::Key_F1));
    mnuUsing->setShortcutContext(Qt::WindowShortcut);
    mnuHelp->addSeparator()->setObjectName("mnuHelpSep1");
    add("mnuHelpWebSite", "Brenholt Web Site...", &frmCalc::mnuHelpWebSite_Click);
    add("mnuHelpSharewell", "Sharewell Project...", &frmCalc::mnuHelpSharewell_Click);
    mnuHelp->addSeparator()->setObjectName("mnuHelpSep2");
    add("mnuAbout", "About Tickwell...", &frmCalc::mnuAbout_Click);
}

QWidget* frmCalc::ControlWidget(Control control) const { return mControls.at(control); }

// ---- lifecycle ---------------------------------------------------------

void frmCalc::Form_Load() {
    mRegistry = MakeUserRegistry();
    gRegSettings = std::make_unique<CRegSettings>(*mRegistry);
    gRegSettings->AppName("Tickwell");
    mScreen = std::make_unique<QtScreen>();
    mPlacement = std::make_unique<MWindow>(*gRegSettings, *mScreen);
    adjustSize();  // the fixed size, so the centred default centres this window
    QtPlacedWindow window(*this, objectName());
    mPlacement->SaveRestoreWindow(window, false);
}

void frmCalc::Form_Resize() {
    if (isMinimized()) {
        const bool helpVisible = mHelp && mHelp->isVisible();
        mbHelpWasVisible = helpVisible;
        if (helpVisible) UnloadHelp();
    } else if (mbHelpWasVisible) {
        ShowHelp();
    }
}

void frmCalc::Form_Unload() {
    if (mUnloaded) return;
    mUnloaded = true;
    UnloadHelp();
    QtPlacedWindow window(*this, objectName());
    mPlacement->SaveRestoreWindow(window, true);
}

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

bool frmCalc::ShowHelp() {
    if (!mHelp) {
        mHelp = new frmHelp(*mPlacement);
        mHelp->setWindowIcon(windowIcon());
        connect(mHelp.data(), &frmHelp::unloaded, this, [this] { mHelp.clear(); });
        mHelp->Form_Load();
    }
    mHelp->show();
    mHelp->raise();
    mHelp->activateWindow();
    return true;
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
    host.openUrl = [](const std::string& url) {
        return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
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
// focused box or button, which may swallow it.
bool frmCalc::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) return false;  // menu keys
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
