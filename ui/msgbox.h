#pragma once

#include <QString>

class QWidget;

namespace tickwell {

// A modal message box from platform-style flags (buttons in the low bits, the
// icon in 16/32/48/64); returns the platform's answer (1 OK, 6 Yes, 7 No).
// An empty title shows the application's title.
int ShowMsgBox(QWidget* parent, const QString& text, const QString& title, int style);

}  // namespace tickwell
