#include "ui/NamedColors.h"

#include <QWidget>

namespace tolvane {

bool isDarkPalette(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor namedColor(NamedColor color, const QPalette &palette)
{
    // The light variants are dark enough for text on white, the dark ones bright enough on
    // near-black (contrast about 4.5:1 either way).
    const bool dark = isDarkPalette(palette);
    switch (color) {
    case NamedColor::orange:
        return dark ? QColor(0xff, 0xa6, 0x3d) : QColor(0xc2, 0x5e, 0x00);
    case NamedColor::green:
        return dark ? QColor(0x5c, 0xd6, 0x7a) : QColor(0x1e, 0x84, 0x3a);
    case NamedColor::red:
        return dark ? QColor(0xff, 0x6b, 0x62) : QColor(0xc6, 0x28, 0x28);
    case NamedColor::blue:
        return dark ? QColor(0x6c, 0xb4, 0xff) : QColor(0x17, 0x5f, 0xc7);
    case NamedColor::gray:
        return dark ? QColor(0x9a, 0x9a, 0x9a) : QColor(0x8a, 0x8a, 0x8a);
    }
    return palette.color(QPalette::Text);
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

QColor secondaryTextColor(const QPalette &palette)
{
    return palette.color(QPalette::PlaceholderText);
}

} // namespace tolvane
