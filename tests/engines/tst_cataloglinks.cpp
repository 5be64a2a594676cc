#include "engines/duckduckgo/CatalogLinks.h"
#include "engines/duckduckgo/CatalogPageText.h"
#include "engines/duckduckgo/PageGraphemes.h"
#include "lookup/TitleParsing.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextBoundaryFinder>

using namespace tolvane;

namespace {

const QString fixtures = QStringLiteral(TOLVANE_SHARED_FIXTURES);

QString readPage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

/// "URL site-name" per hit, in order: compact to compare in tables.
QStringList described(const QList<CatalogHit> &hits)
{
    QStringList lines;
    for (const CatalogHit &hit : hits)
        lines.append(hit.pageURL.toString() + u' ' + rawValue(hit.site));
    return lines;
}

QString base64Redirect(const QByteArray &target) { return u"/r?u=a1"_qs + QString::fromLatin1(target.toBase64()); }
template<typename T> const T &cell(const char *c) { return *static_cast<T *>(QTest::qData(c, qMetaTypeId<T>())); }

} // namespace

class TestCatalogLinks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realResultPagesHoldNoCatalogLinks_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(fixtures + QStringLiteral("/duckduckgo"));
        if (!dir.exists())
            QSKIP("../shared/fixtures/real/duckduckgo is absent (not part of a user's clone)");
        for (const QString &name : dir.entryList({QStringLiteral("*.html")}, QDir::Files))
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }

    void realResultPagesHoldNoCatalogLinks()
    {
        const QString page = readPage(cell<QString>("path"));
        QVERIFY(!page.isEmpty());
        QCOMPARE(described(extractCatalogHits(page)), QStringList());
    }

    // A real result page whose first result is made to link to a catalog page in each form a page
    // may use; the result's own title must become the hit's link text.
    void linkFormsInRealPage_data()
    {
        QTest::addColumn<QString>("href");
        QTest::addColumn<QStringList>("expected");
        const QString matrix = u"https://www.themoviedb.org/movie/603-the-matrix"_qs;
        const QStringList tmdb{matrix + u" TMDB"_qs}, none;
        const QString tmdbPath = u"%2F%2Fwww.themoviedb.org%2Fmovie%2F603-the-matrix"_qs;
        QTest::newRow("tmdb plain") << matrix << tmdb;
        QTest::newRow("uddg with its own query") << u"//duckduckgo.com/l/?uddg=https%3A"_qs + tmdbPath + u"%3Fl%3Dru&amp;rut=a"_qs << tmdb;
        QTest::newRow("/url?q= without www") << u"/url?q=http%3A%2F%2Fthemoviedb.org%2Fmovie%2F603-the-matrix&amp;sa=U"_qs << tmdb;
        QTest::newRow("u= lower-case escapes") << u"/r?u=https%3a"_qs + tmdbPath.toLower() + u"&amp;v=2"_qs << tmdb;
        QTest::newRow("json, escaped slashes") << uR"({"url": "https:\/\/www.themoviedb.org\/movie\/603-the-matrix"})"_qs << tmdb;
        QTest::newRow("base64") << base64Redirect(matrix.toUtf8()) << tmdb;
        QTest::newRow("vk base64") << base64Redirect("https://m.vk.com/video-1_6") << QStringList{u"https://vkvideo.ru/video-1_6 VK Video"_qs};
        QTest::newRow("base64 without its padding") << base64Redirect("https://www.themoviedb.org/movie/6031").chopped(2) << none;
        QTest::newRow("base64 of non-UTF-8") << base64Redirect("https://www.themoviedb.org/movie/603-\xff\xfe") << none;
        QTest::newRow("redirect target too long") << u"/r?u=https%3A"_qs + tmdbPath + QString(17000, u'a') << none;
        QTest::newRow("redirect target running into text") << u"/r?u=https%3A"_qs + tmdbPath + u" and more"_qs << none;
    }

    void linkFormsInRealPage()
    {
        QFETCH(QString, href);
        QString page = readPage(fixtures + u"/duckduckgo/ddg_html_openclaw.html"_qs);
        if (page.isEmpty())
            QSKIP("../shared/fixtures/real/duckduckgo is absent (not part of a user's clone)");

        const QString firstResult = u"//duckduckgo.com/l/?uddg=https%3A%2F%2Fopenclaw.ai%2F&amp;rut=b50856dec302f4571be"
                                    u"69e2d55922c69f78e78daaf2ff17e3a28301f0296a139"_qs;
        QVERIFY(page.contains(firstResult));
        const QList<CatalogHit> hits = extractCatalogHits(page.replace(firstResult, href));
        QTEST(described(hits), "expected");
        for (const CatalogHit &hit : hits)
            QCOMPARE(hit.anchorText, u"OpenClaw — Personal AI Assistant"_qs);
    }

    // Plain links are collected before redirects, and one page yields one hit however it is linked.
    void orderAndRepeats()
    {
        const QString gap = QStringLiteral("\n<p>%1</p>\n").arg(QStringLiteral("filler ").repeated(70));
        const QString page
            = uR"(<a href="/l/?uddg=https%3A%2F%2Fwww.themoviedb.org%2Fmovie%2F550-fight-club">Fight Club (1999)</a>)"_qs
            + gap
            + uR"(<a href="/l/?uddg=https%3A%2F%2Fwww.themoviedb.org%2Fmovie%2F603-the-matrix">Matrix redirect</a>)"_qs
            + gap + uR"(<a href="https://www.kinopoisk.ru/film/301/">Матрица (1999)</a>)"_qs + gap
            + uR"(<a href="http://themoviedb.org/movie/603-the-matrix?language=ru">The Matrix</a>)"_qs + gap
            + uR"(<a href="https://www.themoviedb.org/movie/603-the-matrix#cast">again</a>)"_qs + gap
            + uR"(<a href="https://kinopoisk.ru/film/301">Матрица again</a>)"_qs;

        const QList<CatalogHit> hits = extractCatalogHits(page);
        QCOMPARE(described(hits),
            (QStringList{u"https://www.themoviedb.org/movie/603-the-matrix TMDB"_qs,
                u"https://www.kinopoisk.ru/film/301/ Kinopoisk"_qs,
                u"https://www.themoviedb.org/movie/550-fight-club TMDB"_qs}));
        QCOMPARE(hits[0].anchorText + u'|' + hits[1].anchorText + u'|' + hits[2].anchorText,
            u"The Matrix|Матрица (1999)|Fight Club (1999)"_qs);
        QCOMPARE(extractCatalogHits(QString()), QList<CatalogHit>());
    }

    // The window is 400 user-perceived characters on each side, not 400 UTF-16 units.
    void linkTextWindow_data()
    {
        QTest::addColumn<bool>("linkBefore");
        QTest::addColumn<int>("gap");
        QTest::addColumn<QString>("expected");

        const QString link = QStringLiteral("<a href=\"#\">Solaris &amp; more</a>");
        const int room = 400 - int(link.size());
        QTest::newRow("before, just inside") << true << room << u"Solaris & more"_qs;
        QTest::newRow("before, one too far") << true << room + 1 << QString();
        QTest::newRow("after, just inside") << false << room << u"Solaris & more"_qs;
        QTest::newRow("after, one too far") << false << room + 1 << QString();
    }

    void linkTextWindow()
    {
        QFETCH(bool, linkBefore);
        QFETCH(int, gap);
        QFETCH(QString, expected);

        const QString link = QStringLiteral("<a href=\"#\">Solaris &amp; more</a>");
        const QString target = QStringLiteral("https://www.themoviedb.org/movie/593-solaris");
        const QString filler = u"e\u0301"_qs.repeated(gap); // each character two UTF-16 units
        const QString page = linkBefore ? link + filler + target : target + filler + link;
        const QList<CatalogHit> hits = extractCatalogHits(page);
        QCOMPARE(hits.size(), 1);
        QCOMPARE(hits[0].anchorText, expected);
    }

    // Boundaries found piece by piece must be those of a finder over the whole text, also where a
    // rule looks back (flags, emoji sequences, CR LF) and for the scripts Qt segments by runs.
    void graphemeSteps_data()
    {
        QTest::addColumn<QString>("text");
        const QString ascii(3000, u'x');
        QTest::newRow("flags and emoji sequences") << ascii + u"\U0001F1F7\U0001F1FA\U0001F1F7 \U0001F468\u200D\U0001F469\u200D\U0001F467"_qs.repeated(300) + ascii;
        QTest::newRow("CR LF and combining marks") << ascii + u"\r\n\r\re\u0301\u0301\u200D\u0600a"_qs.repeated(400) + ascii;
        QTest::newRow("Devanagari after an emoji") << ascii + u"x  \U0001F600\u0915\u094D\u0937"_qs.repeated(400) + ascii;
    }

    void graphemeSteps()
    {
        QFETCH(QString, text);
        PageGraphemes steps(text);
        QTextBoundaryFinder whole(QTextBoundaryFinder::Grapheme, text);
        for (qsizetype at = 0; at <= text.size(); at += 7) {
            for (const int count : {1, 400}) {
                whole.setPosition(at);
                qsizetype back = at;
                for (int i = 0; i < count && back > 0; ++i)
                    back = std::max<qsizetype>(whole.toPreviousBoundary(), 0);
                QCOMPARE(steps.back(at, count), back);
                whole.setPosition(at);
                qsizetype forward = at;
                for (int i = 0; i < count && forward < text.size(); ++i)
                    forward = whole.toNextBoundary();
                QCOMPARE(steps.forward(at, count), forward);
            }
        }
    }

    // An unpaired surrogate (no character, but possible in a QString) once hid every link of the page.
    void unpairedSurrogate()
    {
        const QString page = QStringLiteral("<a href=\"https://www.themoviedb.org/movie/603\">Matrix</a>") + QChar(0xD800);
        const QList<CatalogHit> hits = extractCatalogHits(page);
        QCOMPARE(hits.size(), 1);
        QCOMPARE(hits[0].anchorText, u"Matrix"_qs);
    }

    void canonicalURLs_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("expected"); // "URL site", null when no catalog page
        const auto row = [](const char *name, const QString &raw, const QString &expected = {}) {
            QTest::newRow(name) << raw << expected;
        };
        const QString kp = u"https://www.kinopoisk.ru/"_qs, vk = u"https://vkvideo.ru/video-5_6 VK Video"_qs;
        row("query, fragment, port and user dropped", u"http://user@THEMOVIEDB.org:8080/movie/603-the-matrix?x=1#y"_qs,
            u"https://www.themoviedb.org/movie/603-the-matrix TMDB"_qs);
        row("escaped slashes", u"https:\\/\\/vkvideo.ru\\/video-5_6"_qs, vk);
        row("percent-encoded, cut at the ampersand", u"https%3A%2F%2Fwww.kinopoisk.ru%2Ffilm%2F301%2F&sa=U"_qs,
            kp + u"film/301/ Kinopoisk"_qs);
        row("malformed escape kept as written", u"https://www.themoviedb.org/movie/603-100%-pure"_qs);
        row("kinopoisk deeper page keeps one segment", kp + u"film/301/reviews/ord/"_qs, kp + u"film/301/reviews/ Kinopoisk"_qs);
        row("kinopoisk series", u"https://kinopoisk.ru/series/306084"_qs, kp + u"series/306084/ Kinopoisk"_qs);
        row("kinopoisk person path", kp + u"name/1/"_qs);
        row("kinopoisk path in capitals", kp + u"FILM/301/"_qs);
        row("vk .ru host", u"https://vk.ru/video-5_6?list=9"_qs, vk);
        row("vk subdomain", u"https://new.vk.com/video-5_6"_qs, vk);
        row("host merely ending in vk.com", u"https://notvk.com/video-5_6"_qs);
        row("vk non-video path", u"https://vk.com/club1"_qs);
        row("no host", u"/movie/603-the-matrix"_qs);
        row("not a URL", u"https://www.themoviedb.org/movie/603 x"_qs);
    }

    void canonicalURLs()
    {
        const auto url = canonicalCatalogURL(cell<QString>("raw"));
        QTEST(url ? url->first.toString() + u' ' + rawValue(url->second) : QString(), "expected");
    }

    void slugTitles_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<std::optional<QString>>("expected");

        QTest::newRow("double dash and case kept")
            << u"https://www.themoviedb.org/movie/1-iPhone--story"_qs << std::optional(u"IPhone Story"_qs);
        QTest::newRow("decoded cyrillic")
            << u"https://www.themoviedb.org/movie/2-%D1%91%D0%BB%D0%BA%D0%B8"_qs << std::optional(u"Ёлки"_qs);
        QTest::newRow("dash at the end") << u"https://www.themoviedb.org/movie/603-"_qs << std::optional<QString>();
        QTest::newRow("Movie in capitals") << u"https://www.themoviedb.org/Movie/603-x"_qs << std::optional<QString>();
    }

    void slugTitles() { QTEST(tmdbSlugTitle(QUrl(cell<QString>("url"))), "expected"); }

    void pageTitles_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<std::optional<QString>>("title");
        QTest::addColumn<int>("year"); // 0 when absent

        QTest::newRow("og wins over title")
            << u"<title>Other</title><meta property=\"og:title\" content=\"Сталкер (1979) — Кинопоиск\">"_qs
            << std::optional(u"Сталкер (1979) — Кинопоиск"_qs) << 1979;
        QTest::newRow("og content first, apostrophes")
            << u"<META content='Solaris &amp; Co' data-x=1 property='og:title'/><title>T</title>"_qs
            << std::optional(u"Solaris & Co"_qs) << 0;
        QTest::newRow("year in other digits is no year")
            << u"<p>(\u0661\u0669\u0667\u0669)</p><p>(1979)</p>"_qs << std::optional<QString>() << 0;
    }

    void pageTitles()
    {
        const QString &page = cell<QString>("page");
        QTEST(extractPageTitle(page), "title");
        QTEST(extractYearFromPage(page).value_or(0), "year");
    }

    void realKinopoiskPages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("year"); // the page's first parenthesized year, 0 when none

        if (!QDir(fixtures + QStringLiteral("/kinopoisk")).exists())
            QSKIP("../shared/fixtures/real/kinopoisk is absent (not part of a user's clone)");
        const auto row = [](const char *name, const QString &file, const QString &title, int year = 0) {
            QTest::newRow(name) << file << title << year;
        };
        row("film, full page", u"film_258687_interstellar_2021-09.html"_qs, u"«Интерстеллар» (Interstellar, 2014)"_qs, 2014);
        row("film, head", u"film_1005878_the_lion_king_2019_2021-09.head.html"_qs, u"«Король Лев» (The Lion King, 2019)"_qs, 2019);
        row("film without year in the head", u"film_6877_the_terminal_2021-09.head.html"_qs, u"«Терминал» (The Terminal, 2004)"_qs);
        row("untitled film", u"film_926005_untitled_nosferatu_2021-09.head.html"_qs, u"Untitled Nosferatu Remake"_qs);
        row("series", u"series_306084_big_bang_theory_2021-09.head.html"_qs,
            u"«Теория большого взрыва» (The Big Bang Theory, 2007-2019)"_qs);
    }

    void realKinopoiskPages()
    {
        const QString &title = cell<QString>("title");
        const QString page = readPage(fixtures + QStringLiteral("/kinopoisk/") + cell<QString>("file"));
        QVERIFY(!page.isEmpty());
        QCOMPARE(extractPageTitle(page).value_or(QString()), title);
        QTEST(extractYearFromPage(page).value_or(0), "year");
        // These titles put the year inside the parentheses with the original title, a form the title
        // parser keeps whole; a match then takes its year from the page.
        QCOMPARE(parseTitleYear(title), std::optional(TitleYear{title, std::nullopt}));
    }
};

QTEST_GUILESS_MAIN(TestCatalogLinks)
#include "tst_cataloglinks.moc"
