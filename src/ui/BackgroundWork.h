// Long work with the window alive: the work runs on a worker thread, the window's own thread keeps painting and
// ticking, and once the work has lasted long enough for a user to wonder, a modal dialog shows how far it has come
// with a button that stops it.
#pragma once

#include <functional>
#include <stop_token>

#include <QString>

class QWidget;

struct BackgroundWork {
    QString title;                            // the progress dialog's title
    std::function<void(std::stop_token)> run; // on the worker; ends soon after a stop is requested
    std::function<QString()> describe;        // on the window's thread, a few times a second: what has been done
    std::function<int()> percent;             // likewise: 0 to 100, or -1 when the end cannot be told
};

// Runs `work` and returns when it has ended. User input to the window waits until then, so that nothing acts on a
// book that is half changed; after about half a second the progress dialog shows, and its 停止 (or Escape)
// requests the stop and says so until the work has ended.
void runInBackground(QWidget* parent, const BackgroundWork& work);
