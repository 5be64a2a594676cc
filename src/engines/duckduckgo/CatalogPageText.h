#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace tolvane {

/// The title in a TMDB movie address: /movie/603-the-matrix gives "The Matrix".
std::optional<QString> tmdbSlugTitle(const QUrl &pageURL);

/// The page's Open Graph title, else its HTML title, entities decoded.
std::optional<QString> extractPageTitle(const QString &page);

/// The first four-digit number in parentheses anywhere in the page.
std::optional<int> extractYearFromPage(const QString &page);

} // namespace tolvane
