#include "desktop_open.h"

#include <QDesktopServices>
#include <QTimer>
#include <QUrl>
#include <chrono>

#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#endif

namespace tickwell {

#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)

namespace {

using namespace std::chrono_literals;
constexpr auto kVerdictWithin = 10s;  // xdg-open answers fast; a browser stays
constexpr auto kPoll = 50ms;

}  // namespace

void OpenInBrowser(const QString& url, QObject* context, std::function<void()> failed) {
    // posix_spawnp, not fork: this program has threads (Qt's), and a forked
    // child of a threaded program may only call async-signal-safe functions.
    const std::string address = url.toStdString();
    char opener[] = "xdg-open";
    char* argv[] = {opener, const_cast<char*>(address.c_str()), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);  // the browser outlives us
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, opener, nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {  // no opener at all
        QTimer::singleShot(0, context, std::move(failed));
        return;
    }
    auto* timer = new QTimer(context);
    auto waited = std::make_shared<std::chrono::milliseconds>(0);
    QObject::connect(timer, &QTimer::timeout, context, [timer, pid, waited, failed] {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        *waited += kPoll;
        if (done == pid || done < 0) {
            timer->deleteLater();
            const bool ok = done == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
            if (!ok && *waited <= kVerdictWithin) failed();
            return;
        }
        // Past the bound the opener counts as a browser that keeps running;
        // it is still reaped when it ends, quietly.
        if (*waited > kVerdictWithin) timer->setInterval(1000);
    });
    timer->start(kPoll);
}

#else

void OpenInBrowser(const QString& url, QObject* context, std::function<void()> failed) {
    if (!QDesktopServices::openUrl(QUrl(url))) QTimer::singleShot(0, context, std::move(failed));
}

#endif

}  // namespace tickwell
