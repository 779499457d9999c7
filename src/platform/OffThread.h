#pragma once

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>
#include <utility>

namespace netrova {

// Runs work (blocking file work: a scan of the history, deleting reports) on a thread of the
// application's pool, then done(result) on the thread of context, so that a window never waits
// for the disk. When context is gone by then, done is not called; the work itself always runs to
// its end, since the application waits for its pool before it ends: a deletion is never left
// half done. Work and done must be copyable.
template <class Work, class Done> void RunOffThread(QObject* context, Work work, Done done) {
    using Result = std::invoke_result_t<Work&>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    future.then(context, [done = std::move(done)](const Result& result) mutable { done(result); });
    QThreadPool::globalInstance()->start([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
}

} // namespace netrova
