#include "ui/StatusDot.h"

#include <QPainter>

namespace tolvane {

StatusDot::StatusDot(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(7, 7);
}

void StatusDot::setColor(const QColor &color)
{
    if (color != m_color) {
        m_color = color;
        update();
    }
}

void StatusDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    painter.drawEllipse(rect());
}

} // namespace tolvane
