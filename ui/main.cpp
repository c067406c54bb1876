#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

#include "frmCalc.h"

namespace {

// Without a display Qt would abort; say what to do instead.
bool HaveDisplay() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (!HaveDisplay()) {
        std::fprintf(stderr,
                     "tickwell: no display to open the window on (DISPLAY is not set).\n"
                     "Start it from a desktop session, or on a virtual display: xvfb-run %s\n",
                     argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tickwell");
    QApplication::setOrganizationName("Brenholt Software");
    QApplication::setApplicationVersion(TICKWELL_VERSION_TEXT);
    QApplication::setDesktopFileName("tickwell");

    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/icons/tickwell-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);

    tickwell::frmCalc window;  // its Form_Load restores the position before the show
    window.show();
    return app.exec();
}
