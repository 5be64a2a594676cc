#include "ui/LibraryListModel.h"

#include <algorithm>

namespace tolvane {

LibraryListModel::LibraryListModel(LibraryModel &library, QObject *parent)
    : QAbstractListModel(parent)
    , m_library(library)
{
    connect(&m_library, &LibraryModel::rowsRemoved, this, &LibraryListModel::followRemoval);
    connect(&m_library, &LibraryModel::rowsInserted, this, &LibraryListModel::followInsertion);
    connect(&m_library, &LibraryModel::rowReplaced, this, &LibraryListModel::followReplacement);
    connect(&m_library, &LibraryModel::listReset, this, &LibraryListModel::followReset);
    followReset();
}

LibraryListModel::~LibraryListModel()
{
    for (const MovieItemPtr &item : std::as_const(m_items))
        unwatch(item.get());
}

int LibraryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant LibraryListModel::data(const QModelIndex &index, int role) const
{
    MovieItem *item = itemAt(index);
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return item->originalName();
    case Qt::AccessibleTextRole:
        // Screen readers and outside tests read a row as its name and its status line.
        return item->originalName() + QStringLiteral(", ") + item->statusDisplayText();
    case StatusTextRole:
        return item->statusDisplayText();
    case ItemRole:
        return QVariant::fromValue(static_cast<void *>(item));
    default:
        return {};
    }
}

MovieItem *LibraryListModel::itemAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this || index.row() >= m_items.size())
        return nullptr;
    return m_items.at(index.row()).get();
}

int LibraryListModel::rowOf(const QUuid &id) const
{
    if (m_positionsFrom < m_ids.size()) {
        m_positions.reserve(m_ids.size());
        for (qsizetype row = m_positionsFrom; row < m_ids.size(); ++row)
            m_positions.insert(m_ids[row], int(row));
        m_positionsFrom = m_ids.size();
    }
    return m_positions.value(id, -1);
}

QItemSelection LibraryListModel::selectionFor(const QSet<QUuid> &ids) const
{
    QList<int> rows;
    rows.reserve(ids.size());
    for (const QUuid &id : ids) {
        if (const int row = rowOf(id); row >= 0)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype end = i;
        while (end + 1 < rows.size() && rows[end + 1] == rows[end] + 1)
            ++end;
        selection.select(index(rows[i]), index(rows[end]));
        i = end + 1;
    }
    return selection;
}

QSet<QUuid> LibraryListModel::idsIn(const QItemSelection &selection) const
{
    // Sized first: growing a set of 100 000 ids as Ctrl+A fills it costs three times the inserts.
    qsizetype count = 0;
    for (const QItemSelectionRange &range : selection)
        count += range.height();
    QSet<QUuid> ids;
    if (count > 0)
        ids.reserve(std::min(count, m_ids.size())); // a stale selection may reach past the rows
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom() && row < m_ids.size(); ++row)
            ids.insert(m_ids.at(row));
    }
    return ids;
}

void LibraryListModel::followRemoval(const QList<RowRange> &ranges)
{
    // From the last range back, so the earlier ranges' positions still hold.
    for (auto range = ranges.crbegin(); range != ranges.crend(); ++range) {
        for (qsizetype row = range->first; row <= range->last; ++row) {
            unwatch(m_items[row].get());
            m_positions.remove(m_ids[row]);
        }
        beginRemoveRows({}, int(range->first), int(range->last));
        m_items.remove(range->first, range->last - range->first + 1);
        m_ids.remove(range->first, range->last - range->first + 1);
        stalePositionsFrom(range->first);
        endRemoveRows();
    }
}

void LibraryListModel::followInsertion(const QList<RowRange> &ranges)
{
    // Ascending: each range's positions count the ranges before it as inserted already.
    const QList<MovieItemPtr> &next = m_library.items();
    for (const RowRange &range : ranges) {
        const qsizetype count = range.last - range.first + 1;
        const QList<MovieItemPtr> added = next.sliced(range.first, count);
        QList<QUuid> ids;
        ids.reserve(count);
        for (const MovieItemPtr &item : added) {
            ids.append(item->id());
            watch(item.get());
        }
        beginInsertRows({}, int(range.first), int(range.last));
        m_items = m_items.first(range.first) + added + m_items.sliced(range.first);
        m_ids = m_ids.first(range.first) + ids + m_ids.sliced(range.first);
        stalePositionsFrom(range.first);
        endInsertRows();
    }
}

void LibraryListModel::followReplacement(qsizetype position)
{
    const MovieItemPtr &next = m_library.items()[position];
    m_positions.remove(m_ids[position]);
    unwatch(m_items[position].get());
    m_items[position] = next;
    m_ids[position] = next->id();
    if (position < m_positionsFrom)
        m_positions.insert(next->id(), int(position));
    watch(next.get());
    const QModelIndex changed = index(int(position));
    Q_EMIT dataChanged(changed, changed);
}

void LibraryListModel::followReset()
{
    beginResetModel();
    for (const MovieItemPtr &item : std::as_const(m_items))
        unwatch(item.get());
    m_items = m_library.items();
    for (const MovieItemPtr &item : std::as_const(m_items))
        watch(item.get());
    m_ids.clear();
    m_ids.reserve(m_items.size());
    for (const MovieItemPtr &item : std::as_const(m_items))
        m_ids.append(item->id());
    m_positions.clear();
    m_positionsFrom = 0;
    endResetModel();
}

void LibraryListModel::watch(MovieItem *item)
{
    // Only what the list shows; the media summary and the postfix fields are the detail panel's.
    item->setRowWatcher(this);
}

void LibraryListModel::unwatch(MovieItem *item)
{
    // A removed row may live on in a lookup, and this list may go first.
    if (item->rowWatcher() == this)
        item->setRowWatcher(nullptr);
}

void LibraryListModel::rowChanged(MovieItem *item)
{
    if (const int row = rowOf(item->id()); row >= 0) {
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed);
    }
}

void LibraryListModel::stalePositionsFrom(qsizetype first)
{
    m_positionsFrom = std::min(m_positionsFrom, first);
}

} // namespace tolvane
