// Feeds arbitrary text to the result-page link scanner and the page title readers. Besides crashes
// and sanitizer reports, it aborts when a hit breaks a promise the engines rely on: one canonical
// https address per catalog page, on the catalog's own host, without query or fragment.

#include "engines/duckduckgo/CatalogLinks.h"
#include "engines/duckduckgo/CatalogPageText.h"
#include "lookup/ServiceHosts.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

namespace {

bool isCanonical(const tolvane::CatalogHit &hit)
{
    using namespace tolvane;
    const QUrl &url = hit.pageURL;
    if (!url.isValid() || url.scheme() != u"https" || url.hasQuery() || url.hasFragment() || url.port() != -1
        || !url.userInfo().isEmpty())
        return false;
    switch (hit.site) {
    case CatalogSite::tmdb:
        return url.host() == hosts::tmdbWebHost && url.path().contains(u"/movie/");
    case CatalogSite::kinopoisk:
        return url.host() == hosts::kinopoiskWebHost && url.path().endsWith(u'/');
    case CatalogSite::vkvideo:
        return url.host() == hosts::vkVideoWebHost && url.path().startsWith(u"/video");
    case CatalogSite::yandexAI:
        break;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QSet<QUrl> seen;
    for (const tolvane::CatalogHit &hit : tolvane::extractCatalogHits(page)) {
        if (!isCanonical(hit) || seen.contains(hit.pageURL) || hit.anchorText.size() > 120 * 10)
            std::abort();
        seen.insert(hit.pageURL);
    }
    (void)tolvane::extractPageTitle(page);
    (void)tolvane::extractYearFromPage(page);
    return 0;
}
