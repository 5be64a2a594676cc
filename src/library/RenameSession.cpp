#include "RenameSession.h"

#include "library/RenameJournal.h"
#include "library/RenamePlan.h"
#include "library/RenameUndo.h"
#include "settings/AppSettings.h"
#include "support/WorkPool.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QPointer>

namespace tolvane {

RenameSession::RenameSession(QObject *parent)
    : QObject(parent)
{
}

RenameSession::~RenameSession() = default;

QString RenameSession::journalPath() const
{
    return m_journalPath.value_or(RenameJournal::defaultPath());
}

void RenameSession::beginBatch(const QList<MovieItemPtr> &rows)
{
    if (m_batchDepth++ > 0)
        return;
    m_batchOptions = RenameOptions::fromSettings();
    m_batchCompanions = m_batchOptions.moveCompanions ? planCompanions(rows)
                                                      : QHash<const MovieItem *, QList<CompanionMove>>();
    const QString path = journalPath();
    if (!path.isEmpty()) {
        m_journal = std::make_unique<RenameJournal>(path);
        m_journal->beginBatch();
    }
    m_openBatch = {m_journal ? m_journal->batchId() : QString(), {}};
}

void RenameSession::endBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return;
    m_journal.reset();
    m_batchCompanions.clear();
    const bool could = canUndo();
    // Without a journal there is nothing to undo from.
    if (!m_openBatch.rows.isEmpty() && !m_openBatch.journalID.isEmpty())
        m_batches.append(std::move(m_openBatch));
    m_openBatch = {};
    if (canUndo() != could)
        Q_EMIT canUndoChanged();
}

PlannedRename RenameSession::plan(const MovieItemPtr &item) const
{
    const RenameOptions options = m_batchDepth > 0 ? m_batchOptions : RenameOptions::fromSettings();
    // In a batch, its companions were found with the others'.
    const auto found = item ? m_batchCompanions.constFind(item.get()) : m_batchCompanions.cend();
    const QList<CompanionMove> companions = found != m_batchCompanions.cend() ? *found
        : item && options.moveCompanions                                      ? companionMovesFor(*item)
                                                                              : QList<CompanionMove>();
    return planRename(item, companions, options);
}

std::optional<QString> RenameSession::carryOut(const PlannedRename &plan)
{
    // What can be told without moving was told the same way a dry run tells it; each step still
    // refuses atomically to replace a file that appears meanwhile, and the row is all or nothing.
    return performRename(plan, m_journal.get());
}

void RenameSession::recordRename(const MovieItem &old, const QUuid &freshID, const QString &newName)
{
    if (m_journal)
        m_openBatch.journalID = m_journal->batchId();
    m_openBatch.rows.append({freshID, old.nativePath(), old.namingOptions(), old.choices(), old.mediaInfo(), newName});
}

bool RenameSession::canUndo() const
{
    return !m_undoing && !m_batches.isEmpty();
}

void RenameSession::setUndoing(bool undoing)
{
    const bool could = canUndo();
    m_undoing = undoing;
    if (canUndo() != could)
        Q_EMIT canUndoChanged();
}

void RenameSession::restoreRow(const RenamedRow &renamed)
{
    auto restored = std::make_shared<MovieItem>(renamed.oldPath);
    restored->setNamingOptions(renamed.naming);
    restored->restoreChoices(renamed.choices);
    restored->setMediaInfo(renamed.mediaInfo);
    restored->setStatus(LookupStatus::ready());
    // Ready to be renamed again to the name it had.
    restored->setProposedName(renamed.renamedTo);
    Q_EMIT rowRestored(renamed.freshID, std::move(restored));
}

QCoro::Task<> RenameSession::undoLast()
{
    if (!canUndo())
        co_return;
    setUndoing(true);
    const SessionBatch batch = m_batches.takeLast();
    const QString path = journalPath();
    QPointer<RenameSession> self(this);
    // The journal is read and the files moved off the GUI thread.
    const QSet<QString> among{batch.journalID};
    const QFuture<UndoReport> undoing = runInWorkPool([path, among] {
        RenameJournal journal(path);
        return undoLatest(journal, false, among);
    });
    const UndoReport report = co_await undoing;
    if (!self)
        co_return;
    QSet<QByteArray> back;
    int left = 0;
    for (const UndoStep &step : report.steps) {
        if (step.kind == UndoStep::Kind::moved && step.action == JournalMove::Kind::move)
            back.insert(step.original);
        else if (step.kind != UndoStep::Kind::moved && step.kind != UndoStep::Kind::kept)
            ++left;
    }
    for (const RenamedRow &renamed : batch.rows) {
        if (back.contains(renamed.oldPath))
            restoreRow(renamed);
    }
    QString status;
    if (report.error) {
        // Nothing moved: the batch can be tried again.
        m_batches.append(batch);
        status = *report.error;
    } else if (!report.batch) {
        status = QCoreApplication::translate("Rename", "Nothing to undo: the renames were undone elsewhere");
    } else if (left > 0) {
        // Still partly renamed: undoable again, for what is left, once its obstacle is gone.
        m_batches.append(batch);
        status = QCoreApplication::translate(
            "Rename", "Undone: %n file(s); %1 left where they are", nullptr, int(back.size()))
                     .arg(left);
    } else {
        status = QCoreApplication::translate("Rename", "Undone: %n file(s)", nullptr, int(back.size()));
    }
    setUndoing(false);
    Q_EMIT undone(status);
}

} // namespace tolvane
