#include "TitlePickers.h"

#include "library/NameBuilder.h"
#include "ui/Fonts.h"
#include "ui/NamedColors.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace tolvane {

QList<PickerOption> vkPickerOptions(const QList<MovieMatch> &candidates, const std::optional<QString> &selectedTitle)
{
    QList<PickerOption> options;
    for (const MovieMatch &candidate : candidates)
        options.append({candidate.title, candidate.year ? QString::number(*candidate.year) : QString(),
            selectedTitle && *selectedTitle == candidate.title});
    return options;
}

int vkPickerHeight(qsizetype count)
{
    return int(std::min<qsizetype>(count * 44 + 60, 420));
}

QList<PickerOption> altPickerOptions(const QString &title, std::optional<int> year, const QStringList &altTitles,
    const std::optional<QString> &selectedAlt)
{
    QList<PickerOption> options{{proposedBaseName(title, year, std::nullopt, std::nullopt, false),
        QCoreApplication::translate("TitlePickers", "Without [alt]"), !selectedAlt}};
    for (const QString &alt : altTitles)
        options.append({proposedBaseName(title, year, alt, std::nullopt, false), alt, selectedAlt && *selectedAlt == alt});
    return options;
}

namespace {

enum Role { secondLineRole = Qt::UserRole + 1, selectedRole };

/// Paints an option: the mark, then the main text and the second line, each at most two lines.
class OptionDelegate : public QStyledItemDelegate {
public:
    OptionDelegate(QFont mainFont, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_main(std::move(mainFont))
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem base = option;
        base.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &base, painter, option.widget);
        const QPalette &palette = option.palette;
        const QRect area = option.rect.adjusted(padding, 5, -padding, -5);
        const QRectF mark(area.left(), area.top() + 1, markSize, markSize);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (index.data(selectedRole).toBool()) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(namedColor(NamedColor::green, palette));
            painter->drawEllipse(mark);
            QPainterPath check;
            check.moveTo(mark.left() + 3.5, mark.center().y());
            check.lineTo(mark.left() + 6.5, mark.bottom() - 4);
            check.lineTo(mark.right() - 3.5, mark.top() + 4);
            painter->setPen(QPen(Qt::white, 1.6));
            painter->setBrush(Qt::NoBrush);
            painter->drawPath(check);
        } else {
            painter->setPen(QPen(secondaryTextColor(palette), 1.2));
            painter->drawEllipse(mark.adjusted(0.5, 0.5, -0.5, -0.5));
        }
        QRect text = area.adjusted(markSize + 8, 0, 0, 0);
        const QColor primary = option.state & QStyle::State_Selected ? palette.highlightedText().color()
                                                                      : palette.text().color();
        text.setTop(drawLines(painter, text, m_main, primary, index.data(Qt::DisplayRole).toString()) + 2);
        const QString second = index.data(secondLineRole).toString();
        if (!second.isEmpty())
            drawLines(painter, text, fonts::smallCaption(m_body), secondaryTextColor(palette), second);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int width = std::max(80, option.rect.width() > 0 ? option.rect.width() : 300) - 2 * padding - markSize - 8;
        int height = linesHeight(m_main, width, index.data(Qt::DisplayRole).toString());
        const QString second = index.data(secondLineRole).toString();
        if (!second.isEmpty())
            height += 2 + linesHeight(fonts::smallCaption(m_body), width, second);
        return {width, std::max(height, markSize) + 10};
    }

private:
    static constexpr int padding = 12;
    static constexpr int markSize = 14;

    static int linesHeight(const QFont &font, int width, const QString &text)
    {
        const QFontMetrics metrics(font);
        // Half a line of slack: a single line's box is taller than the line spacing in some fonts.
        const int lines
            = metrics.boundingRect(0, 0, width, 10000, Qt::TextWordWrap, text).height() > metrics.lineSpacing() * 3 / 2
            ? 2 : 1;
        return lines * metrics.lineSpacing();
    }

    /// Draws `text` wrapped to at most two lines; returns the bottom of what was drawn.
    static int drawLines(QPainter *painter, const QRect &area, const QFont &font, const QColor &color, const QString &text)
    {
        const QFontMetrics metrics(font);
        const int height = linesHeight(font, area.width(), text);
        painter->setFont(font);
        painter->setPen(color);
        // The rectangle holds two lines at most: the painter drops what runs longer.
        painter->drawText(QRect(area.left(), area.top(), area.width(), height), Qt::TextWordWrap | Qt::AlignLeft, text);
        return area.top() + height;
    }

    QFont m_main;
    QFont m_body = QApplication::font();
};

} // namespace

PickerPopup::PickerPopup(const QString &heading, const QString &caption, const QList<PickerOption> &options,
    bool monospaced, QWidget *parent)
    : QFrame(parent, Qt::Popup)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    setAccessibleName(heading);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 8);
    column->setSpacing(0);

    auto *title = new QLabel(heading, this);
    title->setFont(fonts::headline(font()));
    title->setContentsMargins(12, 8, 12, 2);
    column->addWidget(title);
    auto *subtitle = new QLabel(caption, this);
    subtitle->setFont(fonts::caption(font()));
    subtitle->setWordWrap(true);
    setTextColor(subtitle, secondaryTextColor(palette()));
    subtitle->setContentsMargins(12, 0, 12, 6);
    column->addWidget(subtitle);
    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    auto *model = new QStandardItemModel(this);
    for (const PickerOption &option : options) {
        auto *item = new QStandardItem(option.mainText);
        item->setData(option.secondLine, secondLineRole);
        item->setData(option.selected, selectedRole);
        item->setEditable(false);
        item->setAccessibleText(option.secondLine.isEmpty() ? option.mainText
                                                            : option.mainText + QStringLiteral(", ") + option.secondLine);
        model->appendRow(item);
    }
    m_list = new QListView(this);
    m_list->setAccessibleName(heading);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setModel(model);
    m_list->setItemDelegate(new OptionDelegate(
        monospaced ? fonts::caption(QFontDatabase::systemFont(QFontDatabase::FixedFont)) : font(), m_list));
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows wrap to the list's width, which is only known once the popup has its size.
    m_list->setResizeMode(QListView::Adjust);
    column->addWidget(m_list, 1);
    // A click chooses; so do Return and Enter on the current row.
    const auto choose = [this](const QModelIndex &index) {
        Q_EMIT chosen(index.row());
        close();
    };
    connect(m_list, &QListView::clicked, this, choose);
    connect(m_list, &QListView::activated, this, choose);
}

void PickerPopup::popUp(QWidget *anchor, int width, std::optional<int> height)
{
    if (height)
        setFixedSize(width, *height);
    else {
        setFixedWidth(width);
        // As high as its rows, within the screen.
        int rows = 0;
        for (int row = 0; row < m_list->model()->rowCount(); ++row)
            rows += m_list->sizeHintForRow(row);
        const int chrome = sizeHint().height() - m_list->sizeHint().height();
        setFixedHeight(std::min(chrome + rows + 4, 480));
    }
    QPoint position = anchor->mapToGlobal(QPoint(0, anchor->height()));
    if (const QScreen *screen = anchor->screen()) {
        QRect available = screen->availableGeometry();
        // Over its own window where that is wide enough, so it does not hang off the side.
        const QRect window = anchor->window()->frameGeometry();
        if (window.width() >= this->width()) {
            available.setLeft(std::max(available.left(), window.left()));
            available.setRight(std::min(available.right(), window.right()));
        }
        position.setX(std::clamp(position.x(), available.left(), std::max(available.left(), available.right() - this->width())));
        if (position.y() + this->height() > available.bottom())
            position.setY(std::max(available.top(), anchor->mapToGlobal(QPoint(0, 0)).y() - this->height()));
    }
    move(position);
    show();
    m_list->setFocus();
}

PickerPopup *makeVKTitlePicker(const QList<MovieMatch> &candidates, const std::optional<QString> &selectedTitle,
    QWidget *parent)
{
    return new PickerPopup(QCoreApplication::translate("TitlePickers", "VK titles"),
        QCoreApplication::translate("TitlePickers", "%n results — pick one", nullptr, int(candidates.size())),
        vkPickerOptions(candidates, selectedTitle), false, parent);
}

PickerPopup *makeYandexAltPicker(const QString &title, std::optional<int> year, const QStringList &altTitles,
    const std::optional<QString> &selectedAlt, QWidget *parent)
{
    return new PickerPopup(QCoreApplication::translate("TitlePickers", "Alternate title"),
        QCoreApplication::translate("TitlePickers", "Include EN/original in rename, or title only"),
        altPickerOptions(title, year, altTitles, selectedAlt), true, parent);
}

} // namespace tolvane
