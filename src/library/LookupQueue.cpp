#include "LookupQueue.h"

#include "lookup/LookupError.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace tolvane {

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
    if (!m_waitingIDs.contains(item->id())) {
        m_waiting.append(item);
        m_waitingIDs.insert(item->id());
    }
    item->setStatus(LookupStatus::searching());
    QList<EngineReply> pending;
    for (SearchEngine engine : allSearchEngines)
        pending.append(EngineReply{engine, EngineReplyStatus::pending(), {}});
    // A new lookup keeps the words the user added and nothing chosen from the last one.
    item->restoreChoices(item->freshChoices(pending));
    item->setIsRenamed(false);
    return true;
}

void LookupQueue::start()
{
    if (m_activeCount >= maxConcurrent)
        return;
    while (m_activeCount < maxConcurrent && !m_waiting.isEmpty()) {
        const MovieItemPtr row = m_waiting.takeFirst();
        m_waitingIDs.remove(row->id());
        ++m_activeCount;
        startLookup(row);
    }
    if (m_activeCount == 0)
        Q_EMIT drained();
}

void LookupQueue::cancel(const QSet<QUuid> &ids)
{
    for (const QUuid &id : ids) {
        // The slot of a cancelled lookup is given back when that lookup ends.
        if (auto task = m_running.take(id))
            task->cancel();
    }
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
    for (const auto &task : std::as_const(m_running))
        task->cancel();
    m_running.clear();
    m_waiting.clear();
    m_waitingIDs.clear();
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

namespace {

/// What one lookup needs from its row, taken on the main thread when it starts.
struct LookupJob {
    MovieLookup lookup;
    LookupEngines engines;
    QString query;
    QString aiText;
    std::optional<int> yearHint;
};

/// One row's lookup. The queue is held weakly: it may be gone by the time an engine answers,
/// while the row, shared with the task, stays valid. `onFinish` runs when the lookup has ended,
/// however it ended.
QCoro::Task<> runLookup(QPointer<LookupQueue> queue, MovieItemPtr row, LookupJob job,
    std::shared_ptr<CancellationHandle> cancellation, std::function<void()> onFinish)
{
    if (queue) {
        const ReplyCallback onReply = [row, queue](const EngineReply &reply) {
            row->applyIncomingReply(reply);
            if (queue)
                Q_EMIT queue->rowAnswered();
        };
        std::optional<QList<EngineReply>> replies;
        std::optional<QString> failure;
        try {
            QCoro::Task<QList<EngineReply>> looking
                = lookupAll(job.lookup, job.engines, job.query, job.aiText, job.yearHint, onReply, cancellation);
            replies = co_await std::move(looking);
        } catch (const LookupError &error) {
            failure = error.description();
        } catch (const Cancelled &) {
        } catch (const std::exception &error) {
            failure = QString::fromUtf8(error.what());
        }

        if (!cancellation->isCancelled()) {
            if (replies) {
                row->setEngineReplies(*replies);
                row->applyFinalChoice();
            } else if (failure) {
                QList<EngineReply> failed;
                for (SearchEngine engine : allSearchEngines)
                    failed.append(failedReply(engine, *failure));
                row->setEngineReplies(failed);
                row->setStatus(LookupStatus::failed(*failure));
            }
            if (queue)
                Q_EMIT queue->rowAnswered();
        }
    }
    // Posted, so that a lookup ending at once never starts the next one from inside start().
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(onFinish));
}

} // namespace

void LookupQueue::startLookup(const MovieItemPtr &item)
{
    if (auto previous = m_running.take(item->id()))
        previous->cancel();
    if (!m_lookup)
        m_lookup = MovieLookup::standard();
    LookupJob job{*m_lookup, m_engines, item->effectiveQuery(), item->aiAgentInput(), item->yearHint()};
    auto cancellation = std::make_shared<CancellationHandle>();
    m_running.insert(item->id(), cancellation);
    const QPointer<LookupQueue> queue(this);
    const quint64 generation = m_generation;
    runLookup(queue, item, std::move(job), cancellation, [queue, generation] {
        if (queue)
            queue->releaseSlot(generation);
    });
}

} // namespace tolvane
