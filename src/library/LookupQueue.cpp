#include "LookupQueue.h"

#include "lookup/LookupError.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace tolvane {

struct LookupQueue::Search {
    QString key;
    QList<MovieItemPtr> rows;
    /// The replies made so far, for a row that joins late.
    QList<EngineReply> delivered;
    std::shared_ptr<CancellationHandle> cancellation = std::make_shared<CancellationHandle>();
};

struct LookupQueue::Job {
    MovieLookup lookup;
    LookupEngines engines;
    QString query;
    QString aiText;
    std::optional<int> yearHint;
};

namespace {

/// Rows of one key ask the engines the same thing; the year stands first, digits or nothing, so
/// no two keys run together.
QString searchKey(const MovieItem &row)
{
    const std::optional<int> year = row.yearHint();
    return (year ? QString::number(*year) : QString()) + QChar(0x1f) + row.effectiveQuery();
}

} // namespace

LookupQueue::LookupQueue(QObject *parent)
    : QObject(parent)
{
}

LookupQueue::~LookupQueue()
{
    cancelAll();
}

bool LookupQueue::enqueue(const MovieItemPtr &item)
{
    if (!item || item->status().kind() == LookupStatus::Kind::searching)
        return false;
    // A lookup of the row still running would otherwise go on answering the reset row.
    if (m_searchOf.contains(item->id()))
        leave({item->id()});
    item->setStatus(LookupStatus::searching());
    QList<EngineReply> pending;
    for (SearchEngine engine : allSearchEngines)
        pending.append(EngineReply{engine, EngineReplyStatus::pending(), {}});
    // A new lookup keeps the words the user added and nothing chosen from the last one.
    item->restoreChoices(item->freshChoices(pending));
    item->setIsRenamed(false);
    if (m_waitingIDs.contains(item->id()))
        return true;
    const QString key = searchKey(*item);
    if (const SearchPtr running = m_searches.value(key)) {
        join(running, item);
    } else {
        m_waiting.append(item);
        m_waitingIDs.insert(item->id());
        m_waitingByKey[key].append(item);
    }
    return true;
}

void LookupQueue::start()
{
    if (m_activeCount >= maxConcurrent)
        return;
    while (m_activeCount < maxConcurrent && !m_waiting.isEmpty()) {
        const MovieItemPtr row = m_waiting.takeFirst();
        m_waitingIDs.remove(row->id());
        const QString key = searchKey(*row);
        if (const SearchPtr running = m_searches.value(key)) {
            join(running, row);
            continue;
        }
        ++m_activeCount;
        startSearch(row, key);
    }
    if (m_waiting.isEmpty())
        m_waitingByKey.clear();
    if (m_activeCount == 0)
        Q_EMIT drained();
}

void LookupQueue::join(const SearchPtr &search, const MovieItemPtr &row)
{
    search->rows.append(row);
    m_searchOf.insert(row->id(), search);
    const QList<EngineReply> delivered = search->delivered;
    for (const EngineReply &reply : delivered)
        row->applyIncomingReply(reply);
    if (!delivered.isEmpty())
        Q_EMIT rowAnswered();
}

void LookupQueue::leave(const QSet<QUuid> &ids)
{
    QSet<Search *> touched;
    QList<SearchPtr> searches;
    for (const QUuid &id : ids) {
        if (SearchPtr search = m_searchOf.take(id); search && !touched.contains(search.get())) {
            touched.insert(search.get());
            searches.append(std::move(search));
        }
    }
    for (const SearchPtr &search : std::as_const(searches)) {
        search->rows.removeIf([&](const MovieItemPtr &row) { return ids.contains(row->id()); });
        if (!search->rows.isEmpty())
            continue;
        // The slot of a cancelled lookup is given back when that lookup ends.
        search->cancellation->cancel();
        if (m_searches.value(search->key) == search)
            m_searches.remove(search->key);
    }
}

void LookupQueue::cancel(const QSet<QUuid> &ids)
{
    leave(ids);
    if (m_waitingIDs.intersects(ids)) {
        m_waiting.removeIf([&](const MovieItemPtr &row) { return ids.contains(row->id()); });
        m_waitingIDs.subtract(ids);
    }
}

void LookupQueue::dropWaiting(const QUuid &id)
{
    if (m_waitingIDs.remove(id))
        m_waiting.removeIf([&](const MovieItemPtr &row) { return row->id() == id; });
}

void LookupQueue::cancelAll()
{
    const QHash<QString, SearchPtr> running = std::exchange(m_searches, {});
    for (const SearchPtr &search : running)
        search->cancellation->cancel();
    m_searchOf.clear();
    m_waiting.clear();
    m_waitingIDs.clear();
    m_waitingByKey.clear();
    m_activeCount = 0;
    ++m_generation;
}

void LookupQueue::releaseSlot(quint64 generation)
{
    // A lookup cancelled by cancelAll() gave its slot back when the count was reset.
    if (generation == m_generation)
        m_activeCount = std::max(m_activeCount - 1, 0);
    start();
}

/// One lookup. The queue is held weakly: it may be gone by the time an engine answers, while the
/// rows, shared with the task, stay valid. A row answered is one the queue still counts in this
/// lookup: one taken out drops what comes after.
QCoro::Task<> LookupQueue::run(QPointer<LookupQueue> queue, SearchPtr search, Job job, quint64 generation)
{
    const auto answers = [&queue, &search](const MovieItemPtr &row) {
        return queue && queue->m_searchOf.value(row->id()) == search;
    };
    if (queue) {
        const ReplyCallback onReply = [search, queue](const EngineReply &reply) {
            search->delivered.append(reply);
            const QList<MovieItemPtr> rows = search->rows;
            for (const MovieItemPtr &row : rows) {
                if (queue && queue->m_searchOf.value(row->id()) == search)
                    row->applyIncomingReply(reply);
            }
            if (queue)
                Q_EMIT queue->rowAnswered();
        };
        std::optional<QList<EngineReply>> replies;
        std::optional<QString> failure;
        try {
            QCoro::Task<QList<EngineReply>> looking = lookupAll(
                job.lookup, job.engines, job.query, job.aiText, job.yearHint, onReply, search->cancellation);
            replies = co_await std::move(looking);
        } catch (const LookupError &error) {
            failure = error.description();
        } catch (const Cancelled &) {
        } catch (const std::exception &error) {
            failure = QString::fromUtf8(error.what());
        }

        if (!search->cancellation->isCancelled() && queue) {
            // Ended before the rows hear it: a row looked up again from their signals starts anew.
            if (queue->m_searches.value(search->key) == search)
                queue->m_searches.remove(search->key);
            QList<EngineReply> failed;
            if (failure) {
                for (SearchEngine engine : allSearchEngines)
                    failed.append(failedReply(engine, *failure));
            }
            const QList<MovieItemPtr> rows = search->rows;
            for (const MovieItemPtr &row : rows) {
                if (!answers(row))
                    continue;
                if (replies) {
                    row->setEngineReplies(*replies);
                    row->applyFinalChoice();
                } else if (failure) {
                    row->setEngineReplies(failed);
                    row->setStatus(LookupStatus::failed(*failure));
                }
            }
            for (const MovieItemPtr &row : rows) {
                if (answers(row))
                    queue->m_searchOf.remove(row->id());
            }
            if (queue)
                Q_EMIT queue->rowAnswered();
        }
    }
    // Posted, so that a lookup ending at once never starts the next one from inside start().
    QTimer::singleShot(0, QCoreApplication::instance(), [queue, generation] {
        if (queue)
            queue->releaseSlot(generation);
    });
}

void LookupQueue::startSearch(const MovieItemPtr &item, const QString &key)
{
    if (!m_lookup)
        m_lookup = MovieLookup::standard();
    Job job{*m_lookup, m_engines, item->effectiveQuery(), item->aiAgentInput(), item->yearHint()};
    auto search = std::make_shared<Search>();
    search->key = key;
    m_searches.insert(key, search);
    join(search, item);
    // The rows of the same search queued behind this one (the film's other parts) wait for it
    // rather than for slots of their own.
    QSet<QUuid> taken;
    for (const MovieItemPtr &row : m_waitingByKey.take(key)) {
        if (m_waitingIDs.contains(row->id()) && searchKey(*row) == key) {
            m_waitingIDs.remove(row->id());
            taken.insert(row->id());
            join(search, row);
        }
    }
    if (!taken.isEmpty())
        m_waiting.removeIf([&](const MovieItemPtr &row) { return taken.contains(row->id()); });
    run(QPointer<LookupQueue>(this), std::move(search), std::move(job), m_generation);
}

} // namespace tolvane
