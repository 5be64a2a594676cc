#pragma once

#include "library/LibraryModel.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

namespace tolvane {

/// What a batch rename did, or would do, with one row.
struct RenameOutcome {
    enum class Kind {
        renamed,
        planned, ///< a dry run found nothing in the way
        failed, ///< the rename failed, or a dry run found what would make it fail
        skipped, ///< the row had nothing to rename
        notReached, ///< the batch was stopped before this row
    };
    Kind kind = Kind::skipped;
    MovieItemPtr item; ///< the row as it was before the batch
    std::optional<QString> targetName;
    std::optional<QString> message;
};

/// "renamed", "planned", …: the outcome's word in saved output.
QString rawValue(RenameOutcome::Kind kind);

/// Looks every row of a model up as one batch and then, if asked, renames the ready rows one by
/// one: what the command line runs, and what a window's "look up and rename all" would. Uses the
/// model's public operations and the rows' signals only, so rows of one search (the parts of a
/// film) share one lookup as they do in the window. Main thread.
class BatchLookup : public QObject {
    Q_OBJECT
public:
    struct Options {
        /// Also wait until every row has its media summary (a model without a media probe never
        /// gets one).
        bool awaitMediaInfo = true;
    };

    explicit BatchLookup(LibraryModel *model, Options options, QObject *parent = nullptr);
    explicit BatchLookup(LibraryModel *model, QObject *parent = nullptr)
        : BatchLookup(model, Options(), parent)
    {
    }

    /// Looks every row up and completes once every lookup has ended (and every summary is in);
    /// false when cancel() came first, with the lookups cancelled.
    QCoro::Task<bool> lookUpAll();

    /// Rows whose lookup has ended, and rows in the batch.
    qsizetype rowsDone() const { return m_rowCount - m_unfinished.size(); }
    qsizetype rowCount() const { return m_rowCount; }

    /// What renameAll() would do to the rows now, moving nothing; a plan and a run of the same
    /// rows give the same outcomes and texts.
    QList<RenameOutcome> renamePlan() const;
    /// Renames the ready rows in list order, one move at a time, letting the event loop run in
    /// between so that cancel() stops the batch after the move in progress.
    QCoro::Task<QList<RenameOutcome>> renameAll();

    /// Stops the batch: cancels the lookups, or ends the renames before the next move.
    void cancel();
    bool isCancelled() const { return m_cancelled; }

Q_SIGNALS:
    /// rowsDone() changed.
    void progressChanged();
    /// Emitted when the lookups have settled or the batch was cancelled.
    void settled();

private:
    bool isSettled() const;
    void check();
    void watch(const MovieItemPtr &item);

    LibraryModel *m_model;
    Options m_options;
    qsizetype m_rowCount = 0;
    // Rows whose lookup or summary is still awaited, kept up to date by the rows' signals so that
    // each change costs the same however many rows there are.
    QSet<const MovieItem *> m_unfinished;
    QSet<const MovieItem *> m_unprobed;
    bool m_cancelled = false;
    bool m_lookingUp = false;
};

} // namespace tolvane
