#pragma once

#include "core/Records.h"
#include "lookup/MovieLookup.h"

#include <QCoroTask>
#include <QString>
#include <QUrl>

namespace tolvane {

/// The DuckDuckGo engine: one HTML search for `text`, the first TMDB hit on the result page, and
/// the match made from it. Throws LookupError (noCatalogResult when there is no TMDB hit) and
/// `Cancelled`.
QCoro::Task<MovieMatch> searchDuckDuckGo(
    QString text, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation = {});

/// The HTML search address for `text`.
QUrl duckDuckGoSearchURL(const QString &text);

} // namespace tolvane
