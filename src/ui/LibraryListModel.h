#pragma once

#include "library/LibraryModel.h"

#include <QAbstractListModel>
#include <QHash>
#include <QItemSelection>
#include <QList>
#include <QSet>
#include <QUuid>

namespace tolvane {

/// LibraryModel's rows as a Qt item model for the file list. Positions follow the model's list;
/// a changed row emits dataChanged for that row alone, a removal removes rows, a rename replaces
/// one row in place; only an intake (a new list) resets the whole model.
class LibraryListModel : public QAbstractListModel, private RowWatcher {
    Q_OBJECT
public:
    enum Role {
        ItemRole = Qt::UserRole + 1, ///< the row's MovieItem *, valid while the row is listed
        StatusTextRole,
    };

    explicit LibraryListModel(LibraryModel &library, QObject *parent = nullptr);
    ~LibraryListModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    MovieItem *itemAt(const QModelIndex &index) const;
    /// The row of the item with `id`, or -1.
    int rowOf(const QUuid &id) const;
    /// The rows of these ids as few contiguous ranges; unknown ids are skipped.
    QItemSelection selectionFor(const QSet<QUuid> &ids) const;
    /// The ids of the rows in `selection`.
    QSet<QUuid> idsIn(const QItemSelection &selection) const;

private:
    void syncItems();
    void watch(MovieItem *item);
    void unwatch(MovieItem *item);
    void rowChanged(MovieItem *item) override;
    void rebuildPositions();

    LibraryModel &m_library;
    /// The list as this model last published it; the library's own may have moved on.
    QList<MovieItemPtr> m_items;
    /// The rows' ids in row order: Ctrl+A on a long list reads them without visiting every row.
    QList<QUuid> m_ids;
    QHash<QUuid, int> m_positions;
};

} // namespace tolvane
