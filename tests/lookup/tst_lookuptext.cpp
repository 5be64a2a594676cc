#include "lookup/EngineQueries.h"
#include "lookup/LookupError.h"

#include <QTest>

using namespace tolvane;

class TestLookupText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void descriptions_data()
    {
        QTest::addColumn<LookupError>("error");
        QTest::addColumn<QString>("expected");
        QTest::newRow("network") << LookupError::network(u"HTTP 429 \u2014 rate limited, try later"_qs)
                                 << u"HTTP 429 \u2014 rate limited, try later"_qs;
        QTest::newRow("emptyQuery") << LookupError::emptyQuery() << u"Empty search query"_qs;
        QTest::newRow("noCatalogResult") << LookupError::noCatalogResult()
                                         << u"No TMDB / Kinopoisk / VK Video result in search"_qs;
        QTest::newRow("missingAPIKey") << LookupError::missingAPIKey() << u"Yandex AI API key not set (Settings)"_qs;
        QTest::newRow("parseFailed") << LookupError::parseFailed() << u"Could not parse title"_qs;
    }
    void descriptions()
    {
        QFETCH(LookupError, error);
        QFETCH(QString, expected);
        QCOMPARE(error.description(), expected);
    }

    void engineQueries_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<std::optional<QString>>("agentInput");
        QTest::addColumn<std::optional<EngineQueries>>("expected");
        const auto queries = [](const QString &q, const QString &agent) {
            return std::optional<EngineQueries>(EngineQueries{q, agent, q + u" themoviedb"_qs});
        };
        QTest::newRow("query only") << u"  The Matrix 1999\n"_qs << std::optional<QString>()
                                    << queries(u"The Matrix 1999"_qs, u"The Matrix 1999"_qs);
        QTest::newRow("agent input trimmed") << u"Matrix"_qs << std::optional<QString>(u"\n File: Matrix.mkv \n"_qs)
                                             << queries(u"Matrix"_qs, u"File: Matrix.mkv"_qs);
        QTest::newRow("blank agent input falls back")
            << u"Matrix"_qs << std::optional<QString>(u" \t\n"_qs) << queries(u"Matrix"_qs, u"Matrix"_qs);
        QTest::newRow("blank query") << u" \r\n\t"_qs << std::optional<QString>(u"agent text"_qs)
                                     << std::optional<EngineQueries>();
    }
    void engineQueries()
    {
        QFETCH(QString, query);
        QFETCH(std::optional<QString>, agentInput);
        QFETCH(std::optional<EngineQueries>, expected);
        QCOMPARE(buildEngineQueries(query, agentInput), expected);
    }
};

QTEST_GUILESS_MAIN(TestLookupText)
#include "tst_lookuptext.moc"
