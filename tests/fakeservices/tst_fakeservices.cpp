// The fake driving the real engines through the real transport, for what the CLI suite does not
// reach: awkward link texts, script keys, AI fallbacks, VK durations, TMDB pages, holding and stopping.
#include "FakeServices.h"

#include "../lookup/LookupFakes.h"

#include "app/AppSettings.h"
#include "clients/VKVideoAPIClient.h"
#include "clients/YandexAIStudioClient.h"
#include "lookup/CatalogLinks.h"
#include "lookup/DuckDuckGoSearch.h"
#include "net/HttpTransport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using Service = FakeServices::Service;
using Links = QList<FakeServices::ResultLink>;

Q_DECLARE_METATYPE(FakeServices::Answer)

namespace {

const QString apiKey = u"AQVN-fake"_qs;

/// The agent asked about the file whose stem is `stem`; the outcome caught, never thrown.
QCoro::Task<fakes::Outcome<YandexAIStudioClient::AgentResult>> ask(
    const QString &stem, MovieLookup lookup = MovieLookup::standard())
{
    const QString input = u"filename: %1.mkv\nstem: %1\nyear_hint: 1999"_qs.arg(stem);
    return fakes::capture(YandexAIStudioClient::askAgent(input, std::move(lookup)));
}

/// "title|year", then "|notes" if any, of an AI or a DuckDuckGo answer; else "error: " and the reason.
template<typename T> QString summary(const fakes::Outcome<T> &outcome)
{
    if (!outcome.value)
        return outcome.error ? u"error: "_qs + outcome.error->description() : QString();
    const auto &found = *outcome.value;
    return found.title + u'|' + (found.year ? QString::number(*found.year) : QString())
        + (found.notes ? u'|' + *found.notes : QString());
}

} // namespace

class TestFakeServices : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    std::unique_ptr<FakeServices> m_services;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        AppSettings::storeText(AppSettings::yandexAIAPIKey, apiKey);
        AppSettings::storeText(AppSettings::yandexAIFolderID, u"b1g-folder"_qs);
        AppSettings::storeText(AppSettings::yandexAIPromptID, u"fvt-prompt"_qs);
        AppSettings::storeUseSafariCookies(false);
        m_services = std::make_unique<FakeServices>();
        // Read once per process, at the first request: set before any.
        qputenv("TOLVANE_TEST_SERVICES", m_services->origin().toUtf8());
    }

    void init() { m_services->clearRecords(); }

    // Every link of the fake's result page reaches the real scanner with its own text, escaped or not.
    void resultPageLinks_data()
    {
        QTest::addColumn<Links>("links");
        QTest::addColumn<QStringList>("expected");
        const QString tmdb = u"https://www.themoviedb.org/movie/603-the-matrix"_qs;
        const QString kinopoisk = u"https://www.kinopoisk.ru/film/301/"_qs;
        const QString vk = u"https://vkvideo.ru/video-1_2"_qs;
        QTest::newRow("three sites, awkward texts")
            << Links{{kinopoisk, u"Матрица (1999) — Кинопоиск"_qs}, {tmdb, u"Tom & Jerry's \"Matrix\""_qs},
                   {vk, u"Матрица <HD>"_qs}}
            << QStringList{kinopoisk + u" Матрица (1999) — Кинопоиск"_qs, tmdb + u" Tom & Jerry's \"Matrix\""_qs,
                   vk + u" Матрица <HD>"_qs};
        QTest::newRow("no results") << Links{} << QStringList{};
    }

    void resultPageLinks()
    {
        QFETCH(Links, links);
        QFETCH(QStringList, expected);
        const FakeServices::Answer page = FakeServices::duckDuckGoPage(u"matrix & <co>"_qs, links);
        QStringList seen;
        for (const CatalogHit &hit : extractCatalogHits(QString::fromUtf8(page.body)))
            seen << hit.pageURL.toString() + u' ' + hit.anchorText;
        QCOMPARE(seen, expected);
    }

    // Scripts are keyed by the stem line, else by the whole input.
    void scriptKeys()
    {
        QCOMPARE(FakeServices::aiScriptKey(u"filename: a.mkv\nstem:  Брат 2 \nyear_hint: 2000"_qs), u"Брат 2"_qs);
        QCOMPARE(FakeServices::aiScriptKey(u" Брат 2\n"_qs), u"Брат 2"_qs);
    }

    // Answers the CLI suite does not try; the request is recorded with its headers.
    void agent_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<FakeServices::Answer>("answer"); // none scripted when it has no body
        QTest::addColumn<QString>("expected");
        QTest::newRow("movie with notes")
            << u"Matrix"_qs << FakeServices::aiMovie(u"The Matrix"_qs, 1999, {}, u"Wachowskis"_qs)
            << u"The Matrix|1999|Wachowskis"_qs;
        QTest::newRow("unknown, with notes")
            << u"Film"_qs << FakeServices::aiUnknown(u"Several films match"_qs) << u"error: Several films match"_qs;
        QTest::newRow("unscripted") << u"Nobody asked"_qs << FakeServices::Answer()
                                    << u"error: Yandex AI HTTP 500: "_qs
                + uR"({"error":{"code":500,"message":"no answer scripted for this input"}})"_qs;
    }

    void agent()
    {
        QFETCH(QString, stem);
        QFETCH(FakeServices::Answer, answer);
        if (!answer.body.isEmpty())
            m_services->scriptAI(stem, answer);
        QTEST(summary(QCoro::waitFor(ask(stem))), "expected");
        QCOMPARE(m_services->received(Service::ai).value(0).header("authorization"), "Api-Key " + apiKey.toUtf8());
    }

    // Titles equally good: only the durations the fake lists put the second video first.
    void vkRankedByDuration()
    {
        m_services->scriptVK(u"Сталкер"_qs,
            QList<FakeServices::Video>{{u"Сталкер (1979)"_qs, 1, 1, 300}, {u"Сталкер Тарковского"_qs, -2, 2, 5000}});
        const auto found = fakes::run(VKVideoAPIClient::searchVideos(u"Сталкер"_qs, MovieLookup::standard()));
        QVERIFY(found.value && found.value->size() == 2);
        QCOMPARE(found.value->first().pageURL, QUrl(u"https://vkvideo.ru/video-2_2"_qs));
    }

    // A TMDB hit whose link text does not name the film sends the engine to the scripted page,
    // matched by its decoded path. Few rows: the engine spaces its searches by over a second.
    void tmdbPage_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");
        QTest::newRow("page names the film")
            << u"Matrix 2"_qs << u"https://www.themoviedb.org/movie/604"_qs << u"The Matrix Reloaded|2003"_qs;
        QTest::newRow("title from the Cyrillic address, year from the page")
            << u"Elki"_qs << u"https://www.themoviedb.org/movie/2-ёлки"_qs << u"Ёлки|2003"_qs;
    }

    void tmdbPage()
    {
        QFETCH(QString, query);
        QFETCH(QString, url);
        m_services->scriptDuckDuckGoRow(query, {{url, u"The Movie Database (TMDB)"_qs}});
        m_services->scriptPage(QUrl(url), FakeServices::tmdbPage(u"The Matrix Reloaded"_qs, 2003));
        QTEST(summary(fakes::run(searchDuckDuckGo(FakeServices::duckDuckGoText(query), MovieLookup::standard()))),
            "expected");
        QCOMPARE(m_services->requestCount(Service::page), 1);
    }

    // Held requests wait together, answered by what is scripted when released; stopping does not
    // wait for a held request: it gets a 503 at once.
    void holdReleaseStop()
    {
        auto local = std::make_unique<FakeServices>();
        MovieLookup lookup = MovieLookup::standard();
        lookup.session = std::make_shared<HttpTransport>(QUrl(local->origin()));
        local->hold(Service::ai);
        auto first = ask(u"A"_qs, lookup);
        auto second = ask(u"B"_qs, lookup);
        QTRY_COMPARE(local->inFlight(Service::ai), 2);
        local->scriptAI(u"A"_qs, FakeServices::aiMovie(u"Alpha"_qs, 2000));
        local->scriptAI(u"B"_qs, FakeServices::aiMovie(u"Beta"_qs, std::nullopt));
        local->release(Service::ai);
        QCOMPARE(summary(QCoro::waitFor(std::move(first))), u"Alpha|2000"_qs);
        QCOMPARE(summary(QCoro::waitFor(std::move(second))), u"Beta|"_qs);
        QCOMPARE(local->maxInFlight(Service::ai), 2);

        local->hold(Service::ai);
        auto held = ask(u"A"_qs, lookup);
        QTRY_COMPARE(local->inFlight(Service::ai), 1);
        QElapsedTimer timer;
        timer.start();
        local.reset();
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(summary(QCoro::waitFor(std::move(held))), u"error: Yandex AI HTTP 503: stopping"_qs);
    }

    void cleanupTestCase() { m_services.reset(); }
};

QTEST_GUILESS_MAIN(TestFakeServices)
#include "tst_fakeservices.moc"
