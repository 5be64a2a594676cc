#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <exception>
#include <memory>
#include <type_traits>

namespace tolvane {

/// The bounded pool for blocking work (files, child processes) that must stay off the GUI thread.
QThreadPool &workPool();

/// Runs `work` on `pool`; the future (awaitable with QCoro) carries its result or exception.
template<typename Work> auto runInPool(QThreadPool &pool, Work work) -> QFuture<std::invoke_result_t<Work>>
{
    using Result = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    pool.start([promise, work = std::move(work)]() mutable {
        try {
            if constexpr (std::is_void_v<Result>)
                work();
            else
                promise->addResult(work());
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    return future;
}

/// Runs `work` on the work pool; the future (awaitable with QCoro) carries its result or exception.
template<typename Work> auto runInWorkPool(Work work) -> QFuture<std::invoke_result_t<Work>>
{
    return runInPool(workPool(), std::move(work));
}

} // namespace tolvane
