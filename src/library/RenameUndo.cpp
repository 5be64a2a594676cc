#include "RenameUndo.h"

#include "core/FilePaths.h"
#include "library/FileMover.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <tuple>

#include <dirent.h>
#include <unistd.h>

namespace tolvane {

int UndoReport::movedCount() const
{
    return int(std::count_if(steps.cbegin(), steps.cend(), [](const UndoStep &step) {
        return step.action == JournalMove::Kind::move
            && (step.kind == UndoStep::Kind::moved || step.kind == UndoStep::Kind::planned);
    }));
}

bool UndoReport::isComplete() const
{
    return !error && std::all_of(steps.cbegin(), steps.cend(), [](const UndoStep &step) {
        return step.kind == UndoStep::Kind::moved || step.kind == UndoStep::Kind::planned || step.kind == UndoStep::Kind::kept;
    });
}

std::optional<JournalBatch> undoableBatch(const QList<JournalBatch> &batches, const QSet<QString> &among)
{
    for (auto batch = batches.crbegin(); batch != batches.crend(); ++batch) {
        if (!batch->isUndo && !batch->undone && (among.isEmpty() || among.contains(batch->id)))
            return *batch;
    }
    return std::nullopt;
}

namespace {

/// What the disk holds, as an undo sees it; a dry run lays the moves it would make over it.
class DiskView {
public:
    QByteArray identity(const QByteArray &path) const
    {
        const auto entry = m_moved.constFind(path);
        return entry != m_moved.cend() ? *entry : fileIdentity(path);
    }
    void move(const QByteArray &from, const QByteArray &to)
    {
        m_moved.insert(to, identity(from));
        m_moved.insert(from, QByteArray());
    }
    void remove(const QByteArray &path) { m_moved.insert(path, QByteArray()); }
    /// Whether nothing is left in `folder` once the moves laid over the disk are made.
    bool isEmptied(const QByteArray &folder) const
    {
        DIR *directory = ::opendir(folder.constData());
        if (!directory)
            return false;
        bool empty = true;
        while (const dirent *entry = ::readdir(directory)) {
            const QByteArrayView name(entry->d_name);
            if (name != "." && name != ".." && !identity(folder + '/' + name.toByteArray()).isEmpty()) {
                empty = false;
                break;
            }
        }
        ::closedir(directory);
        return empty;
    }

private:
    QHash<QByteArray, QByteArray> m_moved; ///< a path's identity after the moves laid over the disk
};

bool isPlainPath(const QByteArray &path)
{
    if (!path.startsWith('/') || path.contains('\0'))
        return false;
    const QList<QByteArray> parts = path.mid(1).split('/');
    return std::none_of(parts.cbegin(), parts.cend(),
        [](const QByteArray &part) { return part.isEmpty() || part == "." || part == ".."; });
}

/// Why `move` cannot be taken back on `disk` now; none when it can. `settled` tells that its file
/// is already under its old name: the move was never made, or an undo cut short made it.
std::optional<UndoStep::Kind> obstacle(const JournalMove &move, const DiskView &disk, bool *settled)
{
    const QByteArray there = disk.identity(move.to);
    const QByteArray before = disk.identity(move.from);
    if (!move.identity.isEmpty()) {
        if (there != move.identity) {
            *settled = before == move.identity;
            return there.isEmpty() ? UndoStep::Kind::notThere : UndoStep::Kind::notSame;
        }
    } else {
        // An older journal: an announced move that did not happen left the file under its old name.
        *settled = move.state == JournalMove::State::announced && (there.isEmpty() || !before.isEmpty());
        if (there.isEmpty())
            return UndoStep::Kind::notThere;
        if (!there.startsWith('f'))
            return UndoStep::Kind::notSame;
    }
    // Only a file, or a link the rename itself moved (never followed), goes back.
    if (!there.startsWith('f') && !there.startsWith('l'))
        return UndoStep::Kind::notSame;
    if (!before.isEmpty())
        return UndoStep::Kind::nameTaken;
    return std::nullopt;
}

/// Makes a row's moves back, all or none: when one fails, those made are taken back again.
void moveRowBack(RenameJournal &journal, const QList<const JournalMove *> &moving, QList<UndoStep *> steps)
{
    QList<JournalMove> announced;
    for (const JournalMove *move : moving) {
        announced.append(JournalMove());
        std::tie(announced.last().from, announced.last().to, announced.last().undoes)
            = std::tie(move->to, move->from, move->index);
    }
    QString error;
    const std::optional<int> first = journal.announceMoves(announced, &error);
    for (qsizetype index = 0; index < moving.size(); ++index) {
        const MoveResult moved
            = first ? moveWithoutReplacing(moving[index]->to, moving[index]->from) : MoveResult{MoveResult::Kind::failed, error};
        if (moved.kind == MoveResult::Kind::moved) {
            journal.markDone(*first + int(index));
            steps[index]->kind = UndoStep::Kind::moved;
            continue;
        }
        steps[index]->kind = moved.kind == MoveResult::Kind::targetExists ? UndoStep::Kind::nameTaken : UndoStep::Kind::failed;
        steps[index]->message = moved.message;
        const QString keeper = readableName(nativeFileName(moving[index]->to));
        for (qsizetype made = index - 1; made >= 0; --made) {
            // One that cannot be taken back again simply stays back under its old name.
            if (moveWithoutReplacing(moving[made]->from, moving[made]->to).kind != MoveResult::Kind::moved)
                continue;
            journal.markReverted(*first + int(made));
            *steps[made] = {UndoStep::Kind::heldBack, moving[made]->to, moving[made]->from, keeper};
        }
        for (qsizetype later = index + 1; later < moving.size(); ++later) {
            if (first)
                journal.markNotMade(*first + int(later));
            *steps[later] = {UndoStep::Kind::heldBack, moving[later]->to, moving[later]->from, keeper};
        }
        return;
    }
}

/// The type, device and inode of an identity: a folder's size and time change with its files.
QByteArray sameThing(const QByteArray &identity)
{
    return identity.split(' ').mid(0, 3).join(' ');
}

/// Takes back a folder the rename made or a file it wrote, once its row's files are back. None
/// when it is gone already (settled), else the step.
std::optional<UndoStep> removeMade(const JournalMove &made, DiskView &disk, bool dryRun)
{
    UndoStep step{UndoStep::Kind::planned, made.to, {}, {}, made.kind};
    const QByteArray there = disk.identity(made.to);
    if (there.isEmpty())
        return std::nullopt;
    const bool folder = made.kind == JournalMove::Kind::makeFolder;
    // A file is the user's once changed (or when the rename could not tell it apart); a folder
    // once it holds anything.
    if (folder ? !there.startsWith('d') || (!made.identity.isEmpty() && sameThing(there) != sameThing(made.identity))
               : made.identity.isEmpty() || there != made.identity) {
        step.kind = UndoStep::Kind::kept;
        return step;
    }
    if (dryRun) {
        if (folder && !disk.isEmptied(made.to))
            step.kind = UndoStep::Kind::kept;
        else
            disk.remove(made.to);
        return step;
    }
    if ((folder ? ::rmdir(made.to.constData()) : ::unlink(made.to.constData())) == 0) {
        step.kind = UndoStep::Kind::moved;
        return step;
    }
    const int error = errno;
    step.kind = folder && (error == ENOTEMPTY || error == EEXIST) ? UndoStep::Kind::kept : UndoStep::Kind::failed;
    step.message = systemErrorText(error);
    return step;
}

} // namespace

std::optional<QString> undoRefusal(const JournalMove &move)
{
    const auto refused = [] {
        return QCoreApplication::translate(
            "Rename", "its journal entry is no rename within a folder or to its subfolder");
    };
    if (move.kind != JournalMove::Kind::move) {
        // Only what a rename makes: a folder, an .nfo file.
        if (!move.from.isEmpty() || !isPlainPath(move.to)
            || (move.kind == JournalMove::Kind::writeFile && !move.to.toLower().endsWith(".nfo")))
            return refused();
        return std::nullopt;
    }
    if (!isPlainPath(move.from) || !isPlainPath(move.to) || move.from == move.to)
        return refused();
    // Within one folder, or one level down or up: into a film folder, or out of it.
    const QByteArray from = nativeFolder(move.from), to = nativeFolder(move.to);
    if (from != to && from != nativeFolder(to) && to != nativeFolder(from))
        return refused();
    return std::nullopt;
}

UndoReport undoBatch(RenameJournal &journal, const JournalBatch &batch, bool dryRun, const std::atomic<bool> *stop)
{
    UndoReport report;
    report.batch = batch;
    // The undo is journalled before anything moves; a dry run tells what would stop that.
    if (QString error; dryRun)
        report.error = RenameJournal::writeObstacle(journal.path());
    else if (!journal.beginBatch(batch.id, &error))
        report.error = error;
    if (report.error)
        return report;
    // Rows newest first, each with its moves newest first; a move written without its row (an
    // older journal) is a row of its own.
    QList<QList<const JournalMove *>> rows;
    QHash<int, qsizetype> rowAt;
    for (auto move = batch.moves.crbegin(); move != batch.moves.crend(); ++move) {
        if (!move->isOutstanding())
            continue;
        if (const qsizetype at = move->row >= 0 ? rowAt.value(move->row, -1) : -1; at >= 0) {
            rows[at].append(&*move);
            continue;
        }
        if (move->row >= 0)
            rowAt.insert(move->row, rows.size());
        rows.append({&*move});
    }
    DiskView disk;
    for (const QList<const JournalMove *> &row : std::as_const(rows)) {
        const bool stopped = stop && stop->load();
        report.interrupted = report.interrupted || stopped;
        QList<UndoStep> steps;
        QList<const JournalMove *> moving;
        QList<const JournalMove *> made; // the folder and file the row made, newest first
        std::optional<qsizetype> keeper; // the first step that keeps the row where it is
        for (const JournalMove *move : row) {
            if (move->kind != JournalMove::Kind::move) {
                made.append(move);
                continue;
            }
            UndoStep step{stopped ? UndoStep::Kind::interrupted : UndoStep::Kind::planned, move->to, move->from, {}};
            bool settled = false;
            if (const std::optional<QString> refusal = undoRefusal(*move)) {
                step.kind = UndoStep::Kind::refused;
                step.message = *refusal;
            } else if (stopped) {
                // left as it is
            } else if (const std::optional<UndoStep::Kind> kind = obstacle(*move, disk, &settled); settled) {
                if (!dryRun)
                    journal.markSettled(move->index);
                continue;
            } else if (kind) {
                step.kind = *kind;
            } else {
                moving.append(move);
            }
            if (step.kind != UndoStep::Kind::planned && !keeper)
                keeper = steps.size();
            steps.append(step);
        }
        QList<UndoStep *> movingSteps;
        for (UndoStep &step : steps) {
            if (step.kind != UndoStep::Kind::planned)
                continue;
            if (keeper) {
                step.kind = stopped ? UndoStep::Kind::interrupted : UndoStep::Kind::heldBack;
                step.message = readableName(nativeFileName(steps[*keeper].current));
            }
            movingSteps.append(&step);
        }
        if (!keeper && dryRun) {
            for (const JournalMove *move : std::as_const(moving))
                disk.move(move->to, move->from);
        } else if (!keeper) {
            moveRowBack(journal, moving, movingSteps);
        }
        const bool rowBack = std::all_of(steps.cbegin(), steps.cend(), [](const UndoStep &step) {
            return step.kind == UndoStep::Kind::moved || step.kind == UndoStep::Kind::planned;
        });
        // What the row made goes once its files are out of it; with them held back, it stays too.
        for (const JournalMove *move : std::as_const(made)) {
            UndoStep step{UndoStep::Kind::heldBack, move->to, {}, {}, move->kind};
            bool gone = false;
            if (const std::optional<QString> refusal = undoRefusal(*move)) {
                step.kind = UndoStep::Kind::refused;
                step.message = *refusal;
            } else if (stopped) {
                step.kind = UndoStep::Kind::interrupted;
            } else if (!rowBack) {
                const auto held = std::find_if(steps.cbegin(), steps.cend(), [](const UndoStep &moveStep) {
                    return moveStep.kind != UndoStep::Kind::moved && moveStep.kind != UndoStep::Kind::planned;
                });
                step.message = readableName(nativeFileName(held->current));
            } else if (const std::optional<UndoStep> removal = removeMade(*move, disk, dryRun)) {
                step = *removal;
            } else {
                gone = true;
            }
            // Removed, gone, or the user's now: the batch owes nothing more for it.
            if (!dryRun && (gone || step.kind == UndoStep::Kind::moved || step.kind == UndoStep::Kind::kept))
                journal.markSettled(move->index);
            if (!gone)
                steps.append(step);
        }
        report.steps += steps;
    }
    if (!dryRun)
        journal.endBatch();
    return report;
}

UndoReport undoLatest(RenameJournal &journal, bool dryRun, const QSet<QString> &among, const std::atomic<bool> *stop)
{
    QString error;
    const QList<JournalBatch> batches = RenameJournal::readBatches(journal.path(), &error);
    if (!error.isEmpty())
        return {std::nullopt, {}, error};
    const std::optional<JournalBatch> batch = undoableBatch(batches, among);
    return batch ? undoBatch(journal, *batch, dryRun, stop) : UndoReport();
}

QString undoStepText(const UndoStep &step)
{
    const QString current = readableName(step.current);
    switch (step.kind) {
    case UndoStep::Kind::moved:
    case UndoStep::Kind::planned:
        return {};
    case UndoStep::Kind::notThere:
        return QCoreApplication::translate("Rename", "%1: no longer there; not moved back to %2")
            .arg(current, readableName(nativeFileName(step.original)));
    case UndoStep::Kind::nameTaken:
        return QCoreApplication::translate("Rename", "%1: left where it is; its old name %2 is taken")
            .arg(current, readableName(nativeFileName(step.original)));
    case UndoStep::Kind::failed:
        return QCoreApplication::translate("Rename", "%1: not moved back: %2").arg(current, step.message);
    case UndoStep::Kind::notSame:
        return QCoreApplication::translate("Rename", "%1: not undone, the file at the new name is not the one renamed")
            .arg(current);
    case UndoStep::Kind::refused:
        return QCoreApplication::translate("Rename", "%1: not undone, %2").arg(current, step.message);
    case UndoStep::Kind::heldBack:
        return QCoreApplication::translate("Rename", "%1: left where it is with %2, which is not moved back")
            .arg(current, step.message);
    case UndoStep::Kind::interrupted:
        return QCoreApplication::translate("Rename", "%1: not undone, the undo was interrupted").arg(current);
    case UndoStep::Kind::kept:
        return step.action == JournalMove::Kind::makeFolder
            ? QCoreApplication::translate("Rename", "%1: folder kept, it holds other files").arg(current)
            : QCoreApplication::translate("Rename", "%1: kept, changed since it was written").arg(current);
    }
    return {};
}

} // namespace tolvane
