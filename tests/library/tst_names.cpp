#include "library/NameBuilder.h"
#include "library/SearchStem.h"

#include <QTest>

using namespace tolvane;

namespace {

MovieMatch matchOf(const QString &title, std::optional<int> year, std::optional<QString> alt = std::nullopt)
{
    MovieMatch match;
    match.title = title;
    match.year = year;
    match.selectedAltTitle = std::move(alt);
    return match;
}

} // namespace

class TestNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deriveSearchStem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("scene release") << u"The.Matrix.1999.1080p.BluRay.x264-GROUP"_qs << u"The Matrix 1999 GROUP"_qs;
        QTest::newRow("brackets and parentheses") << u"Stalker (1979) [RUS]"_qs << u"Stalker"_qs;
        QTest::newRow("split junk leaves pieces")
            << u"Movie.2010.WEB-DL.DTS-HD.MA.5.1"_qs << u"Movie 2010 DL HD MA 5 1"_qs;
        QTest::newRow("title is a junk word") << u"It.2017"_qs << u"2017"_qs;
        QTest::newRow("only junk") << u"1080p.x265.HEVC-[rarbg]"_qs << QString();
        QTest::newRow("prefixes, resolutions, long words")
            << u"Amélie_576P_4320p_AAC2_DTSHD+Atmos_12345p_Theatrical_dtsmasterpieces"_qs << u"Amélie 12345p"_qs;
        QTest::newRow("Cyrillic, white space") << u"\tСталкер \n 1979.BDRip "_qs << u"Сталкер 1979"_qs;
        QTest::newRow("unclosed bracket stays") << u"Heat [Directors Cut"_qs << u"Heat [Directors"_qs;
        QTest::newRow("junk lowercased by Unicode rules") << u"Heat.4\u212A.HDR"_qs << u"Heat"_qs; // Kelvin sign
    }
    void deriveSearchStem()
    {
        QFETCH(QString, name);
        QTEST(tolvane::deriveSearchStem(name), "expected");
    }

    void proposedFileName_data()
    {
        QTest::addColumn<MovieMatch>("match");
        QTest::addColumn<QString>("postfix");
        QTest::addColumn<bool>("override");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("expected"); // empty: no name
        const MovieMatch matrix = matchOf(u"The Matrix"_qs, 1999);
        QTest::newRow("plain") << matrix << QString() << false << u"MKV"_qs << u"The_Matrix(1999).mkv"_qs;
        QTest::newRow("alternative") << matchOf(u"The Matrix"_qs, 1999, u" [Матрица] "_qs) << QString() << false
                                     << u"mkv"_qs << u"The_Matrix[Матрица](1999).mkv"_qs;
        QTest::newRow("alternative differs in case") << matchOf(u"The Matrix"_qs, 1999, u"THE MATRIX"_qs) << QString()
                                                     << false << u"mkv"_qs << u"The_Matrix(1999).mkv"_qs;
        QTest::newRow("postfix") << matrix << u" Director's  cut "_qs << false << u"mkv"_qs
                                 << u"The_Matrix(1999)_Director's_cut.mkv"_qs;
        QTest::newRow("postfix in parentheses")
            << matrix << u"_(extended) "_qs << false << u"mkv"_qs << u"The_Matrix(1999)_extended.mkv"_qs;
        QTest::newRow("postfix of removed characters")
            << matrix << u"/\\:*?\"<>|[]()"_qs << false << u"mkv"_qs << u"The_Matrix(1999).mkv"_qs;
        QTest::newRow("override") << matrix << u"My Film"_qs << true << u"mkv"_qs << u"My_Film.mkv"_qs;
        QTest::newRow("override without postfix") << matrix << u"  "_qs << true << u"mkv"_qs << QString();
        QTest::newRow("year and postfix only")
            << matchOf(u" ... "_qs, 1979) << u"x"_qs << false << u"mkv"_qs << u"(1979)_x.mkv"_qs;
        QTest::newRow("nothing usable") << matchOf(u"[]"_qs, std::nullopt) << QString() << false << u"mkv"_qs
                                        << QString();
        // Outside text never makes a hidden name nor one that looks like another.
        QTest::newRow("hidden title") << matchOf(u".hidden"_qs, 1999) << QString() << false << u"mkv"_qs
                                      << u"hidden(1999).mkv"_qs;
        QTest::newRow("path cleaned to dots") << matchOf(u"../../etc/passwd"_qs, 1999) << QString() << false
                                              << u"mkv"_qs << u"etcpasswd(1999).mkv"_qs;
        QTest::newRow("dots only: the year") << matchOf(u". . ."_qs, 1999) << QString() << false << u"mkv"_qs
                                             << u"(1999).mkv"_qs;
        QTest::newRow("dots only, no year") << matchOf(u"...."_qs, std::nullopt) << u"._."_qs << false << u"mkv"_qs
                                            << QString();
        QTest::newRow("hidden override") << matrix << u" .._.x"_qs << true << u"mkv"_qs << u"x.mkv"_qs;
        QTest::newRow("format characters")
            << matchOf(u"\u202ETwin\u200B\u200E\u2066\uFEFF"_qs, 1999, u"\u200BTwin\u00AD"_qs) << u"a\u200Db"_qs
            << false << u"mkv"_qs << u"Twin(1999)_ab.mkv"_qs;
        QTest::newRow("format characters only: the year")
            << matchOf(u"\u202E\u200B"_qs, 1999) << QString() << false << u"mkv"_qs << u"(1999).mkv"_qs;
    }
    void proposedFileName()
    {
        QFETCH(MovieMatch, match);
        QFETCH(QString, postfix);
        QFETCH(bool, override);
        QFETCH(QString, extension);
        QTEST(tolvane::proposedFileName(match, postfix, override, extension).value_or(QString()), "expected");
    }

    // Whatever an engine or the user types, a name must stay one visible entry of the file's folder.
    void hostileTextsGiveSafeNames_data()
    {
        QTest::addColumn<MovieMatch>("match");
        QTest::addColumn<QString>("postfix");
        QTest::addColumn<bool>("override");
        QTest::addColumn<QString>("extension");
        const MovieMatch x = matchOf(u"x"_qs, 1);
        QTest::newRow("dot titles") << matchOf(u".."_qs, {}, u"."_qs) << QString() << false << u"mkv"_qs;
        QTest::newRow("dot postfix, no extension") << x << u"."_qs << true << QString();
        QTest::newRow("NUL everywhere") << matchOf(
            QString::fromUtf16(u"Film\0Name", 9), 1999, QString::fromUtf16(u"Alt\0/x", 6))
                                        << QString::fromUtf16(u"a\0b", 3) << false << u"mkv"_qs;
        QTest::newRow("controls everywhere") << matchOf(u"A\u0001\u001b[2J\u007f\u009b"_qs, 2000, u"\u0085B\u0007"_qs)
                                             << u"\u0001c\td\u001f"_qs << false << u"mkv"_qs;
        QTest::newRow("controls in override") << x << u"\u0002/\u0003 \u0004"_qs << true << u"mkv"_qs;
        QTest::newRow("unpaired surrogate")
            << matchOf(u"Film "_qs + QChar(0xD800), 1999) << QString() << false << u"mkv"_qs;
    }
    void hostileTextsGiveSafeNames()
    {
        QFETCH(MovieMatch, match);
        QFETCH(QString, postfix);
        QFETCH(bool, override);
        QFETCH(QString, extension);
        const std::optional<QString> name = tolvane::proposedFileName(match, postfix, override, extension);
        if (!name)
            return;
        QVERIFY2(!name->startsWith(u'.'), qPrintable(*name));
        for (const QChar c : *name)
            QVERIFY2(c != u'/' && c.category() != QChar::Other_Control && c.category() != QChar::Other_Format,
                qPrintable(u"U+%1 in the name"_qs.arg(c.unicode(), 4, 16, QChar(u'0'))));
        // File names are stored as UTF-8: the name shown must be the name written.
        QCOMPARE(QString::fromUtf8(name->toUtf8()), *name);
    }

    void replySummary_data()
    {
        QTest::addColumn<EngineReply>("reply");
        QTest::addColumn<QString>("expected");
        MovieMatch solaris = matchOf(u"Solaris"_qs, 1972);
        MovieMatch mirror = matchOf(u"The Mirror 1975"_qs, 1975, u"Зеркало"_qs);
        mirror.site = CatalogSite::kinopoisk;
        MovieMatch fromVK = solaris;
        fromVK.site = CatalogSite::vkvideo;
        const auto reply = [](const MovieMatch &match, QList<MovieMatch> candidates) {
            return EngineReply{SearchEngine::vkvideo, EngineReplyStatus::success(match), std::move(candidates)};
        };
        QTest::newRow("one candidate") << reply(solaris, {solaris}) << u"[TMDB] Solaris(1972)"_qs;
        QTest::newRow("alternative, spaces kept") << reply(mirror, {}) << u"[Kinopoisk] The Mirror[Зеркало](1975)"_qs;
        QTest::newRow("several candidates")
            << reply(fromVK, {fromVK, solaris}) << u"[VK Video] Solaris  ·  2 titles"_qs;
    }
    void replySummary()
    {
        QFETCH(EngineReply, reply);
        QTEST(tolvane::replySummary(reply), "expected");
    }
};

QTEST_GUILESS_MAIN(TestNames)
#include "tst_names.moc"
