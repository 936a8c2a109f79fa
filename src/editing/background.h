// Work the editing model hands to the thread pool, with its result brought back
// to the main thread.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>

namespace kestrune {

// Runs `work` on the thread pool and `done` with its result on `owner`'s thread.
// The watcher belongs to `owner`, so a result that arrives after the owner is gone
// is dropped instead of touching it.
template <class Work, class Done>
void runInBackground(QObject* owner, Work work, Done done) {
    using Result = decltype(work());
    auto* watcher = new QFutureWatcher<Result>(owner);
    QObject::connect(watcher, &QFutureWatcher<Result>::finished, owner,
                     [watcher, done = std::move(done)]() mutable {
                         done(watcher->result());
                         watcher->deleteLater();
                     });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

} // namespace kestrune
