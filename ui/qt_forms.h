// Renders the shared layout tables as Qt widgets: twips to logical pixels
// (Qt scales those for high-DPI screens), the design fonts with the nearest
// faces Linux desktops carry, and the tables' colours.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPalette>
#include <QRect>

#include "layout.h"

class QPainter;
class QWidget;

namespace tickwell {

constexpr int Px(int twips) { return forms::TwipsToPixels(twips); }

inline QRect ToRect(const forms::TwipsRect& r) {
    return QRect(Px(r.left), Px(r.top), Px(r.width), Px(r.height));
}

QFont ToFont(const forms::FontSpec& row);
// An invalid colour for Inherit.
QColor ToColor(const forms::ColorSpec& row, const QPalette& palette);
Qt::Alignment ToAlignment(forms::Align align);

// A label, box, button or image for one row of a table, placed, captioned,
// coloured and named; boxes and buttons are not yet wired to anything.
// A table row as a widget; a one-line label whose (translated) text is wider
// than its row takes the room `form` leaves it (forms::TextRoom).
QWidget* CreateControl(QWidget* parent, const forms::ControlSpec& row,
                       const forms::FormSpec* form = nullptr);

// The frame every modal box shares: a title bar with its close box, and no
// other buttons.
constexpr Qt::WindowFlags kBoxFlags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                      Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
// Builds a modal box from its table: its name, title, fixed size, font and
// every control. OK is the default button (Enter) and accepts; Cancel, where
// there is one, rejects (Escape does as in every dialog).
void BuildBox(QDialog& box, const forms::FormSpec& form);

// The windows keep their designed light look, whose fixed colours (blue unit
// labels, dark red titles, black rules and notices) are only readable on a
// light background: on a dark or dark high-contrast system palette the
// application gets a light palette of its own. A light palette is kept.
void UseReadablePalette();

// Keeps a window above others (the window manager's "above" state on X11),
// or lets it go behind them again, in place. Before the first show it only
// sets the flag, so the window never appears in the other state first.
void KeepAbove(QWidget& window, bool on);
// Whether this desktop lets a program keep a window above others (Wayland
// does not).
bool CanKeepAbove();

// WCAG contrast ratio of two colours (1 to 21).
double ContrastRatio(const QColor& a, const QColor& b);

// The table's rules, in the widget's palette.
void PaintLines(QPainter& painter, const forms::FormSpec& form, const QPalette& palette);

}  // namespace tickwell
