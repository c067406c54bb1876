#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <QTranslator>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>

#include "catalogue.h"
#include "end_signals.h"
#include "frmCalc.h"
#include "qt_forms.h"

namespace {

#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
bool Set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// Whether a Wayland compositor answers where WAYLAND_DISPLAY says.
bool WaylandReachable() {
    std::string path = std::getenv("WAYLAND_DISPLAY");
    if (path[0] != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime) return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    path.copy(address.sun_path, path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool reached = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return reached;
}
#endif

// Without a display Qt would abort with a core dump; say what to do instead.
// Returns 0 to go on, or the exit code.
int CheckDisplay(const char* program) {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    if (Set("DISPLAY") || Set("QT_QPA_PLATFORM")) return 0;
    if (Set("WAYLAND_DISPLAY")) {
        if (WaylandReachable()) return 0;
        std::fprintf(stderr,
                     "tickwell: no Wayland compositor answers at WAYLAND_DISPLAY=%s, and DISPLAY "
                     "is not set.\nStart it from a running desktop session.\n",
                     std::getenv("WAYLAND_DISPLAY"));
        return 1;
    }
    std::fprintf(stderr,
                 "tickwell: no display to open the window on (DISPLAY is not set).\n"
                 "Start it from a desktop session, or on a virtual display: xvfb-run %s\n",
                 program);
    return 1;
#else
    (void)program;
    return 0;
#endif
}

// Runs `then` once the window's first frame has been painted and handed to
// the display, so work the first frame does not need never delays it.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget& window, std::function<void()> then)
        : mWindow(window), mThen(std::move(then)) {
        window.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && mThen) {
            mWindow.removeEventFilter(this);
            QTimer::singleShot(0, this, std::exchange(mThen, nullptr));
        }
        return false;
    }

private:
    QWidget& mWindow;
    std::function<void()> mThen;
};

void EndWithTheSession(QApplication& app, tickwell::frmCalc& window) {
    auto end = [&window] {
        window.EndSession();
        QCoreApplication::quit();  // every event loop, a modal box's too
    };
    // Before a logout the session manager asks for everything to be saved;
    // the user may still cancel it, so Tickwell stays open. When the session
    // does end, it ends the program (a signal, or Qt's own quit).
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.SaveSession(); });
    tickwell::EndOnSignals(&window, end);
}

}  // namespace

// --help and --version print and end the program; an unknown option is an
// error. Parsed before any window or display is touched, so both work without
// a desktop. Returns the exit code, or -1 to go on and open the window.
int HandleCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // "-platform" is one unknown option, not seven unknown letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        "Tickwell adds and subtracts durations in hours, minutes and seconds, and converts "
        "them to minutes and seconds or to seconds.");
    const QCommandLineOption help(QStringList{"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version(QStringList{"v", "version"}, "Show the version and exit.");
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "tickwell: %s\nTry 'tickwell --help'.\n",
                     qPrintable(parser.errorText()));
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "tickwell: unexpected argument '%s'\nTry 'tickwell --help'.\n",
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText().replace("<executable_name>", "tickwell")), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("tickwell %d.%d.%d\n", TICKWELL_VERSION_MAJOR, TICKWELL_VERSION_MINOR,
                    TICKWELL_VERSION_PATCH);
        return 0;
    }
    return -1;
}

// A catalogue's bytes: a plain file, of a size a catalogue can have.
bool ReadCatalogueFile(const std::string& path, std::string& bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::size_t>(st.st_size) <= tickwell::forms::kMaxCatalogueBytes;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
            ok = n > 0 || (n < 0 && errno == EINTR);
            if (n > 0) done += static_cast<std::size_t>(n);
        }
    }
    close(fd);
    return ok;
}

// The user's language, as gettext chooses it: our catalogue from the
// installed share/locale (or the build tree's locale folder), and Qt's own
// for the texts it draws (a message box's buttons, a box's context menu).
void LoadTranslations(QApplication& app) {
    const auto languages = tickwell::forms::MessageLanguages(
        [](const char* name) -> const char* { return std::getenv(name); });
    if (languages.empty()) return;
    const QString here = QCoreApplication::applicationDirPath();
    for (const QString& folder : {here + "/../share/locale", here + "/../locale"}) {
        const std::string used =
            tickwell::forms::LoadCatalogue(folder.toStdString(), languages, ReadCatalogueFile);
        if (used.empty()) continue;
        auto* qt = new QTranslator(&app);
        if (qt->load(QLocale(QString::fromStdString(used)), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        return;
    }
}

int main(int argc, char** argv) {
    if (const int code = HandleCommandLine(argc, argv); code >= 0) return code;
    if (const int code = CheckDisplay(argv[0]); code != 0) return code;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tickwell");
    QApplication::setOrganizationName("Brenholt Software");
    QApplication::setApplicationVersion(TICKWELL_VERSION_TEXT);
    QApplication::setDesktopFileName("tickwell");
    tickwell::UseReadablePalette();
    LoadTranslations(app);

    // The window manager is handed every picture of the window icon, decoded,
    // before the first frame. The title bar needs the small ones; 64 px
    // follows once the first frame is up, and larger sizes come from the
    // installed icon theme through the desktop entry, as desktops look them up.
    QIcon icon;
    auto addSizes = [&icon](std::initializer_list<int> sizes) {
        for (int size : sizes)
            icon.addFile(QString(":/icons/tickwell-%1.png").arg(size), QSize(size, size));
    };
    addSizes({16, 32, 48});
    QApplication::setWindowIcon(icon);

    tickwell::frmCalc window;  // its Form_Load restores the position before the show
    AfterFirstPaint later(window, [&] {
        addSizes({64});
        QApplication::setWindowIcon(icon);
        // Until the first frame nothing has moved that a session's end could
        // lose, so the signal handling waits for it too.
        EndWithTheSession(app, window);
    });
    window.show();
    const int code = app.exec();
    window.EndSession();  // a quit that closed no window (the session's end) saves too
    return code;
}
