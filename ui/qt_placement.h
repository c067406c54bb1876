// The placement memory's view of a Qt window and of the desktop, in twips of
// logical pixels.
#pragma once

#include <QString>

#include "mwindow.h"

class QWidget;

namespace tickwell {

class QtScreen : public IScreen {
public:
    double Width() const override;
    double Height() const override;
    double TwipsPerPixelX() const override;
    double TwipsPerPixelY() const override;
    bool QueryWorkArea(PixelRect& rc) const override;
    bool CanPlaceWindows() const override;
    std::vector<PixelRect> AllWorkAreas() const override;
};

class QtPlacedWindow : public IPlacedWindow {
public:
    QtPlacedWindow(QWidget& window, QString name) : mWindow(window), mName(std::move(name)) {}
    std::string Name() const override { return mName.toStdString(); }
    int WindowState() const override;
    double Left() const override;
    double Top() const override;
    double Width() const override;
    double Height() const override;
    void SetLeft(double twips) override;
    void SetTop(double twips) override;

private:
    QWidget& mWindow;
    QString mName;
};

}  // namespace tickwell
