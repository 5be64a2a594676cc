#include "lookup/EngineQueries.h"

#include <QTest>

using namespace tolvane;

class TestLookupText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void engineQueries_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<std::optional<QString>>("agentInput");
        QTest::addColumn<QString>("agentExpected"); // null: no queries at all
        QTest::newRow("trimmed, agent takes the query") << u"  Matrix 1999\n"_qs << std::optional<QString>() << u"Matrix 1999"_qs;
        QTest::newRow("agent input trimmed") << u"Matrix 1999"_qs << std::optional(u"\n File: M.mkv \n"_qs) << u"File: M.mkv"_qs;
        QTest::newRow("blank agent input falls back") << u"Matrix 1999"_qs << std::optional(u" \t\n"_qs) << u"Matrix 1999"_qs;
        QTest::newRow("blank query") << u" \r\n\t"_qs << std::optional(u"agent text"_qs) << QString();
    }
    void engineQueries()
    {
        QFETCH(QString, query);
        QFETCH(std::optional<QString>, agentInput);
        QFETCH(QString, agentExpected);
        const std::optional<EngineQueries> expected = agentExpected.isNull() ? std::nullopt
            : std::optional(EngineQueries{u"Matrix 1999"_qs, agentExpected, u"Matrix 1999 themoviedb"_qs});
        QCOMPARE(buildEngineQueries(query, agentInput), expected);
    }
};

QTEST_GUILESS_MAIN(TestLookupText)
#include "tst_lookuptext.moc"
