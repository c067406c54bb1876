#include "end_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace {

int gEndSignals[2] = {-1, -1};

extern "C" void OnStalledEnd(int) {
    signal(SIGTERM, SIG_DFL);
    raise(SIGTERM);
}

extern "C" void OnEndSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    (void)!write(gEndSignals[1], &byte, 1);
    alarm(tickwell::kStalledEndSeconds);
    errno = saved;
}

}  // namespace

namespace tickwell {

void EndOnSignals(QObject* context, std::function<void()> end) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gEndSignals) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(gEndSignals[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, context, [end = std::move(end)] {
        char drained[64];
        while (read(gEndSignals[0], drained, sizeof drained) > 0) {
        }
        end();  // a second signal meanwhile finds everything already saved
    });
    struct sigaction stalled {};
    stalled.sa_handler = OnStalledEnd;
    sigemptyset(&stalled.sa_mask);
    sigaction(SIGALRM, &stalled, nullptr);
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
}

}  // namespace tickwell
