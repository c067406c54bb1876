// Most sessions end with Tickwell still open: systemd sends SIGTERM at
// logout, a closed terminal SIGHUP, Ctrl+C SIGINT. The handler only writes
// the signal down a socket; the event loop reads it and runs `end`, which
// ends the program through the windows' normal unload, saving their places.
//
// An event loop that never comes back (a stuck library call) would never
// read the socket: an alarm a few seconds after the signal then ends the
// program as SIGTERM's default would. The settings file is only ever
// replaced whole, so such an end loses the last places and nothing else.
#pragma once

#include <QObject>
#include <functional>

namespace tickwell {

constexpr unsigned kStalledEndSeconds = 5;

// Once, after the first frame; `end` runs in `context`'s thread.
void EndOnSignals(QObject* context, std::function<void()> end);

}  // namespace tickwell
