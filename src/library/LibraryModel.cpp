#include "LibraryModel.h"

#include "library/FileMover.h"
#include "library/Intake.h"
#include "library/NameBuilder.h"
#include "support/DesktopServices.h"

#include <QDir>

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
    Q_EMIT itemsChanged();
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
    for (const MovieItemPtr &item : m_items) {
        if (m_selectedIDs.contains(item->id()))
            result.append(item);
    }
    return result;
}

MovieItemPtr LibraryModel::selectedItem() const
{
    for (const MovieItemPtr &item : m_items) {
        if (m_selectedIDs.contains(item->id()))
            return item;
    }
    return nullptr;
}

void LibraryModel::addURLs(const QList<QUrl> &urls)
{
    cancelAllLookups();
    const IntakeResult intake = collectIntake(urls);

    setFolderURL(intake.folderPath ? std::optional<QUrl>(QUrl::fromLocalFile(*intake.folderPath)) : std::nullopt);
    QList<MovieItemPtr> items;
    items.reserve(intake.paths.size());
    for (const QString &path : intake.paths)
        items.append(std::make_shared<MovieItem>(QUrl::fromLocalFile(path)));
    setItems(std::move(items));
    setSelectedIDs(m_items.isEmpty() ? QSet<QUuid>() : QSet<QUuid>{m_items.first()->id()});

    const qsizetype rows = m_items.size();
    if (rows == 0 && intake.skippedCount == 0)
        setStatusText(QStringLiteral("No video files found"));
    else if (rows == 0)
        setStatusText(QStringLiteral("No video files in drop (%1 non-video skipped)").arg(intake.skippedCount));
    else if (urls.size() == 1)
        setStatusText(QStringLiteral("%1 file(s) — Lookup").arg(rows));
    else
        setStatusText(QStringLiteral("%1 file(s) from %2 items — Lookup").arg(rows).arg(urls.size()));
}

void LibraryModel::showOpenPanel()
{
    if (!m_desktop)
        return;
    const std::optional<QList<QUrl>> chosen = m_desktop->chooseFilesAndFolders(
        QStringLiteral("Open"), QStringLiteral("Choose video files and/or folders (folders are scanned recursively)"));
    if (chosen)
        addURLs(*chosen);
}

void LibraryModel::removeItems(const QSet<QUuid> &ids)
{
    if (ids.isEmpty())
        return;
    for (const QUuid &id : ids) {
        // The slot of a cancelled lookup is given back when that lookup ends.
        if (auto task = m_lookupTasks.take(id))
            task->cancel();
    }
    m_pendingLookupIDs.removeIf([&](const QUuid &id) { return ids.contains(id); });

    QList<MovieItemPtr> kept;
    for (const MovieItemPtr &item : std::as_const(m_items)) {
        if (!ids.contains(item->id()))
            kept.append(item);
    }
    setItems(std::move(kept));

    QSet<QUuid> selection = m_selectedIDs;
    selection.subtract(ids);
    if (selection.isEmpty() && !m_items.isEmpty())
        selection.insert(m_items.first()->id());
    setSelectedIDs(selection);
    updateSummaryStatus();
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
    for (const MovieItemPtr &item : selectedItems()) {
        if (item->canRename())
            rename(item);
    }
}

void LibraryModel::renameAllReady()
{
    const QList<MovieItemPtr> snapshot = m_items;
    for (const MovieItemPtr &item : snapshot) {
        if (item->canRename())
            rename(item);
    }
}

void LibraryModel::rename(const MovieItemPtr &item)
{
    if (!item || !item->canRename())
        return;
    const QString newName = *item->proposedName();
    // Names are built safe; this guards the file system against any other road in.
    if (!isPlainFileName(newName)) {
        item->setStatus(LookupStatus::failed(QStringLiteral("Not a valid file name: ") + newName));
        return;
    }
    const QString sourcePath = item->url().toLocalFile();
    const QString folder = sourcePath.left(sourcePath.lastIndexOf(QLatin1Char('/')));
    const QString targetPath = folder + QLatin1Char('/') + newName;

    const MoveResult moved = moveWithoutReplacing(sourcePath, targetPath);
    switch (moved.kind) {
    case MoveResult::Kind::targetExists:
        item->setStatus(LookupStatus::failed(QStringLiteral("Target exists: ") + newName));
        return;
    case MoveResult::Kind::failed:
        item->setStatus(LookupStatus::failed(
            QStringLiteral("“%1” couldn’t be renamed: %2").arg(item->originalName(), moved.message)));
        return;
    case MoveResult::Kind::moved:
        break;
    }

    auto fresh = std::make_shared<MovieItem>(QUrl::fromLocalFile(targetPath));
    fresh->setExtraTokens(item->extraTokens());
    fresh->setEngineReplies(item->engineReplies());
    fresh->setChosenEngine(item->chosenEngine());
    fresh->setNamePostfix(item->namePostfix());
    fresh->setNamePostfixOverride(item->namePostfixOverride());
    fresh->setMediaInfo(item->mediaInfo());
    fresh->setStatus(LookupStatus::ready());
    fresh->setProposedName(newName);
    fresh->setIsRenamed(true);

    const qsizetype index = m_items.indexOf(item);
    if (index >= 0) {
        QList<MovieItemPtr> items = m_items;
        items[index] = fresh;
        setItems(std::move(items));
        if (m_selectedIDs.contains(item->id())) {
            QSet<QUuid> selection = m_selectedIDs;
            selection.remove(item->id());
            selection.insert(fresh->id());
            setSelectedIDs(selection);
        }
    }
    setStatusText(QStringLiteral("Renamed → ") + newName);
}

void LibraryModel::cancelAllLookups()
{
    for (const auto &task : std::as_const(m_lookupTasks))
        task->cancel();
    m_lookupTasks.clear();
    m_pendingLookupIDs.clear();
    m_activeLookupCount = 0;
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
