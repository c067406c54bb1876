#include "qt_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

#include "layout.h"

namespace tickwell {

namespace {

PixelRect ToPixelRect(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

int ToPixels(double twips) { return static_cast<int>(std::lround(twips / forms::kTwipsPerPixel)); }

}  // namespace

double QtScreen::Width() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() * double(forms::kTwipsPerPixel) : 0;
}

double QtScreen::Height() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() * double(forms::kTwipsPerPixel) : 0;
}

double QtScreen::TwipsPerPixelX() const { return forms::kTwipsPerPixel; }
double QtScreen::TwipsPerPixelY() const { return forms::kTwipsPerPixel; }

bool QtScreen::QueryWorkArea(PixelRect& rc) const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return false;
    rc = ToPixelRect(screen->availableGeometry());
    return true;
}

bool QtScreen::CanPlaceWindows() const {
    return !QGuiApplication::platformName().startsWith("wayland");
}

std::vector<PixelRect> QtScreen::AllWorkAreas() const {
    std::vector<PixelRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.push_back(ToPixelRect(screen->availableGeometry()));
    return areas;
}

int QtPlacedWindow::WindowState() const {
    if (mWindow.isMinimized()) return 1;
    if (mWindow.isMaximized()) return 2;
    return 0;
}

// Places are the frame's top-left corner, as the desktop reports it.
double QtPlacedWindow::Left() const {
    return mWindow.frameGeometry().x() * double(forms::kTwipsPerPixel);
}
double QtPlacedWindow::Top() const {
    return mWindow.frameGeometry().y() * double(forms::kTwipsPerPixel);
}
double QtPlacedWindow::Width() const {
    return mWindow.frameGeometry().width() * double(forms::kTwipsPerPixel);
}
double QtPlacedWindow::Height() const {
    return mWindow.frameGeometry().height() * double(forms::kTwipsPerPixel);
}

void QtPlacedWindow::SetLeft(double twips) { mWindow.move(ToPixels(twips), mWindow.pos().y()); }
void QtPlacedWindow::SetTop(double twips) { mWindow.move(mWindow.pos().x(), ToPixels(twips)); }

}  // namespace tickwell
