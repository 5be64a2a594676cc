#pragma once

#include <QObject>

namespace tolvane {

/// Shared by a running lookup and the requests it sends: the model cancels it, the lookup checks it
/// between steps, and whatever is in flight listens to `cancelled()` to abort at once.
class CancellationHandle : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool isCancelled() const { return m_cancelled; }

    /// Idempotent: only the first call emits `cancelled()`.
    void cancel()
    {
        if (m_cancelled)
            return;
        m_cancelled = true;
        Q_EMIT cancelled();
    }

Q_SIGNALS:
    void cancelled();

private:
    bool m_cancelled = false;
};

/// Thrown where a wait ends because its lookup was cancelled.
struct Cancelled { };

} // namespace tolvane
