// Start-up: time from main() to the first painted frame of the main window,
// against an empty Qt main window in the same binary. Prints milliseconds.
// Usage: startup_bench tickwell|empty   (bench/startup.sh runs both repeatedly)
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <memory>

#include "frmCalc.h"

namespace {

class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    const bool empty = argc > 1 && std::strcmp(argv[1], "empty") == 0;
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window;
    if (empty) {
        window = std::make_unique<QMainWindow>();
    } else {
        window = std::make_unique<tickwell::frmCalc>();
    }
    FirstPaint watch;
    window->installEventFilter(&watch);
    window->show();
    while (!watch.painted) app.processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("%s %.2f\n", empty ? "empty" : "tickwell", clock.nsecsElapsed() / 1e6);
    window->close();  // runs the close handlers, as a real session's end would
    return 0;
}
