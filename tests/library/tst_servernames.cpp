#include "library/SearchStem.h"
#include "library/ServerNames.h"

#include <QFile>
#include <QTest>

using namespace tolvane;

class TestServerNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        QTest::addColumn<QString>("row"); // layout | title | year | TMDB id | edition | part | folder | base
        QTest::newRow("jellyfin") << "jellyfin|The Matrix|1999|603|||The Matrix (1999) [tmdbid-603]|The Matrix (1999) [tmdbid-603]";
        QTest::newRow("jellyfin edition, part") << "jellyfin|The Matrix|1999|603|Director's Cut|cd1|The Matrix (1999) [tmdbid-603]|"
                                                   "The Matrix (1999) [tmdbid-603] - Director's Cut - cd1";
        QTest::newRow("plex edition") << "plex|The Matrix|1999|603|Director's Cut||The Matrix (1999) {tmdb-603} "
                                         "{edition-Director's Cut}|The Matrix (1999) {tmdb-603} {edition-Director's Cut}";
        QTest::newRow("plex part") << "plex|The Matrix|1999|603||part2|The Matrix (1999) {tmdb-603}|The Matrix (1999) {tmdb-603} - part2";
        QTest::newRow("kodi") << "kodi|The Matrix|1999|603|Extended||The Matrix (1999)|The Matrix (1999) - Extended";
        QTest::newRow("no id, no year") << "jellyfin|Stalker|||||Stalker|Stalker";
        // A tag is never closed early nor a path made by what a service or the user wrote.
        QTest::newRow("hostile texts") << "plex| AC/DC: [Live] {x} (2009) |2009|7|a}{b/c||ACDC Live x (2009) {tmdb-7} "
                                          "{edition-abc}|ACDC Live x (2009) {tmdb-7} {edition-abc}";
        QTest::newRow("hidden title") << "kodi|{.x} 1999|1999||||x (1999)|x (1999)";
        QTest::newRow("nothing usable") << "kodi|[]|1999||||| ";
        QTest::newRow("flat") << "flat|The Matrix|1999|603|||| ";
    }
    void names()
    {
        QFETCH(QString, row);
        const QStringList f = row.split(u'|');
        const auto number = [](const QString &text) { return text.isEmpty() ? std::nullopt : std::optional(text.toInt()); };
        const ServerNameParts parts{f[1], number(f[2]), number(f[3]), f[4], f[5]};
        const LibraryLayout layout = layoutFromKey(f[0]).value();
        QCOMPARE(layoutKey(layout), f[0]);
        QCOMPARE(serverFolderName(layout, parts), f[6]);
        QCOMPARE(serverBaseName(layout, parts), f[7].trimmed());
    }

    void editionsAndParts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("edition");
        QTest::addColumn<QString>("part");
        QTest::newRow("extended") << "Hercules.2014.Extended.Cut.HDRip.XViD-juggs[ETRG]" << "Extended" << "";
        QTest::newRow("director's cut, cd")
            << "Blade.Runner.(1982).(Director's.Cut).DVDRip.XviD.AC3-WAF.CD1" << "Director's Cut" << "cd1";
        QTest::newRow("director cut, part") << "Gladiator 2000 Director Cut - Part.2" << "Director's Cut" << "part2";
        QTest::newRow("DC next to the year") << "Alien DC (1979) [1080p]" << "Director's Cut" << "";
        QTest::newRow("DC elsewhere") << "Apocalypse.Now.1979.Redux.DC" << "" << "";
        QTest::newRow("a title, not an edition") << "The.Final.Cut.2004.720p.BluRay" << "" << "";
        QTest::newRow("capitals before the year") << "Suicide Squad EXTENDED (2016) 2160p" << "Extended" << "";
        QTest::newRow("special edition, pt") << "Star Wars (1977) Special Edition - pt3" << "Special Edition" << "pt3";
        QTest::newRow("ultimate alone") << "The.Ultimate.Gift.2006.DVDRip" << "" << "";
        QTest::newRow("ultimate cut, disc") << "Watchmen.2009.Ultimate.Cut.disc1" << "Ultimate" << "disc1";
        QTest::newRow("no year: capitals only") << "Film.UNRATED.DVD2" << "Unrated" << "dvd2";
        QTest::newRow("no year, title case") << "The.Final.Cut" << "" << "";
        QTest::newRow("criterion, IMAX") << "Picnic.at.Hanging.Rock.1975.Criterion.IMAX" << "Criterion" << "";
        QTest::newRow("near misses") << "Cutthroat.Island.1995.Partisan.Discovery.of.Heaven" << "" << "";
        QTest::newRow("two digits") << "Film.Part.10" << "" << "";
        QTest::newRow("marker alone") << "cd1" << "" << "";
        QTest::newRow("mid-name marker") << "Battle.Royale.(2000).CD1of2.DVDRiP" << "" << "";
    }
    void editionsAndParts()
    {
        QFETCH(QString, name);
        QTEST(detectedEdition(name).value_or(QString()), "edition");
        const std::optional<PartMarker> marker = partMarker(name);
        QTEST(marker ? marker->word : QString(), "part");
        QVERIFY(!marker || !partMarker(name.left(marker->start)));
    }

    // On every real release name we hold, an edition or a part is never taken from the title.
    void realNamesKeepTheirTitles()
    {
        int names = 0;
        for (const char *table : {"/release_names/ptt_movies_title_year.tsv", "/release_names/guessit_movies_title_year.tsv"}) {
            QFile file(QStringLiteral(TOLVANE_SHARED_FIXTURES) + QLatin1String(table));
            if (!file.open(QIODevice::ReadOnly))
                QSKIP("../shared/fixtures/real is absent: no real release names to read");
            file.readLine(); // the header
            while (!file.atEnd()) {
                const QStringList fields = QString::fromUtf8(file.readLine()).split(u'\t');
                QString name = fields[0].section(u'/', -1);
                if (isVideoExtension(pathExtension(name).toLower()))
                    name = deletingPathExtension(name);
                const QString title = fields.value(1).toLower().remove(u'\'');
                const QString edition = detectedEdition(name).value_or(QString()).toLower().remove(u'\'');
                const std::optional<PartMarker> part = partMarker(name);
                QVERIFY2(edition.isEmpty() || !title.contains(edition), qPrintable(name));
                QVERIFY2(!part || !title.endsWith(part->word.left(2)), qPrintable(name));
                ++names;
            }
        }
        QVERIFY(names > 400);
    }

    void tmdbIds_data()
    {
        QTest::addColumn<QString>("row"); // chosen title | its alternatives | its year | its page | found title | its year | id
        QTest::newRow("own page") << "The Matrix||1999|https://www.themoviedb.org/movie/603-the-matrix|||603";
        QTest::newRow("alternative agrees") << "Матрица|The Matrix|1999||the matrix|1999|603";
        QTest::newRow("year differs") << "The Matrix||2003||The Matrix|1999|0";
        QTest::newRow("title differs") << "The Matrix Reloaded||1999||The Matrix|1999|0";
        QTest::newRow("lookalike host") << "Fake||1999|https://notthemoviedb.org/movie/603|||0";
        QTest::newRow("not a movie page") << "Lost||2004|https://www.themoviedb.org/tv/4607-lost|||0";
    }
    void tmdbIds()
    {
        QFETCH(QString, row);
        const QStringList f = row.split(u'|');
        MovieMatch chosen;
        chosen.title = f[0];
        chosen.altTitles = f[1].isEmpty() ? QStringList() : QStringList{f[1]};
        chosen.year = f[2].toInt();
        if (!f[3].isEmpty())
            chosen.pageURL = QUrl(f[3]);
        std::optional<MovieMatch> found;
        if (!f[4].isEmpty()) {
            found.emplace();
            found->title = f[4];
            found->year = f[5].toInt();
            found->pageURL = QUrl(QStringLiteral("https://www.themoviedb.org/movie/603-the-matrix"));
        }
        QCOMPARE(tmdbIdFor(chosen, found).value_or(0), f[6].toInt());
    }

    void nfo()
    {
        const QByteArray nfo = movieNfo({QStringLiteral("Tom & Jerry <\x1b[1m>"), 1999, 603, QStringLiteral("Director's Cut"), {}});
        QCOMPARE(nfo,
            QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<movie>\n"
                       "    <title>Tom &amp; Jerry &lt;&gt;</title>\n    <year>1999</year>\n"
                       "    <uniqueid type=\"tmdb\" default=\"true\">603</uniqueid>\n"
                       "    <edition>Director's Cut</edition>\n</movie>\n"));
    }
};

QTEST_GUILESS_MAIN(TestServerNames)
#include "tst_servernames.moc"
