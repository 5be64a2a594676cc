#include "ui/MovieRowDelegate.h"

#include "library/MovieItem.h"
#include "ui/Fonts.h"
#include "ui/LibraryListModel.h"
#include "ui/RowStyle.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace tolvane {

namespace {

constexpr int sidePadding = 8;
constexpr int verticalPadding = 3;
constexpr int lineSpacing = 3;
constexpr int dotSize = 7;
constexpr int dotSpacing = 6;
constexpr int badgeSpacing = 3;
constexpr int minimumGap = 4;

struct RowLayout {
    QRect nameLine;
    QRect statusLine;
};

int statusLineHeight(const QFont &body)
{
    const int badgeHeight = QFontMetrics(fonts::badge()).height() + 2;
    return std::max(QFontMetrics(fonts::callout(body)).height(), badgeHeight);
}

RowLayout layoutRow(const QRect &rect, const QFont &body)
{
    const QRect inner = rect.adjusted(sidePadding, verticalPadding, -sidePadding, -verticalPadding);
    const int nameHeight = QFontMetrics(body).height();
    RowLayout layout;
    layout.nameLine = QRect(inner.left(), inner.top(), inner.width(), nameHeight);
    layout.statusLine
        = QRect(inner.left(), layout.nameLine.bottom() + 1 + lineSpacing, inner.width(), statusLineHeight(body));
    return layout;
}

MovieItem *itemOf(const QModelIndex &index)
{
    return static_cast<MovieItem *>(index.data(LibraryListModel::ItemRole).value<void *>());
}

} // namespace

QList<QRect> MovieRowDelegate::badgeRects(const QRect &rowRect, const QFont &bodyFont)
{
    const QRect line = layoutRow(rowRect, bodyFont).statusLine;
    const QFontMetrics metrics(fonts::badge());
    const int width = metrics.horizontalAdvance(QLatin1Char('W')) + 8;
    const int height = metrics.height() + 2;
    QList<QRect> rects;
    int left = line.right() + 1 - 3 * width - 2 * badgeSpacing;
    for (int i = 0; i < 3; ++i) {
        rects.append(QRect(left, line.center().y() - height / 2, width, height));
        left += width + badgeSpacing;
    }
    return rects;
}

QSize MovieRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const int height = 2 * verticalPadding + QFontMetrics(option.font).height() + lineSpacing
        + statusLineHeight(option.font);
    return {320, height};
}

void MovieRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const MovieItem *item = itemOf(index);
    if (!item)
        return;

    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &palette = option.palette;
    const auto colour = [&](Tone tone) {
        if (selected && (tone == Tone::primary || tone == Tone::secondary))
            return palette.color(QPalette::HighlightedText);
        return toneColor(tone, palette);
    };
    const RowLayout layout = layoutRow(option.rect, option.font);

    painter->setFont(option.font);
    painter->setPen(colour(Tone::primary));
    const QFontMetrics nameMetrics(option.font);
    painter->drawText(layout.nameLine, Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(item->originalName(), Qt::ElideMiddle, layout.nameLine.width()));

    const RowStatusStyle status = rowStatusStyle(*item);
    const QRect line = layout.statusLine;
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour(status.dot));
    painter->drawEllipse(QRectF(line.left(), line.center().y() - dotSize / 2.0 + 0.5, dotSize, dotSize));

    const QList<EngineReply> &replies = item->engineReplies();
    const QList<QRect> badges = badgeRects(option.rect, option.font);
    const int textLeft = line.left() + dotSize + dotSpacing;
    const int textRight = replies.isEmpty() ? line.right() : badges.first().left() - minimumGap;
    const QFont callout = fonts::callout(option.font);
    painter->setFont(callout);
    painter->setPen(colour(status.textTone));
    const QRect textRect(textLeft, line.top(), std::max(0, textRight - textLeft), line.height());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(callout).elidedText(status.text, Qt::ElideMiddle, textRect.width()));

    if (!replies.isEmpty()) {
        painter->setFont(fonts::badge());
        for (int i = 0; i < 3; ++i) {
            const BadgeStyle badge = badgeStyle(allSearchEngines[i], replies, item->chosenEngine());
            QColor fill = toneColor(badge.background, palette);
            fill.setAlphaF(badge.backgroundOpacity);
            QPainterPath shape;
            shape.addRoundedRect(badges[i], 3, 3);
            painter->fillPath(shape, fill);
            painter->setPen(colour(badge.letterTone));
            painter->drawText(badges[i], Qt::AlignCenter, QString(badge.letter));
        }
    }
    painter->restore();
}

bool MovieRowDelegate::helpEvent(
    QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const MovieItem *item = itemOf(index);
    if (event->type() != QEvent::ToolTip || !item || item->engineReplies().isEmpty())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QList<QRect> badges = badgeRects(option.rect, option.font);
    for (int i = 0; i < 3; ++i) {
        if (badges[i].contains(event->pos())) {
            const BadgeStyle badge = badgeStyle(allSearchEngines[i], item->engineReplies(), item->chosenEngine());
            QToolTip::showText(event->globalPos(), badge.help, view->viewport(), badges[i]);
            return true;
        }
    }
    QToolTip::hideText();
    return true;
}

} // namespace tolvane
