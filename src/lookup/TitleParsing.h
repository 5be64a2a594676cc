#pragma once

#include <QString>

#include <optional>

namespace tolvane {

/// A title read from a link text or page title, with the year when one was written.
struct TitleYear {
    QString title;
    std::optional<int> year;

    bool operator==(const TitleYear &) const = default;
};

/// Replaces the named entities of result pages and numeric character references.
QString decodeHTMLEntities(const QString &text);

/// Splits a link text or page title into title and year; absent when no usable title is left.
std::optional<TitleYear> parseTitleYear(const QString &text);

/// Makes a text safe as part of a file name (no path separators, reserved or control characters).
QString sanitizeFileNameComponent(const QString &text);

/// The title without a trailing year, ready to be followed by "(year)".
QString cleanTitleForFileName(const QString &title, std::optional<int> year);

} // namespace tolvane
