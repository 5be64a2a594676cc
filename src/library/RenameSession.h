#pragma once

#include "library/CompanionFiles.h"
#include "library/MovieItem.h"
#include "library/RenamePlan.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>

namespace tolvane {

class RenameJournal;

/// This session's renames: the batch being renamed (its journal and its rows' companion files,
/// found once) and the batches renamed so far, newest last, which undoLast() takes back through
/// the journal. Main thread only.
class RenameSession : public QObject {
    Q_OBJECT
public:
    explicit RenameSession(QObject *parent = nullptr);
    ~RenameSession() override;

    /// The journal renames are written to (RenameJournal::defaultPath() unless set); an empty
    /// path switches the journal, and with it undo, off.
    void setJournalPath(const QString &path) { m_journalPath = path; }
    QString journalPath() const;

    /// Makes the renames that follow, until endBatch(), one batch of the journal, with the
    /// rename options read and the companion files of `rows` found at once. Batches do not nest:
    /// an inner begin joins the open batch.
    void beginBatch(const QList<MovieItemPtr> &rows);
    void endBatch();
    /// The row's rename planned against the disk as it is now, with the batch's options.
    PlannedRename plan(const MovieItemPtr &item) const;
    /// Carries out `plan` all or nothing, journalled in the open batch. None when done, else the
    /// reason.
    std::optional<QString> carryOut(const PlannedRename &plan);
    /// Notes for the undo that the row `freshID` now stands for `old`'s file, renamed to `newName`.
    void recordRename(const MovieItem &old, const QUuid &freshID, const QString &newName);

    /// True when this session has renamed files that have not been moved back.
    bool canUndo() const;
    /// Moves the files of the newest batch back (off the GUI thread); rowRestored() for each row
    /// whose file is back, then undone().
    QCoro::Task<> undoLast();

Q_SIGNALS:
    void canUndoChanged();
    /// The file of row `freshID` is back under its old name: `restored` stands for it, with the
    /// choices and media summary the rename kept.
    void rowRestored(const QUuid &freshID, tolvane::MovieItemPtr restored);
    /// An undoLast() has ended; `status` tells what it moved back.
    void undone(const QString &status);

private:
    /// What a rename keeps of the row it replaces, to bring it back on undo.
    struct RenamedRow {
        QUuid freshID;
        QByteArray oldPath;
        NamingOptions naming;
        RowChoices choices;
        QList<MediaInfoRow> mediaInfo;
        QString renamedTo;
    };
    struct SessionBatch {
        QString journalID;
        QList<RenamedRow> rows;
    };
    void setUndoing(bool undoing);
    void restoreRow(const RenamedRow &renamed);

    std::optional<QString> m_journalPath;
    std::unique_ptr<RenameJournal> m_journal; ///< open during a batch
    int m_batchDepth = 0;
    QHash<const MovieItem *, QList<CompanionMove>> m_batchCompanions;
    RenameOptions m_batchOptions;
    SessionBatch m_openBatch;
    QList<SessionBatch> m_batches; ///< newest last
    bool m_undoing = false;
};

} // namespace tolvane
