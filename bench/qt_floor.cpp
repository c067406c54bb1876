// The fair floor for start-up: a plain Qt window with the same widgets, fonts
// and menu as the main window, and nothing else (no settings, no icon, no
// engine, no key handling). bench/startup.sh runs it beside Tickwell.
#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>

#include "qt_forms.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    const tickwell::forms::FormSpec& form = tickwell::forms::CalcForm();
    window.setWindowTitle(form.caption);
    auto* client = new QWidget(&window);
    client->setFixedSize(tickwell::Px(form.clientWidth), tickwell::Px(form.clientHeight));
    client->setFont(tickwell::ToFont(tickwell::forms::kDefaultFont));
    for (const tickwell::forms::ControlSpec& row : form) tickwell::CreateControl(client, row);
    window.setCentralWidget(client);
    auto addMenu = [&window](const char* caption, const tickwell::forms::MenuItemSpec* begin,
                             const tickwell::forms::MenuItemSpec* end) {
        QMenu* menu = window.menuBar()->addMenu(caption);
        for (auto item = begin; item != end; ++item)
            item->caption ? (void)menu->addAction(item->caption) : (void)menu->addSeparator();
    };
    addMenu(tickwell::forms::kEditMenuCaption, tickwell::forms::EditMenuBegin(),
            tickwell::forms::EditMenuEnd());
    addMenu(tickwell::forms::kHelpMenuCaption, tickwell::forms::HelpMenuBegin(),
            tickwell::forms::HelpMenuEnd());
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
    window.show();
    return app.exec();
}
