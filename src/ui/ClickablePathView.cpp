#include "ui/ClickablePathView.h"

#include "ui/Controls.h"
#include "ui/Fonts.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {

PathSegments pathSegments(const QString &path)
{
    PathSegments result;
    result.leadingSeparator = path.startsWith(QLatin1Char('/'));
    for (const QString &component : path.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        result.segments.append(component);
    return result;
}

ClickablePathView::ClickablePathView(QWidget *parent)
    : QWidget(parent)
{
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(1);
    setToolTip(tr("Click a path segment to add it to Extra tokens"));
    setAccessibleName(tr("Path"));
}

void ClickablePathView::setPath(const QString &path)
{
    const PathSegments parts = pathSegments(path);
    while (m_lines.size() < parts.segments.size()) {
        Line line;
        line.row = new QWidget(this);
        auto *row = new QHBoxLayout(line.row);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        line.separator = new InfoLabel(QStringLiteral("/"), fonts::monospacedCaption(), line.row);
        line.segment = new QToolButton(line.row);
        line.segment->setAutoRaise(true);
        QFont font = fonts::monospacedCaption();
        font.setUnderline(true);
        line.segment->setFont(font);
        line.segment->setCursor(Qt::PointingHandCursor);
        QPalette palette = line.segment->palette();
        palette.setColor(QPalette::ButtonText, palette.color(QPalette::Link));
        line.segment->setPalette(palette);
        row->addWidget(line.separator);
        row->addWidget(line.segment);
        row->addStretch(1);
        m_column->addWidget(line.row);
        QToolButton *button = line.segment;
        connect(button, &QToolButton::clicked, this, [this, button] { Q_EMIT tokenClicked(button->text()); });
        m_lines.append(line);
    }
    for (qsizetype index = 0; index < m_lines.size(); ++index) {
        const Line &line = m_lines[index];
        const bool used = index < parts.segments.size();
        line.row->setVisible(used);
        if (!used)
            continue;
        const QString &segment = parts.segments[index];
        line.separator->setVisible(index > 0 || parts.leadingSeparator);
        line.segment->setText(segment);
        line.segment->setToolTip(tr("Add “%1” to Extra tokens").arg(segment));
        line.segment->setAccessibleName(segment);
    }
}

} // namespace tolvane
