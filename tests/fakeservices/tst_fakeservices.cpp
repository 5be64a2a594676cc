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

#include <vector>

using namespace tolvane;
using Service = FakeServices::Service;
using Video = FakeServices::Video;
using Links = QList<FakeServices::ResultLink>;

Q_DECLARE_METATYPE(FakeServices::Answer)

namespace {

const QString apiKey = u"AQVN-fake"_qs;
const QString noCatalogResult = u"error: No TMDB / Kinopoisk / VK Video result in search"_qs;

/// The input a row sends the agent.
QString agentInput(const QString &stem)
{
    return u"filename: %1.mkv\nstem: %1\nyear_hint: 1999"_qs.arg(stem);
}

template<typename T> QString failure(const fakes::Outcome<T> &outcome)
{
    return outcome.error ? u"error: "_qs + outcome.error->description() : QString();
}

QString summary(const fakes::Outcome<YandexAIStudioClient::AgentResult> &outcome)
{
    if (!outcome.value)
        return failure(outcome);
    const auto &result = *outcome.value;
    return QStringList{result.title, result.year ? QString::number(*result.year) : QString(),
        result.altTitles.join(u','), result.notes.value_or(QString())}
        .join(u'|');
}

QString summary(const fakes::Outcome<QList<VKVideoAPIClient::VideoHit>> &outcome)
{
    if (!outcome.value)
        return failure(outcome);
    QStringList titles;
    for (const auto &hit : *outcome.value)
        titles << hit.title;
    return titles.join(u" / "_qs) + u" @ "_qs + outcome.value->first().pageURL.toString();
}

QString summary(const fakes::Outcome<MovieMatch> &outcome)
{
    if (!outcome.value)
        return failure(outcome);
    return outcome.value->title + u'|' + (outcome.value->year ? QString::number(*outcome.value->year) : QString());
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

    // The page the fake serves hands the real link scanner every link with its own text.
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
        QTest::newRow("other sites are no hits") << Links{
            {u"https://en.wikipedia.org/wiki/The_Matrix"_qs, u"The Matrix - Wikipedia"_qs}, {tmdb, u"Tt"_qs},
            {tmdb, u"Twice"_qs}} << QStringList{tmdb + u' '}; // too short a text is none; a repeated target is one hit
        QTest::newRow("no results") << Links{} << QStringList{};
    }

    void resultPageLinks()
    {
        QFETCH(Links, links);
        QFETCH(QStringList, expected);
        const FakeServices::Answer page = FakeServices::duckDuckGoPage(u"matrix themoviedb"_qs, links);
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
        QCOMPARE(FakeServices::duckDuckGoText(u" Брат 2 "_qs), u"Брат 2 themoviedb"_qs);
    }

    void agent_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<FakeServices::Answer>("answer"); // none scripted when it has no body
        QTest::addColumn<QString>("expected");
        const QString http = u"error: Yandex AI HTTP "_qs;
        QTest::newRow("movie") << u"Matrix"_qs
                               << FakeServices::aiMovie(u"The Matrix"_qs, 1999, {u"Матрица"_qs}, u"Wachowskis"_qs)
                               << u"The Matrix|1999|Матрица|Wachowskis"_qs;
        QTest::newRow("unknown, with notes")
            << u"Film"_qs << FakeServices::aiUnknown(u"Several films match"_qs) << u"error: Several films match"_qs;
        QTest::newRow("unknown") << u"Film"_qs << FakeServices::aiUnknown() << u"error: Yandex AI: unknown title"_qs;
        QTest::newRow("refusal") << u"Film"_qs << FakeServices::aiText(u"Я не могу обсуждать эту тему."_qs)
                                 << u"error: Yandex AI refused the query (try extra tokens / year)"_qs;
        QTest::newRow("401") << u"Film"_qs << FakeServices::aiHttpError(401, u"Unauthorized"_qs)
                             << u"error: Yandex AI auth failed (check API key / folder in Settings)"_qs;
        QTest::newRow("500") << u"Film"_qs << FakeServices::aiHttpError(500, u"Internal"_qs)
                             << http + uR"(500: {"error":{"code":500,"message":"Internal"}})"_qs;
        QTest::newRow("raw") << u"Film"_qs << FakeServices::aiRaw(200, "<html>") << u"error: Could not parse title"_qs;
        const QString unscripted = uR"(500: {"error":{"code":500,"message":"no answer scripted for this input"}})"_qs;
        QTest::newRow("unscripted") << u"Nobody asked"_qs << FakeServices::Answer() << http + unscripted;
    }

    void agent()
    {
        QFETCH(QString, stem);
        QFETCH(FakeServices::Answer, answer);
        QFETCH(QString, expected);
        if (!answer.body.isEmpty())
            m_services->scriptAI(stem, answer);
        QCOMPARE(
            summary(fakes::run(YandexAIStudioClient::askAgent(agentInput(stem), MovieLookup::standard()))), expected);
        const QList<FakeServices::Received> seen = m_services->received(Service::ai);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].key, stem);
        QCOMPARE(seen[0].header("Authorization"), "Api-Key " + apiKey.toUtf8());
    }

    // Videos come back ranked by the client; a query nobody scripted finds nothing.
    void vkSearch_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<FakeServices::Answer>("answer");
        QTest::addColumn<QString>("expected");
        const QList<Video> videos{{u"Сталкер — трейлер"_qs, -1, 1, 150, {}}, {u"Сталкер"_qs, -2, 2, 9000, 120000},
            {u"Сталкер (1979) обзор"_qs, 3, 3, 1200, {}}, {u"сталкер"_qs, 4, 4, 700, {}},
            {u"Пикник на обочине"_qs, 5, 5, {}, {}}};
        QTest::newRow("ranked") << u"Сталкер"_qs << FakeServices::vkHits(videos)
                                << u"Сталкер / Пикник на обочине / Сталкер (1979) обзор / Сталкер — трейлер"
                                   " @ https://vkvideo.ru/video-2_2"_qs;
        QTest::newRow("unscripted") << u"Nothing here"_qs << FakeServices::Answer() << noCatalogResult;
        QTest::newRow("api error") << u"Солярис"_qs << FakeServices::vkError(6, u"Too many requests per second"_qs)
                                   << u"error: Too many requests per second"_qs;
    }

    void vkSearch()
    {
        QFETCH(QString, query);
        QFETCH(FakeServices::Answer, answer);
        QFETCH(QString, expected);
        if (!answer.body.isEmpty())
            m_services->scriptVK(query, answer);
        QCOMPARE(
            summary(fakes::run(VKVideoAPIClient::searchVideos(u" "_qs + query, MovieLookup::standard()))), expected);
        QCOMPARE(m_services->received(Service::vkSearch).value(0).key, query);
        QVERIFY(m_services->requestCount(Service::vkLogin) <= 1); // the token is cached
    }

    // Few cases: the engine spaces its searches by well over a second.
    void duckDuckGo_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<Links>("links");
        QTest::addColumn<QString>("pageTitle"); // of the TMDB page, scripted when not empty
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("pages");
        const FakeServices::ResultLink kinopoisk{u"https://www.kinopoisk.ru/film/301/"_qs, u"Матрица — Кинопоиск"_qs};
        QTest::newRow("link text names the film") << u"Matrix 1999"_qs
                                                  << Links{kinopoisk,
                                                         {u"https://www.themoviedb.org/movie/603-the-matrix"_qs,
                                                             u"The Matrix (1999) — The Movie Database (TMDB)"_qs}}
                                                  << QString() << u"The Matrix|1999"_qs << 0;
        QTest::newRow("page names the film")
            << u"Matrix 2"_qs << Links{{u"https://www.themoviedb.org/movie/604"_qs, u"The Movie Database (TMDB)"_qs}}
            << u"The Matrix Reloaded"_qs << u"The Matrix Reloaded|2003"_qs << 1;
        QTest::newRow("only kinopoisk") << u"Matrix 3"_qs << Links{kinopoisk} << QString() << noCatalogResult << 0;
    }

    void duckDuckGo()
    {
        QFETCH(QString, query);
        QFETCH(Links, links);
        QFETCH(QString, pageTitle);
        QFETCH(QString, expected);
        QFETCH(int, pages);
        m_services->scriptDuckDuckGoRow(query, links);
        if (!pageTitle.isEmpty())
            m_services->scriptPage(QUrl(links[0].url), FakeServices::tmdbPage(pageTitle, 2003));
        const QString text = FakeServices::duckDuckGoText(query);
        QCOMPARE(summary(fakes::run(searchDuckDuckGo(text, MovieLookup::standard()))), expected);
        QCOMPARE(m_services->received(Service::duckDuckGo).value(0).key, query + u" themoviedb"_qs);
        QCOMPARE(m_services->requestCount(Service::page), pages);
    }

    // Held requests wait together and are counted; a scripted delay is waited out.
    void holdAndDelay()
    {
        constexpr int count = 4;
        m_services->hold(Service::ai);
        std::vector<QCoro::Task<fakes::Outcome<YandexAIStudioClient::AgentResult>>> tasks;
        for (int i = 0; i < count; ++i) {
            const QString stem = u"Parallel %1"_qs.arg(i);
            m_services->scriptAI(stem, FakeServices::aiMovie(stem, 2000));
            tasks.push_back(fakes::capture(YandexAIStudioClient::askAgent(agentInput(stem), MovieLookup::standard())));
        }
        QTRY_COMPARE(m_services->inFlight(Service::ai), count);
        m_services->release(Service::ai);
        for (int i = 0; i < count; ++i)
            QCOMPARE(summary(QCoro::waitFor(std::move(tasks[i]))), u"Parallel %1|2000||"_qs.arg(i));
        QCOMPARE(m_services->maxInFlight(Service::ai), count);

        FakeServices::Answer slow = FakeServices::aiMovie(u"Slow"_qs, 2001);
        slow.delay = std::chrono::milliseconds(300);
        m_services->scriptAI(u"Slow"_qs, slow);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(summary(fakes::run(YandexAIStudioClient::askAgent(agentInput(u"Slow"_qs), MovieLookup::standard()))),
            u"Slow|2001||"_qs);
        QVERIFY(timer.elapsed() >= 300);
    }

    // Stopping does not wait for a held request: it is answered with 503 at once.
    void stopWhileHeld()
    {
        auto local = std::make_unique<FakeServices>();
        MovieLookup lookup = MovieLookup::standard();
        lookup.session = std::make_shared<HttpTransport>(QUrl(local->origin()));
        local->hold(Service::ai);
        auto task = fakes::capture(YandexAIStudioClient::askAgent(agentInput(u"Held"_qs), lookup));
        QTRY_COMPARE(local->inFlight(Service::ai), 1);
        QElapsedTimer timer;
        timer.start();
        local.reset();
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(summary(QCoro::waitFor(std::move(task))), u"error: Yandex AI HTTP 503: stopping"_qs);
    }

    void cleanupTestCase() { m_services.reset(); }
};

QTEST_GUILESS_MAIN(TestFakeServices)
#include "tst_fakeservices.moc"
