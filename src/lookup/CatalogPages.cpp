#include "lookup/CatalogPages.h"

#include "lookup/LookupError.h"
#include "lookup/PageFetch.h"
#include "lookup/ServiceHosts.h"
#include "lookup/TitleParsing.h"

#include <QRegularExpression>

namespace tolvane {

namespace {

/// The least spacing of page requests to one catalog site, in seconds.
constexpr double catalogPageInterval = 1.0;

const QList<QRegularExpression> &pageTitlePatterns()
{
    static const QList<QRegularExpression> patterns = [] {
        const QStringList texts{
            QStringLiteral(R"(<meta[^>]+property=["']og:title["'][^>]+content=["']([^"']+)["'])"),
            QStringLiteral(R"(<meta[^>]+content=["']([^"']+)["'][^>]+property=["']og:title["'])"),
            QStringLiteral("<title>([^<]+)</title>"),
        };
        QList<QRegularExpression> list;
        for (const QString &text : texts) {
            QRegularExpression expression(
                text, QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
            expression.optimize();
            list.append(std::move(expression));
        }
        return list;
    }();
    return patterns;
}

const QRegularExpression &pageYearPattern()
{
    static const QRegularExpression expression(
        QStringLiteral(R"(\((\d{4})\))"), QRegularExpression::UseUnicodePropertiesOption);
    return expression;
}

/// The word with its first character in upper case; "ß" may become "SS", as in titles elsewhere.
QString capitalized(const QString &word)
{
    const qsizetype first = word.size() > 1 && word.front().isHighSurrogate() ? 2 : 1;
    return word.left(first).toUpper() + word.mid(first);
}

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

std::optional<QString> tmdbSlugTitle(const QUrl &pageURL)
{
    const QStringList pieces = pageURL.path(QUrl::FullyDecoded).split(u'/', Qt::SkipEmptyParts);
    const qsizetype movie = pieces.indexOf(QStringLiteral("movie"));
    if (movie < 0 || movie + 1 >= pieces.size())
        return std::nullopt;
    const QString &slug = pieces[movie + 1];
    const qsizetype dash = slug.indexOf(u'-');
    if (dash < 0 || dash + 1 == slug.size())
        return std::nullopt;

    QStringList words = slug.mid(dash + 1).replace(u'-', u' ').split(u' ', Qt::SkipEmptyParts);
    for (QString &word : words)
        word = capitalized(word);
    return words.join(u' ');
}

std::optional<QString> extractPageTitle(const QString &page)
{
    for (const QRegularExpression &pattern : pageTitlePatterns()) {
        const QRegularExpressionMatch match = pattern.match(page);
        if (match.hasMatch() && match.hasCaptured(1))
            return decodeHTMLEntities(match.captured(1));
    }
    return std::nullopt;
}

std::optional<int> extractYearFromPage(const QString &page)
{
    const QRegularExpressionMatch match = pageYearPattern().match(page);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int year = match.captured(1).toInt(&ok, 10); // digits of other scripts do not convert
    return ok ? std::optional(year) : std::nullopt;
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
