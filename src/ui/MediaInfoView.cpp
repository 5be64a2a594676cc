#include "ui/MediaInfoView.h"

#include "ui/Fonts.h"
#include "ui/NamedColors.h"

#include <QAbstractListModel>
#include <QCoreApplication>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>

namespace tolvane {

/// The shown row's media summary, read from the row; reset when the row or its summary changes.
class MediaInfoListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    static constexpr int valueRole = Qt::UserRole + 1;

    void setRows(QList<MediaInfoRow> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size())
            return {};
        const MediaInfoRow &row = m_rows[index.row()];
        switch (role) {
        case Qt::DisplayRole:
            return row.key;
        case valueRole:
            return row.value;
        case Qt::AccessibleTextRole:
            return row.key + QStringLiteral(": ") + row.value;
        default:
            return {};
        }
    }

private:
    QList<MediaInfoRow> m_rows;
};

namespace {

/// One media line: the key in a column 100 wide, the value beside it in at most two lines.
class MediaInfoDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QFont font = fonts::caption(option.font);
        const QRect area = option.rect.adjusted(0, 2, 0, -2);
        painter->save();
        painter->setFont(font);
        painter->setPen(secondaryTextColor(option.palette));
        painter->drawText(QRect(area.left(), area.top(), keyWidth - 4, area.height()), Qt::AlignLeft | Qt::AlignTop,
            QFontMetrics(font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, keyWidth - 4));
        painter->setPen(option.palette.text().color());
        painter->drawText(area.adjusted(keyWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
            index.data(MediaInfoListModel::valueRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QFontMetrics metrics(fonts::caption(option.font));
        const int width = std::max(40, option.rect.width() - keyWidth);
        const QString value = index.data(MediaInfoListModel::valueRole).toString();
        const bool wraps = metrics.horizontalAdvance(value) > width;
        return {option.rect.width(), (wraps ? 2 : 1) * metrics.lineSpacing() + 4};
    }

private:
    static constexpr int keyWidth = 100;
};

} // namespace

MediaInfoView::MediaInfoView(QWidget *parent)
    : QListView(parent)
    , m_model(new MediaInfoListModel(this))
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    //: The media summary, as the MediaInfo tool reads the file
    setAccessibleName(QCoreApplication::translate("MediaInfoView", "MediaInfo"));
    setModel(m_model);
    setItemDelegate(new MediaInfoDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(false);
}

void MediaInfoView::setRows(QList<MediaInfoRow> rows)
{
    m_model->setRows(std::move(rows));
    updateGeometry();
}

QSize MediaInfoView::sizeHint() const
{
    // Rows measured at the width the list lays them out at (sizeHintForRow gives none).
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = viewport()->rect();
    int height = 0;
    for (int row = 0; row < m_model->rowCount(); ++row)
        height += itemDelegate()->sizeHint(option, m_model->index(row, 0)).height();
    return {QListView::sizeHint().width(), height + 2 * frameWidth()};
}

QSize MediaInfoView::minimumSizeHint() const
{
    return {QListView::minimumSizeHint().width(), sizeHint().height()};
}

void MediaInfoView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    // Values wrap to the width: another width may take another height.
    if (event->size().width() != event->oldSize().width())
        updateGeometry();
}

} // namespace tolvane
