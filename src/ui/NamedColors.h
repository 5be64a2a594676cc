#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace tolvane {

/// The few colours the window names (status dots, badges, status lines), tuned per palette so
/// that they stay readable on a light and on a dark background.
enum class NamedColor { orange, green, red, blue, gray };

QColor namedColor(NamedColor color, const QPalette &palette);
/// Secondary text: the palette's placeholder text colour.
QColor secondaryTextColor(const QPalette &palette);
/// Draws a label's (or any widget's) text in `color`.
void setTextColor(QWidget *widget, const QColor &color);
/// True when the palette's window background is dark.
bool isDarkPalette(const QPalette &palette);

} // namespace tolvane
