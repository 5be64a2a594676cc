#include "ui/LibraryListModel.h"

#include <algorithm>

namespace tolvane {

LibraryListModel::LibraryListModel(LibraryModel &library, QObject *parent)
    : QAbstractListModel(parent)
    , m_library(library)
{
    connect(&m_library, &LibraryModel::itemsChanged, this, &LibraryListModel::syncItems);
    syncItems();
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

void LibraryListModel::syncItems()
{
    const QList<MovieItemPtr> &next = m_library.items();
    // A rename puts a fresh row in the old one's place: same length, a few rows differ. A new
    // list of the same length is an intake and resets like any other.
    constexpr qsizetype mostReplacedInPlace = 16;
    qsizetype replaced = 0;
    if (next.size() == m_items.size()) {
        for (qsizetype row = 0; row < next.size() && replaced <= mostReplacedInPlace; ++row)
            replaced += next[row] == m_items[row] ? 0 : 1;
    }
    if (next.size() == m_items.size() && replaced <= mostReplacedInPlace) {
        for (qsizetype row = 0; row < next.size(); ++row) {
            if (next[row] == m_items[row])
                continue;
            m_positions.remove(m_items[row]->id());
            unwatch(m_items[row].get());
            m_items[row] = next[row];
            m_positions.insert(next[row]->id(), int(row));
            m_ids[row] = next[row]->id();
            watch(next[row].get());
            const QModelIndex changed = index(int(row));
            Q_EMIT dataChanged(changed, changed);
        }
        return;
    }

    if (next.size() < m_items.size()) {
        // A removal keeps the order of the rows it leaves: remove the missing runs from the end.
        QSet<const MovieItem *> kept;
        for (const MovieItemPtr &item : next)
            kept.insert(item.get());
        qsizetype matched = 0;
        for (const MovieItemPtr &item : std::as_const(m_items))
            matched += kept.contains(item.get()) ? 1 : 0;
        if (matched == next.size()) {
            for (qsizetype row = m_items.size() - 1; row >= 0;) {
                if (kept.contains(m_items[row].get())) {
                    --row;
                    continue;
                }
                qsizetype first = row;
                while (first > 0 && !kept.contains(m_items[first - 1].get()))
                    --first;
                for (qsizetype gone = first; gone <= row; ++gone)
                    unwatch(m_items[gone].get());
                beginRemoveRows({}, int(first), int(row));
                m_items.remove(first, row - first + 1);
                m_ids.remove(first, row - first + 1);
                endRemoveRows();
                row = first - 1;
            }
            rebuildPositions();
            return;
        }
    }

    beginResetModel();
    for (const MovieItemPtr &item : std::as_const(m_items))
        unwatch(item.get());
    m_items = next;
    for (const MovieItemPtr &item : std::as_const(m_items))
        watch(item.get());
    rebuildPositions();
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

void LibraryListModel::rebuildPositions()
{
    m_positions.clear();
    m_positions.reserve(m_items.size());
    m_ids.clear();
    m_ids.reserve(m_items.size());
    for (qsizetype row = 0; row < m_items.size(); ++row) {
        m_ids.append(m_items[row]->id());
        m_positions.insert(m_ids.last(), int(row));
    }
}

} // namespace tolvane
