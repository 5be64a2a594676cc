#pragma once

#include "library/LibraryModel.h"

#include <QAbstractListModel>
#include <QHash>
#include <QItemSelection>
#include <QList>
#include <QSet>
#include <QUuid>

namespace tolvane {

/// LibraryModel's rows as a Qt item model for the file list. It follows the model's exact row
/// signals: a changed row emits dataChanged for that row alone, a removal removes rows, an
/// insertion inserts them, a rename replaces one row in place; only a new list resets the model.
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
    void followRemoval(const QList<RowRange> &ranges);
    void followInsertion(const QList<RowRange> &ranges);
    void followReplacement(qsizetype position);
    void followReset();
    void watch(MovieItem *item);
    void unwatch(MovieItem *item);
    void rowChanged(MovieItem *item) override;
    /// Marks the positions of the rows from `first` on as out of date.
    void stalePositionsFrom(qsizetype first);

    LibraryModel &m_library;
    /// The list as this model last published it; the library's own may have moved on.
    QList<MovieItemPtr> m_items;
    /// The rows' ids in row order: Ctrl+A on a long list reads them without visiting every row.
    QList<QUuid> m_ids;
    /// The id → row map, renumbered when next asked: a removal of many scattered rows would
    /// otherwise renumber the rows after each of them.
    mutable QHash<QUuid, int> m_positions;
    /// The first row whose entry in m_positions may be out of date.
    mutable qsizetype m_positionsFrom = 0;
};

} // namespace tolvane
