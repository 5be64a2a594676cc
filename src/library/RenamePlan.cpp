#include "RenamePlan.h"

#include "library/FileMover.h"
#include "library/RenameJournal.h"
#include "library/NameBuilder.h"
#include "core/FilePaths.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QHash>

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {

namespace {

bool existsOnDisk(const QByteArray &path)
{
    struct stat info;
    return lstat(path.constData(), &info) == 0;
}

/// A folder, or a link to one.
bool isFolderOnDisk(const QByteArray &path)
{
    struct stat info;
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

QByteArray joined(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

/// Whether `item` is where its name would put it: nothing to do.
bool isAlreadyNamed(const MovieItem &item, const QByteArray &target)
{
    return item.status().kind() == LookupStatus::Kind::ready && item.proposedName() && !item.isRenamed()
        && target == item.nativePath();
}

bool movesAnNfo(const QList<CompanionMove> &companions)
{
    return std::any_of(companions.cbegin(), companions.cend(),
        [](const CompanionMove &move) { return move.suffix.toLower().endsWith(".nfo"); });
}

/// Why the row's moves would fail, found without moving anything; none when nothing stands in
/// the way. Fills in the folder to make, if any.
std::optional<QString> obstacle(const MovieItem &item, const QByteArray &target, const PathExists &isThere,
    std::optional<QByteArray> *folderToMake)
{
    const QString name = item.proposedName().value_or(QString());
    const QString &film = item.proposedFolder();
    // Names are built safe; this guards the file system against any other road in.
    if (!isPlainFileName(name))
        return QCoreApplication::translate("Rename", "Not a valid file name: %1").arg(name);
    if (!film.isEmpty() && !isPlainFileName(film))
        return QCoreApplication::translate("Rename", "Not a valid folder name: %1").arg(film);
    if (name.toUtf8().size() > NAME_MAX || film.toUtf8().size() > NAME_MAX || target.size() >= PATH_MAX)
        return renameFailureText(item, systemErrorText(ENAMETOOLONG));
    if (!isThere(item.nativePath()))
        return renameFailureText(item, systemErrorText(ENOENT));
    const QByteArray source = nativeFolder(item.nativePath());
    const QByteArray folder = nativeFolder(target);
    // A folder an earlier row of the batch makes is there for this one, though not yet on disk.
    const bool folderThere = film.isEmpty() || isThere(folder);
    if (!folderThere)
        *folderToMake = folder;
    else if (!film.isEmpty() && existsOnDisk(folder) && !isFolderOnDisk(folder))
        return targetExistsText(film);
    if (folderThere && isThere(target))
        return targetExistsText(item.proposedPath());
    // The video leaves its folder and enters the target (made in it, when there is none).
    if (access(source.constData(), W_OK) != 0)
        return renameFailureText(item, systemErrorText(errno));
    if (folder != source && isFolderOnDisk(folder) && access(folder.constData(), W_OK) != 0)
        return renameFailureText(item, systemErrorText(errno));
    return std::nullopt;
}

std::optional<QString> companionObstacle(const MovieItem &item, const QList<CompanionMove> &moves, const PathExists &isThere)
{
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

} // namespace

RenameOptions RenameOptions::fromSettings()
{
    return {AppSettings::moveCompanionFiles(), AppSettings::writeNfo()};
}

QString renameFailureText(const MovieItem &item, const QString &reason)
{
    return QCoreApplication::translate("Rename", "“%1” couldn’t be renamed: %2").arg(item.originalName(), reason);
}

QString targetExistsText(const QString &name)
{
    return QCoreApplication::translate("Rename", "Target exists: %1").arg(name);
}

QByteArray renameTargetFolder(const MovieItem &item)
{
    const QByteArray folder = nativeFolder(item.nativePath());
    return item.proposedFolder().isEmpty() ? folder : joined(folder, item.proposedFolder().toUtf8());
}

PlannedRename planRename(const MovieItemPtr &item, const QList<CompanionMove> &companions,
    const RenameOptions &options, const PathExists &exists)
{
    PlannedRename plan{item, {}, {}, {}, {}, false, std::nullopt, {}};
    if (!item || !item->proposedName()) {
        plan.failure = QCoreApplication::translate("Rename", "Nothing to rename");
        return plan;
    }
    const MovieItem &row = *item;
    plan.targetName = *row.proposedName();
    plan.proposedPath = row.proposedPath();
    plan.target = joined(renameTargetFolder(row), plan.targetName.toUtf8());
    plan.alreadyNamed = isAlreadyNamed(row, plan.target);
    if (plan.alreadyNamed || !row.canRename()) {
        if (!plan.alreadyNamed)
            plan.failure = QCoreApplication::translate("Rename", "Nothing to rename");
        return plan;
    }
    plan.companions = companions;
    const PathExists isThere = exists ? exists : PathExists(existsOnDisk);
    std::optional<QByteArray> folderToMake;
    plan.failure = obstacle(row, plan.target, isThere, &folderToMake);
    if (!plan.failure)
        plan.failure = companionObstacle(row, companions, isThere);
    if (plan.failure)
        return plan;
    if (folderToMake)
        plan.steps.append({RenameStep::Kind::makeFolder, {}, *folderToMake, {}});
    plan.steps.append({RenameStep::Kind::move, row.nativePath(), plan.target, {}});
    for (const CompanionMove &move : companions)
        plan.steps.append({RenameStep::Kind::move, move.from, move.to, {}});
    // Never in place of one there: the video's own moves with it, and one at the name is kept.
    if (const std::optional<ServerNameParts> parts = options.writeNfo ? row.nameParts() : std::nullopt;
        parts && !movesAnNfo(companions)) {
        const QByteArray nfo = joined(nativeFolder(plan.target), baseNameOf(plan.targetName.toUtf8()) + ".nfo");
        if (!isThere(nfo) && nativeFileName(nfo).size() <= NAME_MAX && nfo.size() < PATH_MAX)
            plan.steps.append({RenameStep::Kind::writeFile, {}, nfo, movieNfo(*parts)});
    }
    return plan;
}

QList<PlannedRename> planRenames(const QList<MovieItemPtr> &items, const RenameOptions &options, const QString &journalPath)
{
    // Every rename writes the journal first; asked once, as it is the same for every row.
    const std::optional<QString> journalObstacle
        = journalPath.isEmpty() ? std::nullopt : RenameJournal::writeObstacle(journalPath);
    const QHash<const MovieItem *, QList<CompanionMove>> companions
        = options.moveCompanions ? planCompanions(items) : QHash<const MovieItem *, QList<CompanionMove>>();
    // What the batch has done so far: paths it freed (false) and took (true), over the disk.
    QHash<QByteArray, bool> changed;
    const PathExists exists = [&changed](const QByteArray &path) {
        const auto entry = changed.constFind(path);
        return entry != changed.cend() ? *entry : existsOnDisk(path);
    };
    QList<PlannedRename> plan;
    for (const MovieItemPtr &item : items) {
        if (!item || !item->proposedName())
            continue;
        PlannedRename planned = planRename(item, companions.value(item.get()), options, exists);
        if (!planned.alreadyNamed && !item->canRename())
            continue;
        if (!planned.failure && !planned.alreadyNamed)
            planned.failure = journalObstacle;
        if (planned.failure)
            planned.steps.clear();
        for (const RenameStep &step : std::as_const(planned.steps)) {
            if (step.kind == RenameStep::Kind::move)
                changed.insert(step.from, false);
            changed.insert(step.to, true);
        }
        plan.append(std::move(planned));
    }
    return plan;
}

QList<PlannedRename> planRenames(
    const QList<MovieItemPtr> &items, std::optional<bool> moveCompanions, const QString &journalPath)
{
    RenameOptions options = RenameOptions::fromSettings();
    options.moveCompanions = moveCompanions.value_or(options.moveCompanions);
    return planRenames(items, options, journalPath);
}

namespace {

/// Writes `content` to a new file at `path`, never over one there, and to the disk before
/// returning. None when written, else the error (and nothing left at the path).
std::optional<int> writeNewFile(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return errno;
    int error = 0;
    for (qsizetype written = 0; written < content.size() && error == 0;) {
        const ssize_t count = ::write(fd, content.constData() + written, size_t(content.size() - written));
        if (count < 0 && errno != EINTR)
            error = errno;
        else if (count > 0)
            written += count;
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(path.constData());
    return error != 0 ? std::optional(error) : std::nullopt;
}

/// Takes back the steps made, newest first; the failure is returned with what cannot be taken
/// back named after it.
QString takeBack(QString failure, const QList<std::pair<const RenameStep *, int>> &made, RenameJournal *journal)
{
    for (auto entry = made.crbegin(); entry != made.crend(); ++entry) {
        const RenameStep &step = *entry->first;
        bool back = false;
        if (step.kind == RenameStep::Kind::move)
            back = moveWithoutReplacing(step.to, step.from).kind == MoveResult::Kind::moved;
        else if (step.kind == RenameStep::Kind::writeFile)
            back = ::unlink(step.to.constData()) == 0;
        else
            back = ::rmdir(step.to.constData()) == 0; // empty again once its files are back
        if (back && journal)
            journal->markReverted(entry->second);
        else if (!back && step.kind == RenameStep::Kind::move)
            failure = QCoreApplication::translate("Rename", "%1; “%2” is left as “%3”")
                          .arg(failure, readableName(nativeFileName(step.from)), readableName(nativeFileName(step.to)));
        else if (!back)
            failure = QCoreApplication::translate("Rename", "%1; “%2” is left").arg(failure, readableName(step.to));
    }
    return failure;
}

} // namespace

std::optional<QString> performRename(const PlannedRename &plan, RenameJournal *journal)
{
    if (plan.failure)
        return plan.failure;
    const MovieItem &item = *plan.item;
    QList<int> indexes(plan.steps.size(), -1);
    if (journal && !plan.steps.isEmpty()) {
        QList<JournalMove> announced;
        for (const RenameStep &step : plan.steps) {
            announced.append(JournalMove());
            JournalMove &move = announced.last();
            move.from = step.from;
            move.to = step.to;
            move.kind = step.kind == RenameStep::Kind::move ? JournalMove::Kind::move
                : step.kind == RenameStep::Kind::makeFolder ? JournalMove::Kind::makeFolder
                                                            : JournalMove::Kind::writeFile;
        }
        QString error;
        const std::optional<int> first = journal->announceMoves(announced, &error);
        if (!first)
            return error;
        for (qsizetype index = 0; index < indexes.size(); ++index)
            indexes[index] = *first + int(index);
    }
    QList<std::pair<const RenameStep *, int>> made;
    for (qsizetype index = 0; index < plan.steps.size(); ++index) {
        const RenameStep &step = plan.steps[index];
        std::optional<QString> failure;
        bool reused = false;
        const QString shownTarget = readableName(nativeFileName(step.to));
        if (step.kind == RenameStep::Kind::move) {
            const MoveResult moved = moveWithoutReplacing(step.from, step.to);
            if (moved.kind == MoveResult::Kind::targetExists)
                failure = targetExistsText(shownTarget);
            else if (moved.kind != MoveResult::Kind::moved)
                failure = renameFailureText(item, moved.message);
        } else if (step.kind == RenameStep::Kind::makeFolder) {
            // Made by someone else meanwhile: used, and not ours to take back.
            if (::mkdir(step.to.constData(), 0777) != 0) {
                const int error = errno;
                reused = error == EEXIST && isFolderOnDisk(step.to);
                if (!reused)
                    failure = error == EEXIST ? targetExistsText(shownTarget) : renameFailureText(item, systemErrorText(error));
            }
        } else if (const std::optional<int> error = writeNewFile(step.to, step.content)) {
            failure = *error == EEXIST ? targetExistsText(shownTarget)
                                       : renameFailureText(item, systemErrorText(*error) + QStringLiteral(": ") + shownTarget);
        }
        if (failure) {
            for (qsizetype later = index; journal && later < indexes.size(); ++later)
                journal->markNotMade(indexes[later]);
            return takeBack(*failure, made, journal);
        }
        if (reused) {
            if (journal)
                journal->markNotMade(indexes[index]);
            continue;
        }
        if (journal)
            journal->markDone(indexes[index], step.kind == RenameStep::Kind::move ? QByteArray() : fileIdentity(step.to));
        made.append({&step, indexes[index]});
    }
    return std::nullopt;
}

std::optional<QString> performRename(const MovieItem &item, const QList<CompanionMove> &companions, RenameJournal *journal)
{
    // Not owned: the row lives as long as the caller's reference.
    const MovieItemPtr row(const_cast<MovieItem *>(&item), [](MovieItem *) { });
    return performRename(planRename(row, companions, RenameOptions{true, false}), journal);
}

} // namespace tolvane
