#pragma once

#include "library/LookupAll.h"
#include "library/MovieItem.h"
#include "lookup/MovieLookup.h"
#include "support/CancellationHandle.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>

#include <memory>
#include <optional>

namespace tolvane {

/// The rows waiting for a lookup and the lookups running, at most `maxConcurrent` at once. Each
/// running lookup is a task on the main thread holding the rows it answers: rows with equal search
/// text and year hint (the parts of one film) share one lookup, the later ones waiting for it and
/// taking its replies, so the engines are asked once. Taking a row out of a lookup (the row
/// removed, a new list, a second lookup of the row) stops that lookup before its next engine once
/// it answers no row any longer. Main thread only.
class LookupQueue : public QObject {
    Q_OBJECT
public:
    static constexpr int maxConcurrent = 8;

    explicit LookupQueue(QObject *parent = nullptr);
    ~LookupQueue() override;

    /// What lookups send with and which engines they ask; the standard ones unless set.
    void setLookup(MovieLookup lookup) { m_lookup = std::move(lookup); }
    void setEngines(LookupEngines engines) { m_engines = std::move(engines); }

    /// Resets the row for a lookup (its extra tokens kept, nothing chosen) and queues it, or lets
    /// it join a running lookup of the same search; false when it is searching already. A lookup
    /// of the row still running is left first. start() then runs the queue.
    bool enqueue(const MovieItemPtr &item);
    /// Starts waiting lookups while fewer than `maxConcurrent` run; drained() when none is left.
    void start();
    /// Cancels the lookups of these rows, running or waiting; a lookup shared with other rows goes
    /// on for them.
    void cancel(const QSet<QUuid> &ids);
    /// Takes a row out of the waiting ones; a lookup of it already running goes on.
    void dropWaiting(const QUuid &id);
    /// Cancels every lookup and empties the queue; row statuses stay as they are.
    void cancelAll();
    /// Lookups started and not yet ended (a shared one counts once); 0 once the queue has run dry.
    int activeCount() const { return m_activeCount; }

Q_SIGNALS:
    /// A running lookup changed its row (a reply, or its outcome).
    void rowAnswered();
    /// Nothing waits and nothing runs.
    void drained();

private:
    /// One running lookup and the rows it answers, in the order they joined.
    struct Search;
    using SearchPtr = std::shared_ptr<Search>;
    /// What a lookup sends, taken from its first row when it starts.
    struct Job;

    void startSearch(const MovieItemPtr &item, const QString &key);
    void join(const SearchPtr &search, const MovieItemPtr &row);
    /// Takes the rows out of their lookups; a lookup left with no row is cancelled.
    void leave(const QSet<QUuid> &ids);
    void releaseSlot(quint64 generation);
    static QCoro::Task<> run(QPointer<LookupQueue> queue, SearchPtr search, Job job, quint64 generation);

    /// Running lookups by search key, and the lookup answering each row.
    QHash<QString, SearchPtr> m_searches;
    QHash<QUuid, SearchPtr> m_searchOf;
    QList<MovieItemPtr> m_waiting;
    QSet<QUuid> m_waitingIDs;
    /// Waiting rows by their search key when queued, so that a starting lookup takes the rows
    /// of its search along; checked against m_waitingIDs and the key as it is then.
    QHash<QString, QList<MovieItemPtr>> m_waitingByKey;
    int m_activeCount = 0;
    /// Advanced by cancelAll(): lookups of an earlier generation no longer hold a slot.
    quint64 m_generation = 0;
    std::optional<MovieLookup> m_lookup;
    LookupEngines m_engines = LookupEngines::standard();
};

} // namespace tolvane
