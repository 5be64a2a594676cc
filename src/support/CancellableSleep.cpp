#include "support/CancellableSleep.h"

#include <QCoroTimer>
#include <QTimer>

namespace tolvane {

QCoro::Task<bool> sleepUnlessCancelled(
    std::chrono::nanoseconds duration, std::shared_ptr<CancellationHandle> cancellation)
{
    if (cancellation && cancellation->isCancelled())
        co_return false;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    if (cancellation) {
        // Queued, so the sleeper resumes from the event loop and never inside the caller of cancel().
        QObject::connect(
            cancellation.get(), &CancellationHandle::cancelled, &timer, [&timer] { timer.start(0); },
            Qt::QueuedConnection);
    }
    timer.start(std::chrono::ceil<std::chrono::milliseconds>(duration));
    co_await timer;
    co_return !(cancellation && cancellation->isCancelled());
}

} // namespace tolvane
