#include "../lookup/LookupFakes.h"

#include "engines/duckduckgo/CatalogPages.h"
#include "engines/duckduckgo/DuckDuckGoSearch.h"
#include "lookup/ServiceHosts.h"

#include <QTest>

using namespace tolvane;
using namespace tolvane::fakes;

namespace {

/// "title|year" of a match, or "error: description".
template<typename T> QString summary(const Outcome<T> &outcome)
{
    if (outcome.error)
        return u"error: "_qs + outcome.error->description();
    const MovieMatch &match = *outcome.value;
    return match.title + u'|' + (match.year ? QString::number(*match.year) : QString());
}

QByteArray resultPage(const QStringList &links)
{
    QString page = u"<html><body>"_qs;
    for (const QString &link : links)
        page += u"<div class=\"result\">"_qs + link + u"<p>"_qs + u"snippet "_qs.repeated(60) + u"</p></div>\n"_qs;
    return (page + u"</body></html>"_qs).toUtf8();
}

} // namespace

class TestDuckDuckGo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matchFromHit_data()
    {
        QTest::addColumn<int>("site");
        QTest::addColumn<QString>("pageURL");
        QTest::addColumn<QString>("anchorText");
        QTest::addColumn<int>("status"); // of the page; 0: it must not be fetched
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, CatalogSite site, const QString &url, const QString &anchor, int status,
                             const QString &page, const QString &expected) {
            QTest::newRow(name) << int(site) << url << anchor << status << page << expected;
        };
        const CatalogSite tmdb = CatalogSite::tmdb, kinopoisk = CatalogSite::kinopoisk;
        const QString matrix = u"https://www.themoviedb.org/movie/603-the-matrix"_qs;
        const QString stalker = u"https://www.kinopoisk.ru/film/43911/"_qs, noTitle = u"error: Could not parse title"_qs;
        row("link text with a year", tmdb, matrix, u" The Matrix (1999) "_qs, 0, {}, u"The Matrix|1999"_qs);
        row("tmdb address title, page year", tmdb, matrix, {}, 200, u"<title>x</title><p>(1999)</p>"_qs, u"The Matrix|1999"_qs);
        row("tmdb address title, failed page", tmdb, matrix, u"x"_qs, 503, u"(1999)"_qs, u"The Matrix|"_qs);
        row("tmdb address without words", tmdb, u"https://www.themoviedb.org/movie/603"_qs, {}, 200,
            u"<meta property=\"og:title\" content=\"The Matrix (1999) — The Movie Database (TMDB)\">"_qs, u"The Matrix|1999"_qs);
        row("kinopoisk open graph title", kinopoisk, stalker, {}, 200,
            u"<meta property='og:title' content='Сталкер (1979) — Кинопоиск'><title>Кинопоиск</title>"_qs, u"Сталкер|1979"_qs);
        row("kinopoisk title, page year", kinopoisk, stalker, {}, 200, u"<title>Сталкер</title><p>(1979)</p>"_qs, u"Сталкер|1979"_qs);
        row("only the site name", kinopoisk, stalker, {}, 200, u"<title>Кинопоиск</title>"_qs, noTitle);
        row("no title at all", kinopoisk, stalker, {}, 200, u"<p>(1979)</p>"_qs, noTitle);
        row("kinopoisk page fails", kinopoisk, stalker, {}, 503, {}, u"error: HTTP 503"_qs);
    }

    void matchFromHit()
    {
        QFETCH(int, site);
        QFETCH(QString, pageURL);
        QFETCH(QString, anchorText);
        QFETCH(int, status);
        QFETCH(QString, page);
        const int requests = status == 0 ? 0 : 1;

        auto transport
            = std::make_shared<FakeTransport>([&](const HttpRequest &) { return answer(status, page.toUtf8()); });
        FakeWorld world;
        const MovieLookup lookup = fakeLookup(transport, &world);
        const CatalogHit hit{QUrl(pageURL), anchorText, CatalogSite(site)};
        const auto cancellation = std::make_shared<CancellationHandle>();

        const auto outcome
            = run(tolvane::matchFromHit(lookup, hit, u"query"_qs, SearchEngine::duckDuckGo, cancellation));
        QTEST(summary(outcome), "expected");
        QCOMPARE(transport->requests.size(), requests);
        QCOMPARE(lookup.gate->nextAllowed(catalogGateKey(CatalogSite(site))).has_value(), requests > 0);
        if (outcome.value)
            QCOMPARE(outcome.value->pageURL, QUrl(pageURL));
        if (requests > 0) {
            const HttpRequest &sent = transport->requests.first();
            QCOMPARE(sent.url, QUrl(pageURL));
            QCOMPARE(sent.header("Referer"), QByteArray("https://www.google.com/"));
            QCOMPARE(sent.header("Sec-Fetch-Site"), QByteArray("cross-site"));
            QCOMPARE(sent.cancellation, cancellation);
        }
    }

    void search_data()
    {
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<int>("status"); // 0: no HTTP answer
        QTest::addColumn<QString>("expected");

        QTest::newRow("plain link wins over an earlier redirect")
            << QStringList{u"<a href=\"/l/?uddg=https%3A%2F%2Fwww.themoviedb.org%2Fmovie%2F550-fight-club\">"
                           "Fight Club (1999)</a>"_qs,
                   u"<a href=\"https://www.themoviedb.org/movie/603-the-matrix\">The Matrix (1999)</a>"_qs}
            << 200 << u"The Matrix|1999"_qs;
        QTest::newRow("tmdb after other sites")
            << QStringList{u"<a href=\"https://www.kinopoisk.ru/film/301/\">Матрица (1999)</a>"_qs,
                   u"<a href=\"/l/?uddg=https%3A%2F%2Fthemoviedb.org%2Fmovie%2F603&amp;rut=1\">Matrix (1999)</a>"_qs}
            << 200 << u"Matrix|1999"_qs;
        QTest::newRow("only kinopoisk and vk video (none chosen)")
            << QStringList{u"<a href=\"https://www.kinopoisk.ru/film/301/\">Матрица (1999)</a>"_qs,
                   u"<a href=\"https://vkvideo.ru/video-1_2\">Матрица</a>"_qs}
            << 200 << u"error: No TMDB / Kinopoisk / VK Video result in search"_qs;
        QTest::newRow("no answer") << QStringList() << 0 << u"error: The request timed out."_qs;
        QTest::newRow("server error") << QStringList() << 500 << u"error: HTTP 500"_qs;
        QTest::newRow("rate limited twice") << QStringList() << 429 << u"error: HTTP 429 — rate limited, try later"_qs;
    }

    void search()
    {
        QFETCH(QStringList, links);
        QFETCH(int, status);
        const QByteArray page = resultPage(links);
        auto transport = std::make_shared<FakeTransport>([&](const HttpRequest &) {
            if (status == 0)
                throw TransportError(u"The request timed out."_qs);
            return answer(status, page);
        });
        FakeWorld world;
        const MovieLookup lookup = fakeLookup(transport, &world);

        const auto cancellation = std::make_shared<CancellationHandle>();
        // Encoded whole: "+" must reach the search as a plus, not as a space.
        const QString query = u"Matrix 1999 C++ & #9=x"_qs;
        const auto outcome = run(searchDuckDuckGo(query, lookup, cancellation));
        QTEST(summary(outcome), "expected");
        QCOMPARE(transport->requests.size(), status == 429 ? 2 : 1); // the link texts name the films: no page fetched
        const HttpRequest &sent = transport->requests.first();
        QCOMPARE(sent.url.toString(QUrl::FullyEncoded),
            u"https://html.duckduckgo.com/html/?q=Matrix%201999%20C%2B%2B%20%26%20%239%3Dx"_qs);
        QCOMPARE(sent.header("Referer"), QByteArray("https://html.duckduckgo.com/"));
        QCOMPARE(sent.header("Sec-Fetch-Site"), QByteArray("same-origin"));
        QCOMPARE(sent.cancellation, cancellation);
        QVERIFY(lookup.gate->nextAllowed(hosts::duckDuckGoDomain));
    }
};

QTEST_GUILESS_MAIN(TestDuckDuckGo)
#include "tst_duckduckgo.moc"
