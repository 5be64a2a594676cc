#pragma once

#include "library/RenameJournal.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <atomic>
#include <optional>

namespace tolvane {

/// What taking back one move did, or would do.
struct UndoStep {
    enum class Kind {
        moved, ///< back under its old name
        planned, ///< a dry run found nothing in the way
        notThere, ///< no longer at its new name: left alone
        nameTaken, ///< its old name is taken meanwhile: left where it is
        failed, ///< the move back failed
        notSame, ///< the file at its new name is not the one renamed (replaced, changed, not a file)
        refused, ///< the journal's entry is no rename within one folder: never followed
        heldBack, ///< another file of its row stays, so it stays too (`message` names that file)
        interrupted, ///< the undo was stopped before its row
        kept, ///< a file the rename wrote, changed since, or a folder it made, holding other files: left
    };
    Kind kind = Kind::planned;
    QByteArray current; ///< where the rename put it
    QByteArray original; ///< where it came from; empty for a folder made or a file written
    QString message; ///< for `failed`
    /// What the rename did: a move is taken back by moving, a folder made or a file written by
    /// removing it (`moved`/`planned` then mean removed, or would be).
    JournalMove::Kind action = JournalMove::Kind::move;
};

/// What an undo of one batch did.
struct UndoReport {
    std::optional<JournalBatch> batch; ///< none when there was nothing to undo
    QList<UndoStep> steps; ///< newest move first
    std::optional<QString> error; ///< the journal could not be read or written; nothing moved
    bool interrupted = false; ///< stopped between two rows

    /// Files moved back (or, for a dry run, that would be); folders and files removed not counted.
    int movedCount() const;
    /// Every file is back, or kept as the user's (or, for a dry run, would be).
    bool isComplete() const;
};

/// The newest rename batch that no undo has taken back; with `among` not empty, only a batch
/// whose id is in it. Undo batches are never offered.
std::optional<JournalBatch> undoableBatch(const QList<JournalBatch> &batches, const QSet<QString> &among = {});

/// Why the journal's `move` must not be taken back whatever the disk holds: an undo moves a file
/// only between the two names its batch recorded, within one folder or between a folder and its
/// direct subfolder, along no path with "." or ".."; it removes only an .nfo file or a folder
/// (when empty) named by such a path. None when it may be.
std::optional<QString> undoRefusal(const JournalMove &move);

/// Moves the files of `batch` not yet back to their old names, newest row first, a row's files all
/// or none, never replacing anything: a file no longer at its new name, another file there, or an
/// old name taken keeps its row where it is. Once a row's files are back, the file it wrote is
/// removed when unchanged and the folder it made when empty; else they are kept. The undo is a batch of its own in `journal`, naming
/// each move it takes back; `batch` stays undoable until every move is back. A dry run moves and
/// writes nothing, and fails as the run would on a journal that cannot be written. Once `stop` is
/// set the rows not yet begun are left (interrupted).
UndoReport undoBatch(RenameJournal &journal, const JournalBatch &batch, bool dryRun,
    const std::atomic<bool> *stop = nullptr);

/// Finds the newest undoable batch in `journal`'s file (among `among`, when given) and undoes it.
UndoReport undoLatest(RenameJournal &journal, bool dryRun, const QSet<QString> &among = {},
    const std::atomic<bool> *stop = nullptr);

/// One line naming a file the undo left where it is; empty for a step that moved.
QString undoStepText(const UndoStep &step);

} // namespace tolvane
