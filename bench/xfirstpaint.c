/* Start-up as a user sees it: starts a program and waits, on the X server,
 * for its window (by title) to be mapped and then first drawn (XDamage).
 * Prints "<map ms> <paint ms> <peak RSS KiB>" measured from just before exec;
 * the peak RSS (VmHWM) is read a second after the first paint, then the
 * program is ended. No polling: the times come from X events.
 * Usage: xfirstpaint TITLE PROGRAM [ARGS...]   (DISPLAY must be set) */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int HasTitle(Display* d, Window w, const char* title) {
    char* name = NULL;
    int match = XFetchName(d, w, &name) && name && strcmp(name, title) == 0;
    if (name) XFree(name);
    return match;
}

/* The largest peak RSS among the process and its descendants (Wine runs
 * the program in a child of the started process): its whole process group. */
static long PeakRss(pid_t root) {
    char cmd[256];
    snprintf(cmd, sizeof cmd,
             "for p in $(pgrep -g %d); do grep VmHWM /proc/$p/status 2>/dev/null; done | "
             "awk '{ if ($2 > m) m = $2 } END { print m + 0 }'",
             (int)root);
    FILE* f = popen(cmd, "r");
    long kib = 0;
    if (f) {
        if (fscanf(f, "%ld", &kib) != 1) kib = 0;
        pclose(f);
    }
    return kib;
}

/* Windows that cannot be tracked (input-only ones) or are already gone by
 * the time they are asked about are simply not the program's first frame. */
static int IgnoreError(Display* d, XErrorEvent* e) {
    (void)d;
    (void)e;
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: xfirstpaint TITLE PROGRAM [ARGS...]\n");
        return 2;
    }
    Display* d = XOpenDisplay(NULL);
    int damageEvent, damageError;
    int major = 1, minor = 1;
    /* The version query is what switches damage reporting on for a client. */
    if (!d || !XDamageQueryExtension(d, &damageEvent, &damageError) ||
        !XDamageQueryVersion(d, &major, &minor)) {
        fprintf(stderr, "xfirstpaint: no X display with the DAMAGE extension\n");
        return 1;
    }
    XSetErrorHandler(IgnoreError);
    /* Every top-level map, and every reparenting by a window manager. */
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);

    const double start = Now();
    const pid_t child = fork();
    if (child == 0) {
        /* Its own output is not ours to wait for: Wine's helper processes
         * would hold a pipe open long after the program is gone. */
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        setpgid(0, 0);
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    double mapped = -1, painted = -1;
    Window target = 0;
    const int fd = ConnectionNumber(d);
    while (painted < 0) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == CreateNotify) {
                /* Damage is tracked from creation: a program may draw right
                 * after mapping, before this client has seen the map. */
                XSelectInput(d, e.xcreatewindow.window, StructureNotifyMask | SubstructureNotifyMask);
                XDamageCreate(d, e.xcreatewindow.window, XDamageReportNonEmpty);
            } else if (e.type == MapNotify && !target && HasTitle(d, e.xmap.window, argv[1])) {
                target = e.xmap.window;
                mapped = Now() - start;
                XDamageCreate(d, target, XDamageReportNonEmpty);  /* if reparented */
            } else if (e.type == damageEvent + XDamageNotify) {
                const XDamageNotifyEvent* n = (const XDamageNotifyEvent*)&e;
                if (target && n->drawable == target) {
                    painted = Now() - start;
                } else {
                    XDamageSubtract(d, n->damage, None, None);  /* re-arm */
                }
            }
        }
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        struct timeval timeout = {60, 0};
        if (select(fd + 1, &set, NULL, NULL, &timeout) <= 0) {
            fprintf(stderr, "xfirstpaint: no window \"%s\" drawn within 60 s\n", argv[1]);
            kill(-child, SIGKILL);
            return 1;
        }
    }
    sleep(1);
    const long rss = PeakRss(child);
    printf("%.1f %.1f %ld\n", mapped, painted, rss);
    fflush(stdout);
    kill(-child, SIGTERM);
    waitpid(child, NULL, 0);
    return 0;
}
