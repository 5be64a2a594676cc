#pragma once

#include "library/MovieItem.h"
#include "support/CancellationHandle.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <memory>
#include <optional>

namespace tolvane {

class DesktopServices;

using MovieItemPtr = std::shared_ptr<MovieItem>;

/// The one model of the application: the rows, the selection, the status line and the lookup
/// queue. Main thread only; views observe its signals and call its operations.
class LibraryModel : public QObject {
    Q_OBJECT
public:
    static constexpr int maxConcurrentLookups = 8;

    explicit LibraryModel(QObject *parent = nullptr);
    ~LibraryModel() override;

    /// The desktop the model asks for panels and file-manager windows; may be null (no window).
    void setDesktopServices(DesktopServices *services) { m_desktop = services; }

    const QList<MovieItemPtr> &items() const { return m_items; }
    const QSet<QUuid> &selectedIDs() const { return m_selectedIDs; }
    const std::optional<QUrl> &folderURL() const { return m_folderURL; }
    const QString &statusText() const { return m_statusText; }
    bool isBusy() const { return false; }

    void setSelectedIDs(const QSet<QUuid> &ids);

    QList<MovieItemPtr> selectedItems() const;
    MovieItemPtr selectedItem() const;

    // Intake.
    /// Replaces the list by the video files found at these file URLs (folders are scanned).
    void addURLs(const QList<QUrl> &urls);
    void showOpenPanel();
    void removeItems(const QSet<QUuid> &ids);
    void revealSelectedInFinder();

    // Rename.
    void renameSelected();
    void renameAllReady();
    void rename(const MovieItemPtr &item);

    // Lookup queue state.
    const QHash<QUuid, std::shared_ptr<CancellationHandle>> &lookupTasks() const { return m_lookupTasks; }
    const QList<QUuid> &pendingLookupIDs() const { return m_pendingLookupIDs; }
    int activeLookupCount() const { return m_activeLookupCount; }
    /// Cancels every lookup and empties the queue; row statuses stay as they are.
    void cancelAllLookups();
    /// Recomputes the status line from the rows' statuses.
    void updateSummaryStatus();

Q_SIGNALS:
    void itemsChanged();
    void selectedIDsChanged();
    void folderURLChanged();
    void statusTextChanged();

private:
    void setItems(QList<MovieItemPtr> items);
    void setStatusText(const QString &text);
    void setFolderURL(const std::optional<QUrl> &url);

    QList<MovieItemPtr> m_items;
    QSet<QUuid> m_selectedIDs;
    std::optional<QUrl> m_folderURL;
    QString m_statusText;
    QHash<QUuid, std::shared_ptr<CancellationHandle>> m_lookupTasks;
    QList<QUuid> m_pendingLookupIDs;
    int m_activeLookupCount = 0;
    DesktopServices *m_desktop = nullptr;
};

} // namespace tolvane
