#pragma once

#include "core/Records.h"

#include <QColor>
#include <QList>
#include <QPalette>
#include <QString>

#include <optional>

namespace tolvane {

class MovieItem;

/// How a piece of the list is coloured, resolved against the palette only when painted.
enum class Tone { primary, secondary, gray, orange, green, red, blue };

QColor toneColor(Tone tone, const QPalette &palette);

/// A row's status line: its text, the dot's colour and the text's colour.
struct RowStatusStyle {
    QString text;
    Tone dot = Tone::gray;
    Tone textTone = Tone::secondary;

    bool operator==(const RowStatusStyle &) const = default;
};

RowStatusStyle rowStatusStyle(const MovieItem &item);

/// One engine badge of a row: its letter, colours and hover help.
struct BadgeStyle {
    QChar letter;
    Tone letterTone = Tone::secondary;
    Tone background = Tone::secondary;
    qreal backgroundOpacity = 0.08;
    QString help;

    bool operator==(const BadgeStyle &) const = default;
};

/// The badge of `engine` for the first reply of that engine in `replies` (none: the no-reply style).
BadgeStyle badgeStyle(SearchEngine engine, const QList<EngineReply> &replies, std::optional<SearchEngine> chosen);

} // namespace tolvane
