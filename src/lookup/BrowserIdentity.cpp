#include "lookup/BrowserIdentity.h"

namespace tolvane {

const BrowserIdentity &BrowserIdentity::standard()
{
    static const BrowserIdentity identity{
        QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
                       "Version/17.4.1 Safari/605.1.15"),
        QStringLiteral("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"),
        QStringLiteral("en-US,en;q=0.9"),
        tolvane::defaultSessionHeaders(),
    };
    return identity;
}

void BrowserIdentity::apply(HttpRequest &request, const QUrl &referer) const
{
    request.setHeader("User-Agent", userAgent.toUtf8());
    request.setHeader("Accept", accept.toUtf8());
    request.setHeader("Accept-Language", acceptLanguage.toUtf8());
    request.setHeader("Accept-Encoding", acceptedEncodings);
    request.setHeader("Sec-Fetch-Mode", "navigate");
    request.setHeader("Sec-Fetch-User", "?1");
    request.setHeader("Sec-Fetch-Dest", "document");
    request.setHeader("Connection", "keep-alive");
    const bool sameHost = referer.host().compare(request.url.host(), Qt::CaseInsensitive) == 0;
    request.setHeader("Sec-Fetch-Site", sameHost ? "same-origin" : "cross-site");
    request.setHeader("Referer", referer.toEncoded());
}

} // namespace tolvane
