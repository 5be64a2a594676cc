#pragma once

#include <QColor>
#include <QWidget>

namespace tolvane {

/// A filled dot, 7 pixels wide, in the colour of a state.
class StatusDot : public QWidget {
public:
    explicit StatusDot(QWidget *parent);
    void setColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
};

} // namespace tolvane
