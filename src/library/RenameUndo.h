#pragma once

#include "library/RenameJournal.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

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
    };
    Kind kind = Kind::planned;
    QByteArray current; ///< where the rename put it
    QByteArray original; ///< where it came from
    QString message; ///< for `failed`
};

/// What an undo of one batch did.
struct UndoReport {
    std::optional<JournalBatch> batch; ///< none when there was nothing to undo
    QList<UndoStep> steps; ///< newest move first
    std::optional<QString> error; ///< the journal could not be read or written; nothing moved

    int movedCount() const;
    /// Every file is back (or, for a dry run, would be).
    bool isComplete() const;
};

/// The newest rename batch that no undo has taken back; with `among` not empty, only a batch
/// whose id is in it. Undo batches are never offered.
std::optional<JournalBatch> undoableBatch(const QList<JournalBatch> &batches, const QSet<QString> &among = {});

/// Moves the files of `batch` back, newest move first, never replacing anything: a file no longer
/// at its new name, or whose old name is taken, stays where it is. The undo is a batch of its own
/// in `journal`, naming the batch it takes back, so that batch is never offered again. A dry run
/// moves and writes nothing.
UndoReport undoBatch(RenameJournal &journal, const JournalBatch &batch, bool dryRun);

/// Finds the newest undoable batch in `journal`'s file (among `among`, when given) and undoes it.
UndoReport undoLatest(RenameJournal &journal, bool dryRun, const QSet<QString> &among = {});

/// One line naming a file the undo left where it is; empty for a step that moved.
QString undoStepText(const UndoStep &step);

} // namespace tolvane
