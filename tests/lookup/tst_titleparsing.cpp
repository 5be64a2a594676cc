#include "core/Year.h"
#include "lookup/TitleParsing.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace tolvane;

namespace tolvane {
char *toString(const std::optional<TitleYear> &v) // readable QCOMPARE failures
{
    return QTest::toString(v ? u"\"%1\", %2"_qs.arg(v->title, QString::number(v->year.value_or(0))) : u"(none)"_qs);
}
} // namespace tolvane

namespace {
std::optional<TitleYear> titled(const QString &title, std::optional<int> year = {}) { return TitleYear{title, year}; }
template<typename T> const T &cell(const char *c) { return *static_cast<T *>(QTest::qData(c, qMetaTypeId<T>())); }
} // namespace

class TestTitleParsing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodeHTMLEntities_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("named") << u"&amp;&quot;&#39;&apos;&lt;&gt;&nbsp;"_qs << u"&\"''<> "_qs;
        QTest::newRow("decoded ampersand not re-read, decimal") << u"&amp;lt; &#039;&#8212;"_qs << u"&lt; '\u2014"_qs;
        QTest::newRow("hex both cases") << u"&#x27;&#X27;&#x2014;&#x2014"_qs << u"''\u2014&#x2014"_qs;
        QTest::newRow("beyond BMP") << u"&#x1F3AC;!"_qs << u"\U0001F3AC!"_qs;
        QTest::newRow("no such code point") << u"&#0; &#xD800; &#x110000; &#99999999999999999999;"_qs
                                            << u"&#0; &#xD800; &#x110000; &#99999999999999999999;"_qs;
        QTest::newRow("malformed") << u"&#; &#x; &#12a; &#xG1; &AMP; &copy; & &"_qs
                                   << u"&#; &#x; &#12a; &#xG1; &AMP; &copy; & &"_qs;
    }
    void decodeHTMLEntities() { QTEST(tolvane::decodeHTMLEntities(cell<QString>("input")), "expected"); }

    void decodeRealResultPage()
    {
        const QDir fixtures(QStringLiteral(TOLVANE_SHARED_FIXTURES));
        QFile page(fixtures.filePath(u"duckduckgo/ddg_html_Hello_2021_direct_links.html"_qs));
        if (!page.open(QIODevice::ReadOnly))
            QSKIP("Real DuckDuckGo result pages are not in this checkout (shared fixtures folder absent)");
        const QString html = QString::fromUtf8(page.readAll());
        QVERIFY(html.contains(u"she&#x27;ll never know"_qs));
        const QString decoded = tolvane::decodeHTMLEntities(html);
        QVERIFY(decoded.contains(u"she'll never know his feelings"_qs));
        QVERIFY(!decoded.contains(u"&#x27;"_qs));
    }

    void parseTitleYear_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<std::optional<TitleYear>>("expected");
        QTest::newRow("year in parentheses") << u"The Matrix (1999)"_qs << titled(u"The Matrix"_qs, 1999);
        QTest::newRow("Kinopoisk tail") << u"Матрица (1999) — Кинопоиск"_qs << titled(u"Матрица"_qs, 1999);
        QTest::newRow("TMDB tail, any case") << u"The Matrix (1999) - the movie database (tmdb)"_qs
                                   << titled(u"The Matrix"_qs, 1999);
        QTest::newRow("tail cuts all after it") << u"Dune (2021) | TMDB — watch online"_qs << titled(u"Dune"_qs, 2021);
        QTest::newRow("bare year") << u"Brother 2 2000"_qs << titled(u"Brother 2"_qs, 2000);
        QTest::newRow("translated after slash") << u"Брат / Brother 1997"_qs << titled(u"Brother"_qs, 1997);
        QTest::newRow("too short after slash") << u"Брат / B 1997"_qs << titled(u"Брат / B"_qs, 1997);
        QTest::newRow("lazy title keeps number") << u"Heat 1995 (1995)"_qs << titled(u"Heat 1995"_qs, 1995);
        QTest::newRow("entities, also before the tail")
            << u"Tom &amp; Jerry (1992) &#8212; The Movie Database (TMDB)"_qs << titled(u"Tom & Jerry"_qs, 1992);
        QTest::newRow("non-ASCII digits") << u"Film (١٩٩٩)"_qs << titled(u"Film"_qs);
        QTest::newRow("no year") << u" Solaris \n"_qs << titled(u"Solaris"_qs);
        QTest::newRow("site name first") << u"Kinopoisk top 250"_qs << std::optional<TitleYear>();
        QTest::newRow("one combined character") << u"e\u0301"_qs << std::optional<TitleYear>();
        QTest::newRow("white space") << u" \t\n "_qs << std::optional<TitleYear>();
        // Hostile pages: a long blank run must neither hang the match nor change its result.
        const QString gap(200000, u' ');
        QTest::newRow("long gap, year") << u"x"_qs + gap + u"y (1999)"_qs << titled(u"x"_qs + gap + u"y"_qs, 1999);
    }
    void parseTitleYear() { QTEST(tolvane::parseTitleYear(cell<QString>("input")), "expected"); }

    void sanitizeFileNameComponent_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("reserved") << u" AC/DC: Let There Be Rock? "_qs << u"ACDC Let There Be Rock"_qs;
        QTest::newRow("all reserved") << u"a/\\:*?\"<>|b"_qs << u"ab"_qs;
        QTest::newRow("controls") << u"a\u0001b\u001Bc\u007Fd\u009Fe"_qs << u"abcde"_qs;
        QTest::newRow("white space runs") << u"a\t\n  b\u0085c\u00A0\u2003d"_qs << u"a b c d"_qs;
    }
    void sanitizeFileNameComponent() { QTEST(tolvane::sanitizeFileNameComponent(cell<QString>("input")), "expected"); }

    void detectedYear_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<int>>("expected");
        QTest::newRow("dotted") << u"Matrix.1999.1080p"_qs << std::optional(1999);
        QTest::newRow("inside a longer number") << u"Room 21999"_qs << std::optional<int>();
        QTest::newRow("after letters") << u"BladeRunner2049"_qs << std::optional(2049);
        QTest::newRow("first year wins") << u"1917 (2019)"_qs << std::optional(1917);
        QTest::newRow("range bounds") << u"1899 2100 2099"_qs << std::optional(2099);
        QTest::newRow("next to another script's digit") << u"1999\u0665 2001"_qs << std::optional(2001);
    }

    void detectedYear() { QTEST(tolvane::detectedYear(cell<QString>("text")), "expected"); }

    void cleanTitleForFileName_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<std::optional<int>>("year");
        QTest::addColumn<QString>("expected");
        const std::optional<int> none;
        QTest::newRow("parenthesised year") << u"The Matrix (1999)"_qs << std::optional(1999) << u"The Matrix"_qs;
        QTest::newRow("bare year, none given") << u"The Matrix 1999"_qs << none << u"The Matrix"_qs;
        QTest::newRow("number is not the year")
            << u"Blade Runner 2049"_qs << std::optional(1982) << u"Blade Runner 2049"_qs;
        QTest::newRow("number taken as year") << u"Blade Runner 2049"_qs << none << u"Blade Runner"_qs;
        QTest::newRow("bare year equals given") << u"Dune 2021"_qs << std::optional(2021) << u"Dune"_qs;
        QTest::newRow("year twice") << u"Movie (1999) (1999)"_qs << std::optional(1999) << u"Movie"_qs;
        QTest::newRow("colon and dots") << u"Heat: Director's Cut..."_qs << none << u"Heat Director's Cut"_qs;
        QTest::newRow("non-ASCII digits kept") << u"Film 19٩٩"_qs << std::optional(1999) << u"Film 19٩٩"_qs;
        QTest::newRow("nothing left but the year") << u"/ (1999)"_qs << none << QString();
    }
    void cleanTitleForFileName()
    {
        QTEST(tolvane::cleanTitleForFileName(cell<QString>("title"), cell<std::optional<int>>("year")), "expected");
    }
};

QTEST_GUILESS_MAIN(TestTitleParsing)
#include "tst_titleparsing.moc"
