#include "RenamePlan.h"

#include "library/FileMover.h"
#include "library/RenameJournal.h"
#include "library/NameBuilder.h"
#include "core/FilePaths.h"
#include "settings/AppSettings.h"

#include <QHash>

#include <cerrno>
#include <climits>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {

namespace {

bool existsOnDisk(const QByteArray &path)
{
    struct stat info;
    return lstat(path.constData(), &info) == 0;
}

} // namespace

QString renameFailureText(const MovieItem &item, const QString &reason)
{
    return QStringLiteral("“%1” couldn’t be renamed: %2").arg(item.originalName(), reason);
}

QString targetExistsText(const QString &name)
{
    return QStringLiteral("Target exists: ") + name;
}

QByteArray renameTargetPath(const MovieItem &item)
{
    return nativeFolder(item.nativePath()) + '/' + item.proposedName().value_or(QString()).toUtf8();
}

std::optional<QString> renameObstacle(const MovieItem &item, const PathExists &exists)
{
    const QString name = item.proposedName().value_or(QString());
    // Names are built safe; this guards the file system against any other road in.
    if (!isPlainFileName(name))
        return QStringLiteral("Not a valid file name: ") + name;
    const QByteArray target = renameTargetPath(item);
    if (name.toUtf8().size() > NAME_MAX || target.size() >= PATH_MAX)
        return renameFailureText(item, systemErrorText(ENAMETOOLONG));
    const auto isThere = [&exists](const QByteArray &path) { return exists ? exists(path) : existsOnDisk(path); };
    if (!isThere(item.nativePath()))
        return renameFailureText(item, systemErrorText(ENOENT));
    if (isThere(target))
        return targetExistsText(name);
    if (access(nativeFolder(target).constData(), W_OK) != 0)
        return renameFailureText(item, systemErrorText(errno));
    return std::nullopt;
}

std::optional<QString> companionObstacle(const MovieItem &item, const QList<CompanionMove> &moves, const PathExists &exists)
{
    const auto isThere = [&exists](const QByteArray &path) { return exists ? exists(path) : existsOnDisk(path); };
    for (const CompanionMove &move : moves) {
        const QByteArray targetName = nativeFileName(move.to);
        if (targetName.size() > NAME_MAX || move.to.size() >= PATH_MAX)
            return renameFailureText(item, systemErrorText(ENAMETOOLONG) + QStringLiteral(": ") + readableName(targetName));
        if (!isThere(move.from))
            return renameFailureText(item, systemErrorText(ENOENT) + QStringLiteral(": ") + readableName(nativeFileName(move.from)));
        if (isThere(move.to))
            return targetExistsText(readableName(targetName));
    }
    return std::nullopt;
}

namespace {

struct Move {
    QByteArray from, to;
    int journalIndex = -1;
};

/// Takes back the moves made, newest first; what cannot be taken back is named.
QString takeBack(const QList<Move> &made, RenameJournal *journal)
{
    QString stuck;
    for (auto move = made.crbegin(); move != made.crend(); ++move) {
        if (moveWithoutReplacing(move->to, move->from).kind == MoveResult::Kind::moved) {
            if (journal)
                journal->markReverted(move->journalIndex);
        } else {
            stuck += QStringLiteral("; “%1” is left as “%2”")
                         .arg(readableName(nativeFileName(move->from)), readableName(nativeFileName(move->to)));
        }
    }
    return stuck;
}

} // namespace

std::optional<QString> performRename(const MovieItem &item, const QList<CompanionMove> &companions, RenameJournal *journal)
{
    if (std::optional<QString> failure = renameObstacle(item))
        return failure;
    if (std::optional<QString> failure = companionObstacle(item, companions))
        return failure;
    QList<Move> moves{{item.nativePath(), renameTargetPath(item)}};
    for (const CompanionMove &companion : companions)
        moves.append({companion.from, companion.to});

    if (journal) {
        QList<JournalMove> announced;
        for (const Move &move : std::as_const(moves)) {
            announced.append(JournalMove());
            std::tie(announced.last().from, announced.last().to) = std::tie(move.from, move.to);
        }
        QString error;
        const std::optional<int> first = journal->announceMoves(announced, &error);
        if (!first)
            return error;
        for (qsizetype index = 0; index < moves.size(); ++index)
            moves[index].journalIndex = *first + int(index);
    }
    QList<Move> made;
    const auto giveUp = [&](qsizetype from) {
        for (qsizetype index = from; journal && index < moves.size(); ++index)
            journal->markNotMade(moves[index].journalIndex);
        return takeBack(made, journal);
    };
    for (Move &move : moves) {
        const MoveResult moved = moveWithoutReplacing(move.from, move.to);
        if (moved.kind != MoveResult::Kind::moved) {
            const QString failure = moved.kind == MoveResult::Kind::targetExists
                ? targetExistsText(readableName(nativeFileName(move.to)))
                : renameFailureText(item, moved.message);
            return failure + giveUp(made.size());
        }
        if (journal)
            journal->markDone(move.journalIndex);
        made.append(move);
    }
    return std::nullopt;
}

QList<PlannedRename> planRenames(
    const QList<MovieItemPtr> &items, std::optional<bool> moveCompanions, const QString &journalPath)
{
    // Every rename writes the journal first; asked once, as it is the same for every row.
    const std::optional<QString> journalObstacle
        = journalPath.isEmpty() ? std::nullopt : RenameJournal::writeObstacle(journalPath);
    const QHash<const MovieItem *, QList<CompanionMove>> companions
        = moveCompanions.value_or(AppSettings::moveCompanionFiles()) ? planCompanions(items)
                                                                    : QHash<const MovieItem *, QList<CompanionMove>>();
    // What the batch has done so far: paths it freed (false) and took (true), over the disk.
    QHash<QByteArray, bool> changed;
    const PathExists exists = [&changed](const QByteArray &path) {
        const auto entry = changed.constFind(path);
        return entry != changed.cend() ? *entry : existsOnDisk(path);
    };
    QList<PlannedRename> plan;
    for (const MovieItemPtr &item : items) {
        if (!item || !item->canRename())
            continue;
        PlannedRename planned{item, *item->proposedName(), renameObstacle(*item, exists), companions.value(item.get())};
        if (!planned.failure)
            planned.failure = companionObstacle(*item, planned.companions, exists);
        if (!planned.failure)
            planned.failure = journalObstacle;
        if (!planned.failure) {
            changed.insert(item->nativePath(), false);
            changed.insert(renameTargetPath(*item), true);
            for (const CompanionMove &move : std::as_const(planned.companions)) {
                changed.insert(move.from, false);
                changed.insert(move.to, true);
            }
        }
        plan.append(std::move(planned));
    }
    return plan;
}

} // namespace tolvane
