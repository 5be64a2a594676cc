#include "RenameUndo.h"

#include "core/FilePaths.h"
#include "library/FileMover.h"

#include <QHash>

#include <algorithm>
#include <tuple>

namespace tolvane {

int UndoReport::movedCount() const
{
    return int(std::count_if(steps.cbegin(), steps.cend(), [](const UndoStep &step) {
        return step.kind == UndoStep::Kind::moved || step.kind == UndoStep::Kind::planned;
    }));
}

bool UndoReport::isComplete() const
{
    return !error && movedCount() == steps.size();
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

} // namespace

std::optional<QString> undoRefusal(const JournalMove &move)
{
    // Kept in one place: a move into a folder the batch made would be allowed here.
    if (!isPlainPath(move.from) || !isPlainPath(move.to) || move.from == move.to
        || nativeFolder(move.from) != nativeFolder(move.to))
        return QStringLiteral("its journal entry is not a rename within one folder");
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
        std::optional<qsizetype> keeper; // the first step that keeps the row where it is
        for (const JournalMove *move : row) {
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
        return QStringLiteral("%1: no longer there; not moved back to %2").arg(current, readableName(nativeFileName(step.original)));
    case UndoStep::Kind::nameTaken:
        return QStringLiteral("%1: left where it is; its old name %2 is taken").arg(current, readableName(nativeFileName(step.original)));
    case UndoStep::Kind::failed:
        return QStringLiteral("%1: not moved back: %2").arg(current, step.message);
    case UndoStep::Kind::notSame:
        return QStringLiteral("%1: not undone, the file at the new name is not the one renamed").arg(current);
    case UndoStep::Kind::refused:
        return QStringLiteral("%1: not undone, %2").arg(current, step.message);
    case UndoStep::Kind::heldBack:
        return QStringLiteral("%1: left where it is with %2, which is not moved back").arg(current, step.message);
    case UndoStep::Kind::interrupted:
        return QStringLiteral("%1: not undone, the undo was interrupted").arg(current);
    }
    return {};
}

} // namespace tolvane
