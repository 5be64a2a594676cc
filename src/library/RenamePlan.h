#pragma once

#include "library/CompanionFiles.h"
#include "library/MovieItem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace tolvane {

struct PlannedRename {
    MovieItemPtr item;
    QString targetName;
    std::optional<QString> failure;
    QList<CompanionMove> companions; ///< the files that move with the video
};

class RenameJournal;

/// What renaming `items` one after another, in this order, would do, moving nothing: for each
/// row that canRename(), its target name and, when the real rename would fail, the same reason
/// text rename() would return. Names claimed by earlier rows of the batch count. Each row's
/// companion files are listed (reading each folder once) unless `moveCompanions` is false; by
/// default the setting decides. With a `journalPath`, a journal that cannot be written there fails
/// every row that would otherwise be renamed, as it fails the run.
QList<PlannedRename> planRenames(const QList<MovieItemPtr> &items, std::optional<bool> moveCompanions = std::nullopt,
    const QString &journalPath = {});

/// Where renaming `item` to its proposed name puts it: the same folder, the name in UTF-8.
QByteArray renameTargetPath(const MovieItem &item);

/// Whether something is at a path (a link counts as itself).
using PathExists = std::function<bool(const QByteArray &path)>;

/// Why renaming `item` to its proposed name would fail, found without moving anything: an
/// unusable or overlong name, the file gone, the name taken, a folder that cannot be written.
/// None when nothing stands in the way. The real rename asks this first, so a plan and a run
/// give the same text; `exists` lets a plan count what earlier renames of its batch did.
std::optional<QString> renameObstacle(const MovieItem &item, const PathExists &exists = {});

/// Why moving `item`'s companion files would fail, as renameObstacle() tells it for the video.
std::optional<QString> companionObstacle(
    const MovieItem &item, const QList<CompanionMove> &moves, const PathExists &exists = {});

/// Renames `item`'s file to its proposed name and moves `companions` with it, all or nothing:
/// nothing moves when something stands in the way, and when a move fails the ones made are
/// taken back. No move ever replaces a file. The row's moves are announced in `journal` (when
/// given) before the first is made, and each is marked after it is made; a journal that cannot be written stops the rename. None
/// when renamed, else the failure text.
std::optional<QString> performRename(
    const MovieItem &item, const QList<CompanionMove> &companions, RenameJournal *journal);

/// The text of a rename of `item` that failed for `reason`.
QString renameFailureText(const MovieItem &item, const QString &reason);
/// The text of a rename refused because `name` is taken.
QString targetExistsText(const QString &name);

} // namespace tolvane
