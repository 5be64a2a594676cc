#include "engines/duckduckgo/CatalogPages.h"

#include "lookup/LookupError.h"
#include "lookup/PageFetch.h"
#include "lookup/ServiceHosts.h"
#include "lookup/TitleParsing.h"

namespace tolvane {

namespace {

/// The least spacing of page requests to one catalog site, in seconds.
constexpr double catalogPageInterval = 1.0;

/// Fetched as if reached from a search engine's home page, so the request is a cross-site one.
QCoro::Task<QString> fetchCatalogPage(
    MovieLookup lookup, QUrl pageURL, CatalogSite site, std::shared_ptr<CancellationHandle> cancellation)
{
    const QUrl referer = hosts::rootURL(hosts::googleWebHost);
    const QString gateKey = catalogGateKey(site);
    QCoro::Task<QString> fetch
        = fetchHTML(std::move(lookup), pageURL, referer, gateKey, true, catalogPageInterval, std::move(cancellation));
    QString page = co_await std::move(fetch);
    co_return page;
}

} // namespace

QString catalogGateKey(CatalogSite site)
{
    switch (site) {
    case CatalogSite::tmdb:
        return hosts::tmdbDomain;
    case CatalogSite::kinopoisk:
        return hosts::kinopoiskDomain;
    case CatalogSite::vkvideo:
        return hosts::vkVideoWebHost;
    case CatalogSite::yandexAI:
        break;
    }
    return QString(); // an AI answer has no page to fetch
}

QCoro::Task<MovieMatch> matchFromHit(MovieLookup lookup, CatalogHit hit, QString sourceQuery, SearchEngine engine,
    std::shared_ptr<CancellationHandle> cancellation)
{
    MovieMatch match;
    match.pageURL = hit.pageURL;
    match.site = hit.site;
    match.sourceQuery = sourceQuery;
    match.engine = engine;

    if (const std::optional<TitleYear> fromLink = parseTitleYear(hit.anchorText)) {
        match.title = fromLink->title;
        match.year = fromLink->year;
        co_return match;
    }

    if (hit.site == CatalogSite::tmdb) {
        const std::optional<QString> addressTitle = tmdbSlugTitle(hit.pageURL);
        if (addressTitle && !addressTitle->isEmpty()) {
            match.title = *addressTitle;
            // The address already names the film; the page only adds a year, so its failure is no failure.
            try {
                QCoro::Task<QString> fetch = fetchCatalogPage(lookup, hit.pageURL, hit.site, cancellation);
                const QString page = co_await std::move(fetch);
                match.year = extractYearFromPage(page);
            } catch (const LookupError &) {
            }
            co_return match;
        }
    }

    QCoro::Task<QString> fetch = fetchCatalogPage(lookup, hit.pageURL, hit.site, cancellation);
    const QString page = co_await std::move(fetch);
    const std::optional<QString> pageTitle = extractPageTitle(page);
    if (!pageTitle)
        throw LookupError::parseFailed();
    const std::optional<TitleYear> parsed = parseTitleYear(*pageTitle);
    if (!parsed)
        throw LookupError::parseFailed();
    match.title = parsed->title;
    match.year = parsed->year ? parsed->year : extractYearFromPage(page);
    co_return match;
}

} // namespace tolvane
