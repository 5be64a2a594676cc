#pragma once

#include "library/CompanionFiles.h"
#include "library/MovieItem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace tolvane {

class RenameJournal;

/// What a rename does besides giving the video its new name.
struct RenameOptions {
    bool moveCompanions = true; ///< the video's subtitles, .nfo and images follow it
    bool writeNfo = false; ///< an .nfo for media servers is written beside the video

    bool operator==(const RenameOptions &) const = default;
    /// As the settings say (moveCompanionFiles, writeNfo).
    static RenameOptions fromSettings();
};

/// One step of a row's rename, in the order it is made.
struct RenameStep {
    enum class Kind {
        makeFolder, ///< `to` is the film folder to make
        move, ///< `from` moves to `to` (the video first, then its companion files)
        writeFile, ///< `content` is written to the new file `to`
    };
    Kind kind = Kind::move;
    QByteArray from; ///< exact path bytes; empty unless a move
    QByteArray to; ///< exact path bytes
    QByteArray content; ///< for writeFile

    friend bool operator==(const RenameStep &, const RenameStep &) = default;
};

/// A row's rename as one value: planned once, shown by a dry run, carried out all or nothing.
struct PlannedRename {
    MovieItemPtr item;
    QString targetName; ///< the video's new file name
    QString proposedPath; ///< the target relative to the video's folder: "Folder/Name.mkv" or "Name.mkv"
    QByteArray target; ///< the video's target path
    QList<RenameStep> steps; ///< nothing for a row already named or one that fails
    bool alreadyNamed = false; ///< the video is at its target already: nothing to do, no error
    std::optional<QString> failure; ///< why the rename would fail (then it changes nothing)
    QList<CompanionMove> companions; ///< the files that move with the video
};

/// Whether something is at a path (a link counts as itself).
using PathExists = std::function<bool(const QByteArray &path)>;

/// The folder `item` is renamed into: its own, or the film folder in it (not made yet, perhaps).
QByteArray renameTargetFolder(const MovieItem &item);

/// The rename of one row, planned against the disk as it is now (or as `exists` tells it, for a
/// plan of several rows), moving nothing. Only a row that canRename() or is already named has a
/// plan; `companions` are its files that follow it (planCompanions). A film folder that is not
/// there is made; one there is used. With `options.writeNfo`, "<new base name>.nfo" is written
/// unless an .nfo moves with the video.
PlannedRename planRename(const MovieItemPtr &item, const QList<CompanionMove> &companions,
    const RenameOptions &options, const PathExists &exists = {});

/// What renaming `items` one after another, in this order, would do, moving nothing: one plan per
/// row that canRename() or is already named, with the same failure text the run would give.
/// Paths earlier rows of the batch free or take (files and folders) count. Each folder is read once
/// for the companion files. With a `journalPath`, a journal that cannot be written there fails
/// every row that would otherwise be renamed, as it fails the run.
QList<PlannedRename> planRenames(
    const QList<MovieItemPtr> &items, const RenameOptions &options, const QString &journalPath = {});
/// As above with the settings' options; `moveCompanions`, when given, in place of that setting.
QList<PlannedRename> planRenames(const QList<MovieItemPtr> &items, std::optional<bool> moveCompanions = std::nullopt,
    const QString &journalPath = {});

/// Carries out a plan made just before, all or nothing: when a step fails, those made are taken
/// back (files moved back, the written file removed, the made folder removed). No step ever
/// replaces a file. The row's steps are announced in `journal` (when given) before the first is
/// made, and each is marked after it is made; a journal that cannot be written stops the rename.
/// None when renamed (or already named), else the failure text.
std::optional<QString> performRename(const PlannedRename &plan, RenameJournal *journal);
/// Plans and carries out the rename of `item` with these companion files (writing no .nfo).
std::optional<QString> performRename(
    const MovieItem &item, const QList<CompanionMove> &companions, RenameJournal *journal);

/// The text of a rename of `item` that failed for `reason`.
QString renameFailureText(const MovieItem &item, const QString &reason);
/// The text of a rename refused because `name` is taken.
QString targetExistsText(const QString &name);

} // namespace tolvane
