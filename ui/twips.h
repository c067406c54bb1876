// Places and sizes are designed in twips; 15 twips make one logical pixel,
// which Qt scales for high-DPI screens.
#pragma once

#include <QFont>
#include <QRect>
#include <QStringList>

namespace tickwell {

constexpr int kTwipsPerPixel = 15;

constexpr int Px(int twips) { return twips / kTwipsPerPixel; }

inline QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

// The design fonts, with the nearest faces Linux desktops carry.
inline QFont SansFont(double points, bool bold = false) {
    QFont font;
    font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial",
                      "DejaVu Sans", "Sans Serif"});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

inline QFont TitleFont() {
    QFont font;
    font.setFamilies({"Arial Black", "Liberation Sans", "Arial", "DejaVu Sans"});
    font.setPointSizeF(14.25);
    font.setItalic(true);
    font.setWeight(QFont::Black);  // Arial Black's own weight, for the stand-ins
    return font;
}

}  // namespace tickwell
