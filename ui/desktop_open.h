// Opening an address in the user's browser, with the desktop's real verdict.
#pragma once

#include <QString>
#include <functional>

class QObject;

namespace tickwell {

// Hands `url` to the desktop's opener (xdg-open) without waiting on it.
// `failed` runs once, from the event loop, if the opener cannot be started
// or reports failure within a few seconds; an opener still running then (a
// browser it became) counts as success. Nothing runs after `context` is gone.
void OpenInBrowser(const QString& url, QObject* context, std::function<void()> failed);

}  // namespace tickwell
