#include "BatchLookup.h"

#include "library/RenamePlan.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QCoroTimer>
#include <QHash>

#include <algorithm>
#include <chrono>

namespace tolvane {

namespace {

/// A row's lookup has ended once it is no longer searching and no engine is still pending: a row
/// turns ready at its first successful reply while the other engines are still being asked.
bool lookupEnded(const MovieItem &item)
{
    if (item.status().kind() == LookupStatus::Kind::searching)
        return false;
    const QList<EngineReply> &replies = item.engineReplies();
    return std::none_of(replies.cbegin(), replies.cend(),
        [](const EngineReply &reply) { return reply.status.kind() == EngineReplyStatus::Kind::pending; });
}

RenameOutcome skipped(const MovieItemPtr &item)
{
    RenameOutcome outcome{RenameOutcome::Kind::skipped, item, item->proposedName(), std::nullopt};
    if (item->status().kind() == LookupStatus::Kind::failed)
        outcome.message = item->status().message();
    else
        outcome.message = item->proposedName() ? QCoreApplication::translate("BatchLookup", "already so named")
                                               : QCoreApplication::translate("BatchLookup", "no match");
    return outcome;
}

} // namespace

QString rawValue(RenameOutcome::Kind kind)
{
    switch (kind) {
    case RenameOutcome::Kind::renamed:
        return QStringLiteral("renamed");
    case RenameOutcome::Kind::planned:
        return QStringLiteral("planned");
    case RenameOutcome::Kind::failed:
        return QStringLiteral("failed");
    case RenameOutcome::Kind::skipped:
        return QStringLiteral("skipped");
    case RenameOutcome::Kind::notReached:
        return QStringLiteral("not reached");
    }
    return {};
}

BatchLookup::BatchLookup(LibraryModel *model, Options options, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_options(options)
{
    connect(m_model, &LibraryModel::lookupsFinished, this, &BatchLookup::check);
}

void BatchLookup::watch(const MovieItemPtr &item)
{
    const MovieItem *row = item.get();
    m_unfinished.insert(row);
    if (m_options.awaitMediaInfo && item->mediaInfo().isEmpty())
        m_unprobed.insert(row);
    const auto lookupChanged = [this, row] {
        if (m_unfinished.contains(row) && lookupEnded(*row)) {
            m_unfinished.remove(row);
            Q_EMIT progressChanged();
        }
        check();
    };
    connect(row, &MovieItem::statusChanged, this, lookupChanged);
    connect(row, &MovieItem::engineRepliesChanged, this, lookupChanged);
    connect(row, &MovieItem::mediaInfoChanged, this, [this, row] {
        if (!row->mediaInfo().isEmpty())
            m_unprobed.remove(row);
        check();
    });
}

bool BatchLookup::isSettled() const
{
    return m_cancelled
        || (m_unfinished.isEmpty() && m_unprobed.isEmpty() && m_model->activeLookupCount() == 0);
}

void BatchLookup::check()
{
    if (m_lookingUp && isSettled())
        Q_EMIT settled();
}

QCoro::Task<bool> BatchLookup::lookUpAll()
{
    const QList<MovieItemPtr> rows = m_model->items();
    m_rowCount = rows.size();
    for (const MovieItemPtr &row : rows)
        watch(row);
    m_lookingUp = true;
    m_model->setSelectedIDs({});
    m_model->lookupSelected();
    if (!isSettled())
        co_await qCoro(this, &BatchLookup::settled);
    m_lookingUp = false;
    co_return !m_cancelled;
}

QList<RenameOutcome> BatchLookup::renamePlan() const
{
    const QList<MovieItemPtr> rows = m_model->items();
    QHash<const MovieItem *, PlannedRename> planned;
    for (PlannedRename &entry : tolvane::planRenames(rows, std::nullopt, m_model->renameJournalPath()))
        planned.insert(entry.item.get(), std::move(entry));
    QList<RenameOutcome> outcomes;
    for (const MovieItemPtr &row : rows) {
        const auto entry = planned.constFind(row.get());
        if (entry == planned.cend() || entry->alreadyNamed)
            outcomes.append(skipped(row));
        else
            outcomes.append({entry->failure ? RenameOutcome::Kind::failed : RenameOutcome::Kind::planned, row,
                entry->targetName, entry->failure});
    }
    return outcomes;
}

QCoro::Task<QList<RenameOutcome>> BatchLookup::renameAll()
{
    // The walk goes over the list as it stood: a rename puts a fresh row in the old one's place.
    const QList<MovieItemPtr> rows = m_model->items();
    QList<RenameOutcome> outcomes;
    for (const MovieItemPtr &row : rows) {
        if (!row->canRename()) {
            outcomes.append(skipped(row));
            continue;
        }
        if (m_cancelled) {
            outcomes.append({RenameOutcome::Kind::notReached, row, row->proposedName(), std::nullopt});
            continue;
        }
        const std::optional<QString> failure = m_model->rename(row);
        outcomes.append(
            {failure ? RenameOutcome::Kind::failed : RenameOutcome::Kind::renamed, row, row->proposedName(), failure});
        // One turn of the event loop between moves, so that a stop request gets in.
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    }
    co_return outcomes;
}

void BatchLookup::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    if (m_lookingUp) {
        m_model->cancelAllLookups();
        Q_EMIT settled();
    }
}

} // namespace tolvane
