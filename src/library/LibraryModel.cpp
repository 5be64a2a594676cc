#include "LibraryModel.h"

#include "core/FilePaths.h"
#include "library/FileMover.h"
#include "library/Intake.h"
#include "library/NameBuilder.h"
#include "library/RenameJournal.h"
#include "library/RenamePlan.h"
#include "library/RenameUndo.h"
#include "settings/AppSettings.h"
#include "lookup/LookupError.h"
#include "lookup/ServiceHosts.h"
#include "support/DesktopServices.h"
#include "support/WorkPool.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QCoroTask>
#include <QThread>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace tolvane {

LibraryModel::LibraryModel(QObject *parent)
    : QObject(parent)
    , m_statusText(QStringLiteral("Drop a movie file or a folder"))
{
}

LibraryModel::~LibraryModel()
{
    cancelAllLookups();
}

void LibraryModel::setSelectedIDs(const QSet<QUuid> &ids)
{
    if (m_selectedIDs == ids)
        return;
    m_selectedIDs = ids;
    Q_EMIT selectedIDsChanged();
}

void LibraryModel::setStatusText(const QString &text)
{
    if (m_statusText == text)
        return;
    m_statusText = text;
    Q_EMIT statusTextChanged();
}

void LibraryModel::setItems(QList<MovieItemPtr> items)
{
    m_items = std::move(items);
    Q_EMIT listReset();
}

void LibraryModel::replaceRow(qsizetype position, MovieItemPtr row)
{
    const QUuid old = m_items[position]->id();
    // In place: a bulk rename of thousands of rows would otherwise copy the list per row.
    m_items[position] = std::move(row);
    Q_EMIT rowReplaced(position);
    if (m_selectedIDs.contains(old)) {
        QSet<QUuid> selection = m_selectedIDs;
        selection.remove(old);
        selection.insert(m_items[position]->id());
        setSelectedIDs(selection);
    }
}

void LibraryModel::keepSelectionListed(QSet<QUuid> selection)
{
    QSet<QUuid> listed;
    for (const MovieItemPtr &item : std::as_const(m_items)) {
        if (selection.contains(item->id()))
            listed.insert(item->id());
    }
    if (listed.isEmpty() && !m_items.isEmpty())
        listed.insert(m_items.first()->id());
    setSelectedIDs(listed);
}

void LibraryModel::setFolderURL(const std::optional<QUrl> &url)
{
    if (m_folderURL == url)
        return;
    m_folderURL = url;
    Q_EMIT folderURLChanged();
}

QList<MovieItemPtr> LibraryModel::selectedItems() const
{
    QList<MovieItemPtr> result;
    if (m_selectedIDs.isEmpty())
        return result;
    for (const MovieItemPtr &item : m_items) {
        if (m_selectedIDs.contains(item->id()))
            result.append(item);
    }
    return result;
}

MovieItemPtr LibraryModel::selectedItem() const
{
    // Asked on every selection change by the menus and the panel: an empty selection of a long
    // list must not cost a hash lookup per row.
    if (m_selectedIDs.isEmpty())
        return nullptr;
    for (const MovieItemPtr &item : m_items) {
        if (m_selectedIDs.contains(item->id()))
            return item;
    }
    return nullptr;
}

namespace {

/// The rows of one intake, made and sorted off the GUI thread.
struct IntakeRows {
    QList<MovieItemPtr> items;
    std::optional<QByteArray> folderPath;
    int skippedCount = 0;
};

IntakeRows makeIntakeRows(const QList<QUrl> &urls, QThread *owner)
{
    IntakeResult intake = collectIntake(urls);
    // Rows first, then sorted by the names they show: each name is decoded once.
    QList<MovieItemPtr> made;
    QStringList names;
    made.reserve(intake.paths.size());
    names.reserve(intake.paths.size());
    for (QByteArray &path : intake.paths) {
        made.append(std::make_shared<MovieItem>(std::move(path)));
        // Made here, the row is handed to the model's thread, where its signals are delivered.
        made.last()->moveToThread(owner);
        names.append(made.last()->originalName());
    }
    IntakeRows rows{{}, std::move(intake.folderPath), intake.skippedCount};
    rows.items.reserve(made.size());
    for (qsizetype index : nameOrder(names, collationLocale()))
        rows.items.append(std::move(made[index]));
    return rows;
}

} // namespace

QCoro::Task<> LibraryModel::addURLs(QList<QUrl> urls)
{
    cancelAllLookups();
    const quint64 intake = ++m_intakeCount;
    // A large folder tree can take a while to walk.
    setStatusText(QStringLiteral("Looking for video files…"));
    QPointer<LibraryModel> self(this);
    // Named and const, as elsewhere: awaiting a non-const QFuture here corrupted the rows' strings.
    const auto scan = [urls, owner = thread()] { return makeIntakeRows(urls, owner); };
    const QFuture<IntakeRows> scanning = runInWorkPool(scan);
    IntakeRows rows = co_await scanning;
    // A newer drop replaces this one; a model gone meanwhile takes nothing.
    if (!self || intake != m_intakeCount)
        co_return;

    const std::optional<QUrl> previousFolder = m_folderURL;
    QList<MovieItemPtr> previous = std::move(m_items);
    setFolderURL(rows.folderPath ? std::optional<QUrl>(fileURL(*rows.folderPath)) : std::nullopt);
    setItems(std::move(rows.items));
    setSelectedIDs(m_items.isEmpty() ? QSet<QUuid>() : QSet<QUuid>{m_items.first()->id()});

    const qsizetype count = m_items.size();
    if (count == 0 && rows.skippedCount == 0)
        setStatusText(QStringLiteral("No video files found"));
    else if (count == 0)
        setStatusText(QStringLiteral("No video files in drop (%1 non-video skipped)").arg(rows.skippedCount));
    else if (urls.size() == 1)
        setStatusText(QStringLiteral("%1 file(s) — Lookup").arg(count));
    else
        setStatusText(QStringLiteral("%1 file(s) from %2 items — Lookup").arg(count).arg(urls.size()));
    startMediaProbes();
    Q_EMIT listReplacedByIntake(std::move(previous), previousFolder);
    Q_EMIT intakeFinished();
}

namespace {

QCoro::Task<> probeInto(MediaProbe probe, MovieItemPtr item)
{
    QCoro::Task<QList<MediaInfoRow>> probing = probe(item->nativePath());
    const QList<MediaInfoRow> rows = co_await std::move(probing);
    // A row removed meanwhile still takes its rows; nobody sees them.
    item->setMediaInfo(rows);
}

} // namespace

void LibraryModel::startMediaProbes()
{
    if (!m_mediaProbe)
        return;
    for (const MovieItemPtr &item : std::as_const(m_items))
        probeInto(m_mediaProbe, item);
}

namespace {
const QString openPanelPrompt = QStringLiteral("Open");
const QString openPanelMessage = QStringLiteral("Choose video files and/or folders (folders are scanned recursively)");
} // namespace

void LibraryModel::showOpenPanel()
{
    if (!m_desktop)
        return;
    if (const std::optional<QList<QUrl>> chosen = m_desktop->chooseFilesAndFolders(openPanelPrompt, openPanelMessage))
        addURLs(*chosen);
}

void LibraryModel::showOpenFolderPanel()
{
    if (!m_desktop)
        return;
    if (const std::optional<QList<QUrl>> chosen = m_desktop->chooseFolder(openPanelPrompt, openPanelMessage))
        addURLs(*chosen);
}

namespace {

/// Ascending positions as runs of consecutive ones.
QList<RowRange> rangesOf(const QList<qsizetype> &positions)
{
    QList<RowRange> ranges;
    for (qsizetype position : positions) {
        if (!ranges.isEmpty() && ranges.last().last + 1 == position)
            ranges.last().last = position;
        else
            ranges.append({position, position});
    }
    return ranges;
}

/// A row whose lookup was stopped reads as never searched, not as searching for ever.
void settleStoppedLookup(MovieItem &row)
{
    if (row.status().kind() != LookupStatus::Kind::searching)
        return;
    row.restoreChoices({row.extraTokens(), {}, std::nullopt, {}, false});
    row.setStatus(LookupStatus::idle());
}

} // namespace

QList<RemovedRow> LibraryModel::removeItems(const QSet<QUuid> &ids)
{
    QList<RemovedRow> removed;
    if (ids.isEmpty())
        return removed;
    for (const QUuid &id : ids) {
        // The slot of a cancelled lookup is given back when that lookup ends.
        if (auto task = m_lookupTasks.take(id))
            task->cancel();
    }
    m_pendingLookupIDs.removeIf([&](const QUuid &id) { return ids.contains(id); });

    QList<MovieItemPtr> kept;
    QList<qsizetype> positions;
    kept.reserve(m_items.size());
    for (qsizetype position = 0; position < m_items.size(); ++position) {
        if (ids.contains(m_items[position]->id())) {
            removed.append({position, m_items[position]});
            positions.append(position);
        } else {
            kept.append(m_items[position]);
        }
    }
    if (removed.isEmpty())
        return removed;
    m_items = std::move(kept);
    Q_EMIT rowsRemoved(rangesOf(positions));

    QSet<QUuid> selection = m_selectedIDs;
    selection.subtract(ids);
    if (selection.isEmpty() && !m_items.isEmpty())
        selection.insert(m_items.first()->id());
    setSelectedIDs(selection);
    updateSummaryStatus();
    return removed;
}

void LibraryModel::insertItems(const QList<RemovedRow> &rows)
{
    QSet<QUuid> listed;
    listed.reserve(m_items.size());
    for (const MovieItemPtr &item : std::as_const(m_items))
        listed.insert(item->id());
    QList<MovieItemPtr> items;
    QList<qsizetype> positions;
    items.reserve(m_items.size() + rows.size());
    qsizetype next = 0; // the first row of the old list not yet taken over
    for (const RemovedRow &row : rows) {
        // A row listed already, or given twice, would be two rows with one id.
        if (!row.item || listed.contains(row.item->id()))
            continue;
        listed.insert(row.item->id());
        // Out-of-order or too large positions land after the rows already placed.
        const qsizetype wanted = std::max(row.position, qsizetype(items.size()));
        while (items.size() < wanted && next < m_items.size())
            items.append(m_items[next++]);
        positions.append(items.size());
        settleStoppedLookup(*row.item);
        items.append(row.item);
    }
    if (positions.isEmpty())
        return;
    while (next < m_items.size())
        items.append(m_items[next++]);
    m_items = std::move(items);
    Q_EMIT rowsInserted(rangesOf(positions));
    updateSummaryStatus();
}

QList<MovieItemPtr> LibraryModel::replaceItems(QList<MovieItemPtr> items, std::optional<QUrl> folder)
{
    cancelAllLookups();
    // An intake still walking its folders would otherwise replace this list when it ends.
    ++m_intakeCount;
    for (const MovieItemPtr &item : std::as_const(items))
        settleStoppedLookup(*item);
    QList<MovieItemPtr> previous = std::move(m_items);
    setFolderURL(folder);
    setItems(std::move(items));
    keepSelectionListed(m_selectedIDs);
    updateSummaryStatus();
    return previous;
}

void LibraryModel::revealSelectedInFinder()
{
    QList<QUrl> urls;
    for (const MovieItemPtr &item : selectedItems())
        urls.append(item->url());
    if (urls.isEmpty() || !m_desktop)
        return;
    m_desktop->revealFiles(urls);
}

void LibraryModel::renameSelected()
{
    const QList<MovieItemPtr> selected = selectedItems();
    beginRenameBatch(selected);
    for (const MovieItemPtr &item : selected) {
        if (item->canRename())
            rename(item);
    }
    endRenameBatch();
}

void LibraryModel::renameAllReady()
{
    const QList<MovieItemPtr> snapshot = m_items;
    beginRenameBatch(snapshot);
    for (const MovieItemPtr &item : snapshot) {
        if (item->canRename())
            rename(item);
    }
    endRenameBatch();
}

void LibraryModel::setRenameJournalPath(const QString &path)
{
    m_journalPath = path;
}

QString LibraryModel::renameJournalPath() const
{
    return m_journalPath.value_or(RenameJournal::defaultPath());
}

void LibraryModel::beginRenameBatch(const QList<MovieItemPtr> &rows)
{
    if (m_renameBatchDepth++ > 0)
        return;
    m_batchCompanions = AppSettings::moveCompanionFiles() ? planCompanions(rows)
                                                          : QHash<const MovieItem *, QList<CompanionMove>>();
    const QString path = m_journalPath.value_or(RenameJournal::defaultPath());
    if (!path.isEmpty()) {
        m_journal = std::make_unique<RenameJournal>(path);
        m_journal->beginBatch();
    }
    m_openBatch = {m_journal ? m_journal->batchId() : QString(), {}};
}

void LibraryModel::endRenameBatch()
{
    if (m_renameBatchDepth == 0 || --m_renameBatchDepth > 0)
        return;
    m_journal.reset();
    m_batchCompanions.clear();
    const bool could = canUndoRename();
    // Without a journal there is nothing to undo from.
    if (!m_openBatch.rows.isEmpty() && !m_openBatch.journalID.isEmpty())
        m_sessionBatches.append(std::move(m_openBatch));
    m_openBatch = {};
    if (canUndoRename() != could)
        Q_EMIT canUndoRenameChanged();
}

QList<CompanionMove> LibraryModel::companionMoves(const MovieItemPtr &item) const
{
    return item ? companionMovesFor(*item) : QList<CompanionMove>();
}

std::optional<QString> LibraryModel::rename(const MovieItemPtr &row)
{
    // Held here: `row` may be an element of m_items, which the swap below frees.
    const MovieItemPtr item = row;
    if (!item || !item->canRename())
        return QStringLiteral("Nothing to rename");
    const QString newName = *item->proposedName();
    const QByteArray target = renameTargetPath(*item);
    // A single rename is a batch of its own; in a batch, its companions were found with the others.
    beginRenameBatch({item});
    const auto planned = m_batchCompanions.constFind(item.get());
    const QList<CompanionMove> companions = planned != m_batchCompanions.cend() ? *planned
        : AppSettings::moveCompanionFiles()                                     ? companionMovesFor(*item)
                                                                                : QList<CompanionMove>();
    // What can be told without moving is told the same way a plan tells it; each move still
    // refuses atomically to replace a file that appears meanwhile, and the row's moves are all
    // or nothing.
    const std::optional<QString> failure = performRename(*item, companions, m_journal.get());
    if (failure) {
        endRenameBatch();
        item->setStatus(LookupStatus::failed(*failure));
        return failure;
    }

    auto fresh = std::make_shared<MovieItem>(target);
    fresh->restoreChoices(item->choices());
    fresh->setMediaInfo(item->mediaInfo());
    fresh->setStatus(LookupStatus::ready());
    fresh->setProposedName(newName);
    fresh->setIsRenamed(true);
    if (m_journal)
        m_openBatch.journalID = m_journal->batchId();
    m_openBatch.rows.append({fresh->id(), item->nativePath(), item->choices(), item->mediaInfo(), newName});

    if (const qsizetype index = m_items.indexOf(item); index >= 0)
        replaceRow(index, fresh);
    setStatusText(QStringLiteral("Renamed → ") + newName);
    endRenameBatch();
    return std::nullopt;
}

bool LibraryModel::canUndoRename() const
{
    return !m_undoing && !m_sessionBatches.isEmpty();
}

void LibraryModel::setUndoing(bool undoing)
{
    const bool could = canUndoRename();
    m_undoing = undoing;
    if (canUndoRename() != could)
        Q_EMIT canUndoRenameChanged();
}

void LibraryModel::restoreRow(const RenamedRow &renamed)
{
    const auto row = std::find_if(
        m_items.cbegin(), m_items.cend(), [&](const MovieItemPtr &item) { return item->id() == renamed.freshID; });
    if (row == m_items.cend())
        return;
    auto restored = std::make_shared<MovieItem>(renamed.oldPath);
    restored->restoreChoices(renamed.choices);
    restored->setMediaInfo(renamed.mediaInfo);
    restored->setStatus(LookupStatus::ready());
    // Ready to be renamed again to the name it had.
    restored->setProposedName(renamed.renamedTo);
    replaceRow(row - m_items.cbegin(), std::move(restored));
}

QCoro::Task<> LibraryModel::undoLastRename()
{
    if (!canUndoRename())
        co_return;
    setUndoing(true);
    const SessionBatch batch = m_sessionBatches.takeLast();
    const QString path = m_journalPath.value_or(RenameJournal::defaultPath());
    QPointer<LibraryModel> self(this);
    // The journal is read and the files moved off the GUI thread.
    // Named first: g++ 12 mishandles captures made inside a co_await operand.
    const QSet<QString> among{batch.journalID};
    // Const, as for the intake: a moved-from QFuture awaited here corrupted the report's strings.
    const QFuture<UndoReport> undoing = runInWorkPool([path, among] {
        RenameJournal journal(path);
        return undoLatest(journal, false, among);
    });
    const UndoReport report = co_await undoing;
    if (!self)
        co_return;
    QSet<QByteArray> back;
    int left = 0;
    for (const UndoStep &step : report.steps) {
        if (step.kind == UndoStep::Kind::moved)
            back.insert(step.original);
        else
            ++left;
    }
    for (const RenamedRow &renamed : batch.rows) {
        if (back.contains(renamed.oldPath))
            restoreRow(renamed);
    }
    if (report.error) {
        // Nothing moved: the batch can be tried again.
        m_sessionBatches.append(batch);
        setStatusText(*report.error);
    }
    else if (!report.batch)
        setStatusText(QStringLiteral("Nothing to undo: the renames were undone elsewhere"));
    else if (left > 0) {
        // Still partly renamed: undoable again, for what is left, once its obstacle is gone.
        m_sessionBatches.append(batch);
        setStatusText(QStringLiteral("Undone: %1 file(s); %2 left where they are").arg(back.size()).arg(left));
    }
    else
        setStatusText(QStringLiteral("Undone: %1 file(s)").arg(back.size()));
    setUndoing(false);
    Q_EMIT renameUndone();
}

bool LibraryModel::canLookup() const
{
    return std::any_of(m_items.cbegin(), m_items.cend(),
        [](const MovieItemPtr &item) { return item->status().kind() != LookupStatus::Kind::searching; });
}

void LibraryModel::lookupSelected()
{
    const QList<MovieItemPtr> selected = selectedItems();
    const bool fromSelection = !selected.isEmpty();
    const QList<MovieItemPtr> targets = fromSelection ? selected : m_items;
    if (targets.isEmpty()) {
        setStatusText(QStringLiteral("No files to look up"));
        return;
    }
    for (const MovieItemPtr &item : targets)
        queueLookup(item);
    setStatusText(QStringLiteral("Looking up %1 %2…")
                      .arg(targets.size())
                      .arg(fromSelection ? QStringLiteral("selected") : QStringLiteral("all")));
    pumpLookupQueue();
}

void LibraryModel::enqueueLookup(const MovieItemPtr &item)
{
    if (queueLookup(item))
        pumpLookupQueue();
}

bool LibraryModel::queueLookup(const MovieItemPtr &item)
{
    if (!item || item->status().kind() == LookupStatus::Kind::searching)
        return false;
    if (!m_pendingLookupIDs.contains(item->id()))
        m_pendingLookupIDs.append(item->id());
    item->setStatus(LookupStatus::searching());
    QList<EngineReply> pending;
    for (SearchEngine engine : allSearchEngines)
        pending.append(EngineReply{engine, EngineReplyStatus::pending(), {}});
    // A new lookup keeps the words the user added and nothing chosen from the last one.
    item->restoreChoices({item->extraTokens(), pending, std::nullopt, {}, false});
    item->setIsRenamed(false);
    return true;
}

void LibraryModel::pumpLookupQueue()
{
    if (m_activeLookupCount >= maxConcurrentLookups)
        return;
    while (m_activeLookupCount < maxConcurrentLookups && !m_pendingLookupIDs.isEmpty()) {
        const QUuid id = m_pendingLookupIDs.takeFirst();
        const auto row = std::find_if(
            m_items.cbegin(), m_items.cend(), [&](const MovieItemPtr &item) { return item->id() == id; });
        if (row == m_items.cend())
            continue;
        ++m_activeLookupCount;
        const QPointer<LibraryModel> model(this);
        const quint64 generation = m_lookupGeneration;
        startLookup(*row, [model, generation] {
            if (model)
                model->releaseLookupSlot(generation);
        });
    }
    if (m_activeLookupCount == 0) {
        updateSummaryStatus();
        Q_EMIT lookupsFinished();
    }
}

void LibraryModel::releaseLookupSlot(quint64 generation)
{
    // A lookup cancelled by cancelAllLookups() gave its slot back when the count was reset.
    if (generation == m_lookupGeneration)
        m_activeLookupCount = std::max(m_activeLookupCount - 1, 0);
    pumpLookupQueue();
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

/// One row's lookup. The model is held weakly: it may be gone by the time an engine answers,
/// while the row, shared with the task, stays valid. `onChange` recomputes the model's status line
/// (and does nothing once the model is gone).
QCoro::Task<> runLookup(QPointer<LibraryModel> model, MovieItemPtr row, LookupJob job,
    std::shared_ptr<CancellationHandle> cancellation, std::function<void()> onChange, std::function<void()> onFinish)
{
    if (model) {
        const ReplyCallback onReply = [row, onChange](const EngineReply &reply) {
            row->applyIncomingReply(reply);
            onChange();
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
            onChange();
        }
    }
    // Posted, so that a lookup ending at once never starts the next one from inside the queue pump.
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(onFinish));
}

} // namespace

void LibraryModel::startLookup(const MovieItemPtr &item, std::function<void()> onFinish)
{
    if (auto previous = m_lookupTasks.take(item->id()))
        previous->cancel();
    if (!m_lookup)
        m_lookup = MovieLookup::standard();
    LookupJob job{*m_lookup, m_engines, item->effectiveQuery(), item->aiAgentInput(), item->yearHint()};
    auto cancellation = std::make_shared<CancellationHandle>();
    m_lookupTasks.insert(item->id(), cancellation);
    const QPointer<LibraryModel> model(this);
    const auto onChange = [model] {
        if (model)
            model->updateSummaryStatus();
    };
    runLookup(model, item, std::move(job), cancellation, onChange, std::move(onFinish));
}

void LibraryModel::openGoogleSearch(const QString &query)
{
    if (!m_desktop)
        return;
    QUrl url = hosts::httpsURL(hosts::googleWebHost, QStringLiteral("/search"));
    // Encoded whole: a bare "+" in a query reads as a space, so "C++" would search for "C".
    const auto encode = [](const QString &text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); };
    url.setQuery(QStringLiteral("q=%1&hl=en").arg(encode(query)), QUrl::StrictMode);
    if (url.isValid())
        m_desktop->openUrl(url);
}

void LibraryModel::checkSelected()
{
    const MovieItemPtr item = selectedItem();
    if (!item)
        return;
    if (const std::optional<MovieMatch> match = item->chosenMatch())
        openGoogleSearch(matchBaseName(*match));
}

void LibraryModel::cancelAllLookups()
{
    for (const auto &task : std::as_const(m_lookupTasks))
        task->cancel();
    m_lookupTasks.clear();
    m_pendingLookupIDs.clear();
    m_activeLookupCount = 0;
    ++m_lookupGeneration;
}

void LibraryModel::updateSummaryStatus()
{
    int ready = 0, failed = 0, searching = 0, idle = 0;
    for (const MovieItemPtr &item : std::as_const(m_items)) {
        switch (item->status().kind()) {
        case LookupStatus::Kind::ready:
            ++ready;
            break;
        case LookupStatus::Kind::failed:
            ++failed;
            break;
        case LookupStatus::Kind::searching:
            ++searching;
            break;
        case LookupStatus::Kind::idle:
            ++idle;
            break;
        }
    }
    if (searching >= 1)
        setStatusText(QStringLiteral("Looking up… %1 running, %2 ready").arg(searching).arg(ready));
    else if (ready + failed == 0)
        setStatusText(QStringLiteral("%1 file(s) — select rows and Lookup").arg(m_items.size()));
    else
        setStatusText(
            QStringLiteral("%1 ready, %2 failed, %3 not searched — select & Lookup").arg(ready).arg(failed).arg(idle));
}

} // namespace tolvane
