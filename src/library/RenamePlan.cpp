#include "RenamePlan.h"

#include "library/FileMover.h"
#include "library/NameBuilder.h"
#include "core/FilePaths.h"

#include <QHash>

#include <cerrno>
#include <climits>

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

QList<PlannedRename> planRenames(const QList<MovieItemPtr> &items)
{
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
        PlannedRename planned{item, *item->proposedName(), renameObstacle(*item, exists)};
        if (!planned.failure) {
            changed.insert(item->nativePath(), false);
            changed.insert(renameTargetPath(*item), true);
        }
        plan.append(std::move(planned));
    }
    return plan;
}

} // namespace tolvane
