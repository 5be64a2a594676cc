#include "RenameUndo.h"

#include "core/FilePaths.h"
#include "library/FileMover.h"

#include <QHash>

#include <algorithm>

#include <sys/stat.h>

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

UndoReport undoBatch(RenameJournal &journal, const JournalBatch &batch, bool dryRun)
{
    UndoReport report;
    report.batch = batch;
    // A dry run counts what the moves before it would free and take.
    QHash<QByteArray, bool> changed;
    const auto exists = [&changed](const QByteArray &path) {
        if (const auto entry = changed.constFind(path); entry != changed.cend())
            return *entry;
        struct stat info;
        return lstat(path.constData(), &info) == 0;
    };
    if (!dryRun) {
        QString error;
        if (!journal.beginBatch(batch.id, &error)) {
            report.error = error;
            return report;
        }
    }
    for (auto move = batch.moves.crbegin(); move != batch.moves.crend(); ++move) {
        if (move->state == JournalMove::State::reverted || move->state == JournalMove::State::notMade)
            continue;
        // An announced move that did not happen left the file under its old name.
        if (move->state == JournalMove::State::announced && (!exists(move->to) || exists(move->from)))
            continue;
        UndoStep step{UndoStep::Kind::planned, move->to, move->from, {}};
        if (!exists(move->to))
            step.kind = UndoStep::Kind::notThere;
        else if (exists(move->from))
            step.kind = UndoStep::Kind::nameTaken;
        else if (dryRun) {
            changed.insert(move->to, false);
            changed.insert(move->from, true);
        } else {
            QString error;
            const std::optional<int> index = journal.announceMove(move->to, move->from, &error);
            const MoveResult moved = index ? moveWithoutReplacing(move->to, move->from) : MoveResult{MoveResult::Kind::failed, error};
            step.kind = moved.kind == MoveResult::Kind::moved ? UndoStep::Kind::moved
                : moved.kind == MoveResult::Kind::targetExists ? UndoStep::Kind::nameTaken
                                                               : UndoStep::Kind::failed;
            step.message = moved.message;
            if (step.kind == UndoStep::Kind::moved)
                journal.markDone(*index);
        }
        report.steps.append(step);
    }
    if (!dryRun)
        journal.endBatch();
    return report;
}

UndoReport undoLatest(RenameJournal &journal, bool dryRun, const QSet<QString> &among)
{
    QString error;
    const QList<JournalBatch> batches = RenameJournal::readBatches(journal.path(), &error);
    if (!error.isEmpty())
        return {std::nullopt, {}, error};
    const std::optional<JournalBatch> batch = undoableBatch(batches, among);
    return batch ? undoBatch(journal, *batch, dryRun) : UndoReport();
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
    }
    return {};
}

} // namespace tolvane
