#include "LibraryModel.h"

#include "core/FilePaths.h"
#include "library/Intake.h"
#include "library/NameBuilder.h"
#include "library/RenamePlan.h"
#include "lookup/ServiceHosts.h"
#include "support/DesktopServices.h"
#include "support/WorkPool.h"

#include <QCoroFuture>
#include <QCoroTask>
#include <QThread>
#include <QPointer>

#include <algorithm>

namespace tolvane {

LibraryModel::LibraryModel(QObject *parent)
    : QObject(parent)
    , m_statusText(tr("Drop a movie file or a folder"))
    , m_namingOptions(NamingOptions::fromSettings())
{
    connect(&m_queue, &LookupQueue::rowAnswered, this, &LibraryModel::updateSummaryStatus);
    connect(&m_queue, &LookupQueue::drained, this, [this] {
        updateSummaryStatus();
        Q_EMIT lookupsFinished();
    });
    connect(&m_session, &RenameSession::canUndoChanged, this, &LibraryModel::canUndoRenameChanged);
    connect(&m_session, &RenameSession::rowRestored, this, [this](const QUuid &freshID, MovieItemPtr restored) {
        const auto row = std::find_if(
            m_items.cbegin(), m_items.cend(), [&](const MovieItemPtr &item) { return item->id() == freshID; });
        if (row != m_items.cend())
            replaceRow(row - m_items.cbegin(), std::move(restored));
    });
    connect(&m_session, &RenameSession::undone, this, [this](const QString &status) {
        setStatusText(status);
        Q_EMIT renameUndone();
    });
}

LibraryModel::~LibraryModel()
{
    m_queue.cancelAll();
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
    // The row that left waits for no lookup; one running goes on, unseen.
    m_queue.dropWaiting(old);
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

void LibraryModel::keepSelectionListed(const QSet<QUuid> &selection)
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
    m_queue.cancelAll();
    const quint64 intake = ++m_intakeCount;
    // A large folder tree can take a while to walk.
    setStatusText(tr("Looking for video files…"));
    QPointer<LibraryModel> self(this);
    const auto scan = [urls, owner = thread()] { return makeIntakeRows(urls, owner); };
    const QFuture<IntakeRows> scanning = runInWorkPool(scan);
    IntakeRows rows = co_await scanning;
    // A newer drop replaces this one; a model gone meanwhile takes nothing.
    if (!self || intake != m_intakeCount)
        co_return;
    for (const MovieItemPtr &item : std::as_const(rows.items))
        item->setNamingOptions(m_namingOptions);

    const std::optional<QUrl> previousFolder = m_folderURL;
    QList<MovieItemPtr> previous = m_items;
    setFolderURL(rows.folderPath ? std::optional<QUrl>(fileURL(*rows.folderPath)) : std::nullopt);
    setItems(std::move(rows.items));
    setSelectedIDs(m_items.isEmpty() ? QSet<QUuid>() : QSet<QUuid>{m_items.first()->id()});

    const qsizetype count = m_items.size();
    if (count == 0 && rows.skippedCount == 0)
        setStatusText(tr("No video files found"));
    else if (count == 0)
        setStatusText(tr("No video files in drop (%n non-video skipped)", nullptr, int(rows.skippedCount)));
    else if (urls.size() == 1)
        setStatusText(tr("%n file(s) — Lookup", nullptr, int(count)));
    else
        //: %1 is the number of files and folders dropped or chosen
        setStatusText(tr("%n file(s) from %1 items — Lookup", nullptr, int(count)).arg(urls.size()));
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
// Marked, and translated where used: a namespace-scope text is built before any translator is in.
const char *const chooserPrompt = QT_TRANSLATE_NOOP("LibraryModel", "Open");
const char *const chooserMessage
    = QT_TRANSLATE_NOOP("LibraryModel", "Choose video files and/or folders (folders are scanned recursively)");
} // namespace

void LibraryModel::chooseFilesToOpen()
{
    if (!m_desktop)
        return;
    if (const std::optional<QList<QUrl>> chosen
        = m_desktop->chooseFilesAndFolders(tr(chooserPrompt), tr(chooserMessage)))
        addURLs(*chosen);
}

void LibraryModel::chooseFolderToOpen()
{
    if (!m_desktop)
        return;
    if (const std::optional<QList<QUrl>> chosen = m_desktop->chooseFolder(tr(chooserPrompt), tr(chooserMessage)))
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
    row.restoreChoices(row.freshChoices());
    row.setStatus(LookupStatus::idle());
}

} // namespace

QList<RemovedRow> LibraryModel::removeItems(const QSet<QUuid> &ids)
{
    QList<RemovedRow> removed;
    if (ids.isEmpty())
        return removed;
    m_queue.cancel(ids);

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
    m_queue.cancelAll();
    // An intake still walking its folders would otherwise replace this list when it ends.
    ++m_intakeCount;
    for (const MovieItemPtr &item : std::as_const(items))
        settleStoppedLookup(*item);
    QList<MovieItemPtr> previous = m_items;
    setFolderURL(folder);
    setItems(std::move(items));
    keepSelectionListed(m_selectedIDs);
    updateSummaryStatus();
    return previous;
}

void LibraryModel::revealSelected()
{
    QList<QUrl> urls;
    for (const MovieItemPtr &item : selectedItems())
        urls.append(item->url());
    if (urls.isEmpty() || !m_desktop)
        return;
    m_desktop->revealFiles(urls);
}

namespace {

/// A row the rename would take, or find already named.
bool mayRename(const MovieItem &item)
{
    return item.canRename()
        || (item.status().kind() == LookupStatus::Kind::ready && item.proposedName() && !item.isRenamed());
}

/// Renames the rows that can be, as one batch; when none can, says that the first ready one is
/// already named rather than nothing at all.
void renameRows(LibraryModel &model, const QList<MovieItemPtr> &rows)
{
    model.beginRenameBatch(rows);
    bool tried = false;
    MovieItemPtr named;
    for (const MovieItemPtr &item : rows) {
        if (item->canRename()) {
            model.rename(item);
            tried = true;
        } else if (!named && mayRename(*item)) {
            named = item;
        }
    }
    if (!tried && named)
        model.rename(named);
    model.endRenameBatch();
}

} // namespace

void LibraryModel::renameSelected()
{
    renameRows(*this, selectedItems());
}

void LibraryModel::renameAllReady()
{
    // A copy: each rename puts a fresh row in m_items.
    const QList<MovieItemPtr> snapshot = m_items;
    renameRows(*this, snapshot);
}

std::optional<QString> LibraryModel::rename(const MovieItemPtr &row)
{
    // Held here: `row` may be an element of m_items, which the swap below frees.
    const MovieItemPtr item = row;
    if (!item || !mayRename(*item))
        return tr("Nothing to rename");
    // A single rename is a batch of its own.
    m_session.beginBatch({item});
    // Planned once: what is made, moved and written, and where the row then stands.
    const PlannedRename plan = m_session.plan(item);
    if (plan.alreadyNamed) {
        m_session.endBatch();
        setStatusText(tr("Already named: %1").arg(plan.proposedPath));
        return std::nullopt;
    }
    const std::optional<QString> failure = plan.failure ? plan.failure : m_session.carryOut(plan);
    if (failure) {
        m_session.endBatch();
        item->setStatus(LookupStatus::failed(*failure));
        return failure;
    }

    // In its film folder, made by the rename perhaps.
    auto fresh = std::make_shared<MovieItem>(plan.target);
    fresh->setNamingOptions(m_namingOptions);
    fresh->restoreChoices(item->choices());
    fresh->setMediaInfo(item->mediaInfo());
    fresh->setStatus(LookupStatus::ready());
    fresh->setProposedName(plan.targetName);
    fresh->setIsRenamed(true);
    m_session.recordRename(*item, fresh->id(), plan.targetName);

    if (const qsizetype index = m_items.indexOf(item); index >= 0)
        replaceRow(index, fresh);
    setStatusText(tr("Renamed → %1").arg(plan.proposedPath));
    m_session.endBatch();
    return std::nullopt;
}

void LibraryModel::setNamingOptions(const NamingOptions &options)
{
    m_namingOptions = options;
    for (const MovieItemPtr &item : std::as_const(m_items))
        item->setNamingOptions(options);
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
        setStatusText(tr("No files to look up"));
        return;
    }
    for (const MovieItemPtr &item : targets)
        m_queue.enqueue(item);
    const int count = int(targets.size());
    setStatusText(
        fromSelection ? tr("Looking up %n selected…", nullptr, count) : tr("Looking up %n all…", nullptr, count));
    m_queue.start();
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
        setStatusText(tr("Looking up… %n running, %1 ready", nullptr, searching).arg(ready));
    else if (ready + failed == 0)
        setStatusText(tr("%n file(s) — select rows and Lookup", nullptr, int(m_items.size())));
    else
        setStatusText(tr("%1 ready, %2 failed, %3 not searched — select & Lookup").arg(ready).arg(failed).arg(idle));
}

} // namespace tolvane
