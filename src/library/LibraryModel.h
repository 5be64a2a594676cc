#pragma once

#include "library/CompanionFiles.h"
#include "library/LookupAll.h"
#include "library/LookupQueue.h"
#include "library/MovieItem.h"
#include "library/RenameSession.h"
#include "lookup/MovieLookup.h"

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <optional>

namespace tolvane {

class DesktopServices;

/// Produces a file's technical summary from its exact path bytes; never fails and never returns
/// an empty list.
using MediaProbe = std::function<QCoro::Task<QList<MediaInfoRow>>(QByteArray nativePath)>;

/// A row taken out of the list, with the position it had.
struct RemovedRow {
    qsizetype position = 0;
    MovieItemPtr item;
};

/// Consecutive positions of the list, `first` to `last` inclusive.
struct RowRange {
    qsizetype first = 0;
    qsizetype last = 0;

    bool operator==(const RowRange &) const = default;
};

/// The one model of the application, the façade the window and the command line call: it holds
/// the rows, the selection and the status line, and hands lookups to its LookupQueue and renames
/// to its RenameSession. Main thread only; views observe its signals and call its operations.
class LibraryModel : public QObject {
    Q_OBJECT
public:
    explicit LibraryModel(QObject *parent = nullptr);
    ~LibraryModel() override;

    /// The desktop the model asks for file choosers and file-manager windows; may be null (no window).
    void setDesktopServices(DesktopServices *services) { m_desktop = services; }
    /// What lookups send with and which engines they ask; the standard ones unless set.
    void setLookup(MovieLookup lookup) { m_queue.setLookup(std::move(lookup)); }
    void setLookupEngines(LookupEngines engines) { m_queue.setEngines(std::move(engines)); }
    /// What fills a new row's media summary after an intake; a null probe leaves it empty.
    void setMediaProbe(MediaProbe probe) { m_mediaProbe = std::move(probe); }

    const QList<MovieItemPtr> &items() const { return m_items; }
    const QSet<QUuid> &selectedIDs() const { return m_selectedIDs; }
    void setSelectedIDs(const QSet<QUuid> &ids);
    QList<MovieItemPtr> selectedItems() const;
    MovieItemPtr selectedItem() const;
    const std::optional<QUrl> &folderURL() const { return m_folderURL; }
    const QString &statusText() const { return m_statusText; }

    // Intake.
    /// Replaces the list by the video files found at these file URLs (folders are scanned). The
    /// folders are walked and the rows made on the work pool; the list changes when that is done,
    /// then intakeFinished() is emitted. A newer intake started meanwhile wins: the older one's
    /// rows are dropped.
    QCoro::Task<> addURLs(QList<QUrl> urls);
    /// Asks the desktop for files (and folders, where its chooser can) and takes them in as a drop.
    void chooseFilesToOpen();
    /// As chooseFilesToOpen, for one folder.
    void chooseFolderToOpen();
    /// Takes these rows out of the list (unknown ids are skipped) and cancels their lookups;
    /// returns them with their former positions, ascending.
    QList<RemovedRow> removeItems(const QSet<QUuid> &ids);
    /// Puts rows back at their positions (ascending, each as it stands in the list once all are
    /// back). A row that was being looked up comes back not searched.
    void insertItems(const QList<RemovedRow> &rows);
    /// Puts `items` in place of the whole list, with `folder` as the list's folder, and returns
    /// the list it replaced. Lookups stop; rows that were being looked up come back not searched.
    QList<MovieItemPtr> replaceItems(QList<MovieItemPtr> items, std::optional<QUrl> folder);
    /// Shows the selected rows' files in the file manager.
    void revealSelected();

    // Rename.
    /// How new names are laid out (the settings' layout unless set); a change re-applies to every row.
    const NamingOptions &namingOptions() const { return m_namingOptions; }
    void setNamingOptions(const NamingOptions &options);
    void renameSelected();
    void renameAllReady();
    /// Moves the row's file to its proposed name and place (its film folder, made when missing),
    /// with its companion files and the .nfo to write, all or nothing, and puts a fresh row for it
    /// in the old one's place. A row already named stays as it is ("Already named: …"). None when
    /// renamed or already named, else the reason (also the row's failure, when the row could be
    /// renamed at all).
    std::optional<QString> rename(const MovieItemPtr &item);
    /// Makes the renames that follow, until endRenameBatch(), one batch of the journal (one undo),
    /// with the companion files of `rows` found at once, each folder read once. The bulk
    /// operations do this themselves; a caller renaming rows one by one (the command line) wraps
    /// them in it. Batches do not nest: an inner begin joins the open batch.
    void beginRenameBatch(const QList<MovieItemPtr> &rows) { m_session.beginBatch(rows); }
    void endRenameBatch() { m_session.endBatch(); }
    /// The journal renames are written to (RenameJournal::defaultPath() unless set); an empty
    /// path switches the journal, and with it undo, off.
    void setRenameJournalPath(const QString &path) { m_session.setJournalPath(path); }
    QString renameJournalPath() const { return m_session.journalPath(); }

    // Undo.
    /// True when this session has renamed files that have not been moved back.
    bool canUndoRename() const { return m_session.canUndo(); }
    /// Moves the files of this session's newest rename batch back (off the GUI thread) and puts
    /// its rows back under their old names with the replies, choice and postfix the rename kept;
    /// the status line reads "Undone: N file(s)". Files moved or taken meanwhile stay where they
    /// are and are counted in the status line. renameUndone() follows.
    QCoro::Task<> undoLastRename() { return m_session.undoLast(); }

    // Lookup.
    /// True when at least one row is not searching.
    bool canLookup() const;
    /// Queues the selected rows, or every row when none is selected.
    void lookupSelected();
    /// Cancels every lookup and empties the queue; row statuses stay as they are.
    void cancelAllLookups() { m_queue.cancelAll(); }
    /// Lookups started and not yet ended; 0 once the queue has run dry.
    int activeLookupCount() const { return m_queue.activeCount(); }
    /// Opens the Google results for `query` in the default browser.
    void openGoogleSearch(const QString &query);
    /// Opens the Google results for the base name of the selected row's chosen match (title,
    /// year and alternative title; no postfix). Nothing when that row has no chosen match.
    void checkSelected();
    /// Recomputes the status line from the rows' statuses (after a row's choice changed).
    void updateSummaryStatus();

Q_SIGNALS:
    /// Rows left the list; `ranges` are their former positions, ascending.
    void rowsRemoved(const QList<tolvane::RowRange> &ranges);
    /// Rows came into the list; `ranges` are their positions in the list as it is now, ascending.
    void rowsInserted(const QList<tolvane::RowRange> &ranges);
    /// The row at `position` is another row (a rename, or its undo).
    void rowReplaced(qsizetype position);
    /// The whole list is another one (an intake, or replaceItems()).
    void listReset();
    /// An intake has replaced the list; `previous` is the list it replaced, in its folder.
    void listReplacedByIntake(QList<tolvane::MovieItemPtr> previous, std::optional<QUrl> previousFolder);
    void selectedIDsChanged();
    void folderURLChanged();
    void statusTextChanged();
    /// The queue has run dry: nothing waits and nothing runs.
    void lookupsFinished();
    /// An intake has put its rows in the list (or found none).
    void intakeFinished();
    void canUndoRenameChanged();
    /// An undoLastRename() has ended (whatever it could move back).
    void renameUndone();

private:
    void setItems(QList<MovieItemPtr> items);
    void replaceRow(qsizetype position, MovieItemPtr row);
    /// Keeps what of the selection is still listed, else selects the first row.
    void keepSelectionListed(const QSet<QUuid> &selection);
    void setStatusText(const QString &text);
    void setFolderURL(const std::optional<QUrl> &url);
    void startMediaProbes();

    QList<MovieItemPtr> m_items;
    QSet<QUuid> m_selectedIDs;
    std::optional<QUrl> m_folderURL;
    QString m_statusText;
    DesktopServices *m_desktop = nullptr;
    quint64 m_intakeCount = 0;
    MediaProbe m_mediaProbe;
    NamingOptions m_namingOptions;
    LookupQueue m_queue;
    RenameSession m_session;
};

} // namespace tolvane
