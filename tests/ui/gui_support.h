// Driving the real windows on Qt's offscreen platform: typing into whatever
// has the focus, and answering modal boxes so no test waits on one.
#pragma once

#include <QApplication>
#include <QString>
#include <functional>
#include <ostream>

class QWidget;

namespace tickwell::gui {

// Types each character into the focused widget as a key press would, then
// lets queued events (the synthetic Tab) run.
void Type(const QString& keys);
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Runs `act` on the next modal widget once it is shown (within 5 s).
void WhenModal(std::function<void(QWidget*)> act);

QString FocusName();

}  // namespace tickwell::gui

// Lets test failures show QStrings as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
