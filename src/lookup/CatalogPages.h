#pragma once

#include "library/Records.h"
#include "lookup/CatalogHit.h"
#include "lookup/MovieLookup.h"

#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <optional>

namespace tolvane {

/// Turns a catalog hit into a match: from its link text when that holds a title (no request), else
/// from a TMDB address's words plus the page's year, else from the fetched page's title. Throws
/// LookupError (the fetch's, or parseFailed) and `Cancelled`.
QCoro::Task<MovieMatch> matchFromHit(MovieLookup lookup, CatalogHit hit, QString sourceQuery, SearchEngine engine,
    std::shared_ptr<CancellationHandle> cancellation = {});

/// The title in a TMDB movie address: /movie/603-the-matrix gives "The Matrix".
std::optional<QString> tmdbSlugTitle(const QUrl &pageURL);

/// The page's Open Graph title, else its HTML title, entities decoded.
std::optional<QString> extractPageTitle(const QString &page);

/// The first four-digit number in parentheses anywhere in the page.
std::optional<int> extractYearFromPage(const QString &page);

/// The rate-gate key of a catalog site's pages.
QString catalogGateKey(CatalogSite site);

} // namespace tolvane
