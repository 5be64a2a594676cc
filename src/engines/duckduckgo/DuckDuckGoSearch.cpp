#include "engines/duckduckgo/DuckDuckGoSearch.h"

#include "engines/duckduckgo/CatalogLinks.h"
#include "engines/duckduckgo/CatalogPages.h"
#include "lookup/LookupError.h"
#include "lookup/PageFetch.h"
#include "lookup/ServiceHosts.h"

#include <algorithm>

namespace tolvane {

namespace {

constexpr double searchInterval = 1.2;

} // namespace

QUrl duckDuckGoSearchURL(const QString &text)
{
    QUrl url = hosts::httpsURL(hosts::duckDuckGoHTMLHost, QStringLiteral("/html/"));
    // Fully encoded ourselves: a URL builder leaves "+", which the search reads as a space ("C++").
    url.setQuery(QStringLiteral("q=") + QString::fromLatin1(QUrl::toPercentEncoding(text)), QUrl::StrictMode);
    return url;
}

QCoro::Task<MovieMatch> searchDuckDuckGo(
    QString text, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation)
{
    const QUrl url = duckDuckGoSearchURL(text);
    if (!url.isValid())
        throw LookupError::network(LookupError::tr("Bad DDG URL"));
    const QUrl referer = hosts::rootURL(hosts::duckDuckGoHTMLHost);
    const QString gateKey = hosts::duckDuckGoDomain;

    QCoro::Task<QString> fetch = fetchHTML(lookup, url, referer, gateKey, true, searchInterval, cancellation);
    const QString page = co_await std::move(fetch);

    const QList<CatalogHit> hits = extractCatalogHits(page);
    const auto tmdb
        = std::find_if(hits.cbegin(), hits.cend(), [](const CatalogHit &hit) { return hit.site == CatalogSite::tmdb; });
    if (tmdb == hits.cend())
        throw LookupError::noCatalogResult();

    QCoro::Task<MovieMatch> match
        = matchFromHit(std::move(lookup), *tmdb, text, SearchEngine::duckDuckGo, std::move(cancellation));
    MovieMatch result = co_await std::move(match);
    co_return result;
}

} // namespace tolvane
