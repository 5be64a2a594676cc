#pragma once

#include "core/Records.h"
#include "lookup/CatalogHit.h"
#include "engines/duckduckgo/CatalogPageText.h"
#include "lookup/MovieLookup.h"

#include <QCoroTask>
#include <QString>
#include <QUrl>

namespace tolvane {

/// Turns a catalog hit into a match: from its link text when that holds a title (no request), else
/// from a TMDB address's words plus the page's year, else from the fetched page's title. Throws
/// LookupError (the fetch's, or parseFailed) and `Cancelled`.
QCoro::Task<MovieMatch> matchFromHit(MovieLookup lookup, CatalogHit hit, QString sourceQuery, SearchEngine engine,
    std::shared_ptr<CancellationHandle> cancellation = {});

/// The rate-gate key of a catalog site's pages.
QString catalogGateKey(CatalogSite site);

} // namespace tolvane
