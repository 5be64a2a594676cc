#include "net/TestServices.h"

namespace tolvane {

const QUrl &testServicesOrigin()
{
    static const QUrl origin = [] {
        const QUrl url(qEnvironmentVariable("TOLVANE_TEST_SERVICES"), QUrl::StrictMode);
        return url.isValid() && !url.host().isEmpty() ? url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery) : QUrl();
    }();
    return origin;
}

QUrl rewrittenForTestServices(const QUrl &url, const QUrl &origin)
{
    if (origin.isEmpty() || url.host().isEmpty())
        return url;
    if (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))
        return url;
    if (url.scheme() == origin.scheme() && url.host() == origin.host() && url.port() == origin.port())
        return url;
    QString prefix = QLatin1Char('/') + url.host();
    if (url.port() != -1)
        prefix += QLatin1Char(':') + QString::number(url.port());
    QUrl rewritten = origin;
    rewritten.setPath(prefix + url.path(QUrl::FullyEncoded), QUrl::TolerantMode);
    if (url.hasQuery())
        rewritten.setQuery(url.query(QUrl::FullyEncoded), QUrl::TolerantMode);
    return rewritten;
}

} // namespace tolvane
