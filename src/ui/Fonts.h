#pragma once

#include <QFont>
#include <QFontDatabase>

namespace tolvane::fonts {

// The window's type scale, relative to the desktop's body font so that it follows the user's
// font settings: headline and titles above it, callout and captions below.

inline QFont scaled(QFont font, qreal delta, QFont::Weight weight = QFont::Normal)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max(6.0, font.pointSizeF() + delta));
    font.setWeight(weight);
    return font;
}

inline QFont headline(const QFont &body) { return scaled(body, 0, QFont::Bold); }
inline QFont title2(const QFont &body) { return scaled(body, 6, QFont::DemiBold); }
inline QFont title3(const QFont &body) { return scaled(body, 4); }
inline QFont callout(const QFont &body) { return scaled(body, -1); }
inline QFont caption(const QFont &body) { return scaled(body, -2); }
inline QFont smallCaption(const QFont &body) { return scaled(body, -3); }
/// Paths and search text: the system's fixed-width font at caption size.
inline QFont monospacedCaption() { return caption(QFontDatabase::systemFont(QFontDatabase::FixedFont)); }

/// The badges' letters: the system's fixed-width font at 9 points, semibold.
inline QFont badge()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9);
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace tolvane::fonts
