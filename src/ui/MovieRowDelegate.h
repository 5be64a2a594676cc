#pragma once

#include <QList>
#include <QRect>
#include <QStyledItemDelegate>

namespace tolvane {

/// Paints one list row: the file name elided in the middle; the status dot, the status line in its
/// colour and the three engine badges below it. Every row has the same height, so the list lays
/// out 100 000 rows without measuring them; the badges' hover help comes from helpEvent.
class MovieRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

    /// Where the three badges sit in a row drawn in `rowRect`, in engine order.
    static QList<QRect> badgeRects(const QRect &rowRect, const QFont &bodyFont);
};

} // namespace tolvane
