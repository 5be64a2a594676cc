#pragma once

#include "library/LookupAll.h"
#include "library/MovieItem.h"
#include "lookup/MovieLookup.h"
#include "support/CancellationHandle.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <memory>
#include <optional>

namespace tolvane {

/// The rows waiting for a lookup and the lookups running, at most `maxConcurrent` at once. Each
/// running lookup is a task on the main thread holding its row; cancelling it (the row removed, a
/// new list, a second lookup of the row) stops it before its next engine. Main thread only.
class LookupQueue : public QObject {
    Q_OBJECT
public:
    static constexpr int maxConcurrent = 8;

    explicit LookupQueue(QObject *parent = nullptr);
    ~LookupQueue() override;

    /// What lookups send with and which engines they ask; the standard ones unless set.
    void setLookup(MovieLookup lookup) { m_lookup = std::move(lookup); }
    void setEngines(LookupEngines engines) { m_engines = std::move(engines); }

    /// Resets the row for a lookup (its extra tokens kept, nothing chosen) and queues it; false
    /// when it is searching already. start() then runs the queue.
    bool enqueue(const MovieItemPtr &item);
    /// Starts waiting lookups while fewer than `maxConcurrent` run; drained() when none is left.
    void start();
    /// Cancels the lookups of these rows, running or waiting.
    void cancel(const QSet<QUuid> &ids);
    /// Takes a row out of the waiting ones; a lookup of it already running goes on.
    void dropWaiting(const QUuid &id);
    /// Cancels every lookup and empties the queue; row statuses stay as they are.
    void cancelAll();
    /// Lookups started and not yet ended; 0 once the queue has run dry.
    int activeCount() const { return m_activeCount; }

Q_SIGNALS:
    /// A running lookup changed its row (a reply, or its outcome).
    void rowAnswered();
    /// Nothing waits and nothing runs.
    void drained();

private:
    void startLookup(const MovieItemPtr &item);
    void releaseSlot(quint64 generation);

    QHash<QUuid, std::shared_ptr<CancellationHandle>> m_running;
    QList<MovieItemPtr> m_waiting;
    QSet<QUuid> m_waitingIDs;
    int m_activeCount = 0;
    /// Advanced by cancelAll(): lookups of an earlier generation no longer hold a slot.
    quint64 m_generation = 0;
    std::optional<MovieLookup> m_lookup;
    LookupEngines m_engines = LookupEngines::standard();
};

} // namespace tolvane
