#include "core/FilePaths.h"
#include "library/MovieItem.h"
#include "library/NameBuilder.h"
#include "library/SearchStem.h"

#include <QSignalSpy>
#include <QTest>

using namespace tolvane;

namespace {

// A table row is one text: its fields split at " ; ".
QStringList fields(const QString &row)
{
    return row.split(u" ; "_qs);
}
std::optional<int> yearOf(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional(text.toInt());
}
MovieMatch matchOf(const QString &title, std::optional<int> year, std::optional<QString> alt = std::nullopt)
{
    MovieMatch match;
    std::tie(match.title, match.year, match.selectedAltTitle) = std::tie(title, year, alt);
    return match;
}
EngineReply success(SearchEngine engine, const MovieMatch &match, QList<MovieMatch> candidates = {})
{
    return {engine, EngineReplyStatus::success(match), std::move(candidates)};
}
EngineReply failure(SearchEngine engine)
{
    return {engine, EngineReplyStatus::failed(u"Nothing found"_qs), {}};
}
// The current table row's cell, by column; "row" split into its fields.
template<typename T> const T &cell(const char *column)
{
    return *static_cast<T *>(QTest::qData(column, qMetaTypeId<T>()));
}
QStringList row()
{
    return fields(cell<QString>("row"));
}

} // namespace

class TestMovieItem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deriveSearchStem_data()
    {
        QTest::addColumn<QString>("row"); // name ; stem
        QTest::newRow("scene release") << u"The.Matrix.1999.1080p.BluRay.x264-GROUP ; The Matrix 1999 GROUP"_qs;
        QTest::newRow("brackets and parentheses") << u"Stalker (1979) [RUS] ; Stalker"_qs;
        QTest::newRow("split junk leaves pieces") << u"Movie.2010.WEB-DL.DTS-HD.MA.5.1 ; Movie 2010 DL HD MA 5 1"_qs;
        QTest::newRow("title is a junk word") << u"It.2017 ; 2017"_qs;
        QTest::newRow("prefixes, resolutions, long words")
            << u"Amélie_576P_4320p_AAC2_DTSHD+Atmos_12345p_Theatrical_dtsmasterpieces ; Amélie 12345p"_qs;
        QTest::newRow("Cyrillic, white space") << u"\tСталкер \n 1979.BDRip  ; Сталкер 1979"_qs;
        QTest::newRow("unclosed bracket stays") << u"Heat [Directors Cut ; Heat [Directors"_qs;
        QTest::newRow("junk lowercased by Unicode rules") << u"Heat.4\u212A.HDR ; Heat"_qs; // Kelvin sign
        QTest::newRow("digits first, ten letters and eleven")
            << u"Heat.10BIT.1080P.X265.Theatrical.Theatricals.Hulu ; Heat Theatricals"_qs;
    }
    void deriveSearchStem() { QCOMPARE(tolvane::deriveSearchStem(row()[0]), row()[1]); }

    void proposedFileName_data()
    {
        QTest::addColumn<QString>("row"); // title ; year ; alternative ; postfix ; override ; extension ; name
        QTest::newRow("plain") << u"The Matrix ; 1999 ;  ;  ;  ; MKV ; The_Matrix(1999).mkv"_qs;
        QTest::newRow("alternative")
            << u"The Matrix ; 1999 ;  [Матрица]  ;  ;  ; mkv ; The_Matrix[Матрица](1999).mkv"_qs;
        QTest::newRow("alternative differs in case")
            << u"The Matrix ; 1999 ; THE MATRIX ;  ;  ; mkv ; The_Matrix(1999).mkv"_qs;
        QTest::newRow("postfix")
            << u"The Matrix ; 1999 ;  ;  Director's  cut  ;  ; mkv ; The_Matrix(1999)_Director's_cut.mkv"_qs;
        QTest::newRow("postfix in parentheses")
            << u"The Matrix ; 1999 ;  ; _(extended)  ;  ; mkv ; The_Matrix(1999)_extended.mkv"_qs;
        QTest::newRow("override") << u"The Matrix ; 1999 ;  ; My Film ; 1 ; mkv ; My_Film.mkv"_qs;
        QTest::newRow("override without postfix") << u"The Matrix ; 1999 ;  ;    ; 1 ; mkv ; "_qs;
        QTest::newRow("year and postfix only") << u" ...  ; 1979 ;  ; x ;  ; mkv ; (1979)_x.mkv"_qs;
        QTest::newRow("nothing usable") << u"[] ;  ;  ;  ;  ; mkv ; "_qs;
        // Outside text never makes a hidden name nor one that looks like another.
        QTest::newRow("hidden title") << u".hidden ; 1999 ;  ;  ;  ; mkv ; hidden(1999).mkv"_qs;
        QTest::newRow("path cleaned to dots") << u"../../etc/passwd ; 1999 ;  ;  ;  ; mkv ; etcpasswd(1999).mkv"_qs;
        QTest::newRow("hidden override") << u"x ; 1 ;  ;  .._.x ; 1 ; mkv ; x.mkv"_qs;
        QTest::newRow("format characters")
            << u"\u202ETwin\u200B\u200E\u2066\uFEFF ; 1999 ; \u200BTwin\u00AD ; a\u200Db ;  ; mkv ; Twin(1999)_ab.mkv"_qs;
        QTest::newRow("NUL everywhere")
            << u"Film\0Name ; 1999 ; Alt\0/x ; a\0b ;  ; mkv ; FilmName[Altx](1999)_ab.mkv"_qs;
        QTest::newRow("controls everywhere")
            << u"A\u0001\u001b[2J\u007f\u009b ; 2000 ; \u0085B\u0007 ; \u0001c\td\u001f ;  ; mkv ; A[B](2000)_c_d.mkv"_qs;
        // Terminal escape sequences go whole, not just their control characters.
        QTest::newRow("escape sequences")
            << u"\u001b]0;pwned\u0007\u001b[2JEvil\u001b(B ; 1999 ; \u009b31mRed\u001bPq#0\u001b\\Bell ; \u001b[1;4mx ;  ; mkv ; Evil[RedBell](1999)_x.mkv"_qs;
        QTest::newRow("unterminated string") << u"Film\u001b]8;;http://x ; 1999 ;  ;  ;  ; mkv ; Film(1999).mkv"_qs;
        // A name is written as UTF-8: half a surrogate pair cannot be.
        QTest::newRow("unpaired surrogate")
            << u"Film "_qs + QChar(0xD800) + u" ; 1999 ;  ;  ;  ; mkv ; Film(1999).mkv"_qs;
    }
    void proposedFileName()
    {
        const QStringList f = row();
        const auto alt = f[2].isEmpty() ? std::nullopt : std::optional(f[2]);
        const auto name = tolvane::proposedFileName(matchOf(f[0], yearOf(f[1]), alt), f[3], !f[4].isEmpty(), f[5]);
        QCOMPARE(name.value_or(QString()), f[6]);
        QVERIFY(!name || isPlainFileName(*name));
    }

    void replySummary_data()
    {
        QTest::addColumn<EngineReply>("reply");
        QTest::addColumn<QString>("expected");
        MovieMatch solaris = matchOf(u"Solaris"_qs, 1972), mirror = matchOf(u"The Mirror 1975"_qs, 1975, u"Зеркало"_qs);
        mirror.site = CatalogSite::kinopoisk;
        MovieMatch fromVK = solaris;
        fromVK.site = CatalogSite::vkvideo;
        const SearchEngine vk = SearchEngine::vkvideo;
        QTest::newRow("one candidate") << success(vk, solaris, {solaris}) << u"[TMDB] Solaris(1972)"_qs;
        QTest::newRow("alternative, spaces kept") << success(vk, mirror) << u"[Kinopoisk] The Mirror[Зеркало](1975)"_qs;
        QTest::newRow("several candidates")
            << success(vk, fromVK, {fromVK, solaris}) << u"[VK Video] Solaris  ·  2 titles"_qs;
    }
    void replySummary() { QTEST(tolvane::replySummary(cell<EngineReply>("reply")), "expected"); }

    void chosenMatch_data()
    {
        QTest::addColumn<QList<EngineReply>>("replies");
        QTest::addColumn<std::optional<SearchEngine>>("chosen");
        QTest::addColumn<QString>("expected");
        const QList<EngineReply> replies{failure(SearchEngine::yandexAI),
            success(SearchEngine::vkvideo, matchOf(u"A"_qs, 1)),
            success(SearchEngine::duckDuckGo, matchOf(u"B"_qs, 2))};
        QTest::newRow("chosen succeeded") << replies << std::optional(SearchEngine::duckDuckGo) << u"B"_qs;
        QTest::newRow("chosen failed") << replies << std::optional(SearchEngine::yandexAI) << u"A"_qs;
        QTest::newRow("priority, not list order")
            << QList<EngineReply>{replies[2], replies[1]} << std::optional<SearchEngine>() << u"A"_qs;
    }
    void chosenMatch()
    {
        MovieItem item(QByteArray("/m/x.mkv"));
        item.setEngineReplies(cell<QList<EngineReply>>("replies"));
        item.setChosenEngine(cell<std::optional<SearchEngine>>("chosen"));
        QTEST(item.chosenMatch().value_or(MovieMatch{}).title, "expected");
    }

    void canRename_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("row"); // proposed name ; already renamed ; can rename
        QTest::newRow("same name") << QByteArray("x.mkv") << u"x.mkv ;  ; "_qs;
        QTest::newRow("case only") << QByteArray("x.mkv") << u"X.mkv ;  ; 1"_qs;
        QTest::newRow("already renamed") << QByteArray("x.mkv") << u"y.mkv ; 1 ; "_qs;
        // Reads the same, yet the file still has its Latin-1 name.
        QTest::newRow("Latin-1 name shown alike") << QByteArray("Caf\xe9.mkv") << u"Café.mkv ;  ; 1"_qs;
        QTest::newRow("UTF-8 name alike") << QByteArray("Caf\xc3\xa9.mkv") << u"Café.mkv ;  ; "_qs;
    }
    void canRename()
    {
        const QStringList f = row();
        MovieItem item("/m/" + cell<QByteArray>("file"));
        item.setStatus(LookupStatus::ready());
        item.setProposedName(f[0]);
        item.setIsRenamed(!f[1].isEmpty());
        QCOMPARE(item.canRename(), !f[2].isEmpty());
    }

    void addExtraToken_data()
    {
        QTest::addColumn<QString>("row"); // tokens ; added ; tokens after
        QTest::newRow("present in other case") << u"solaris 1972 ; Solaris ; solaris 1972"_qs;
        QTest::newRow("non-ASCII case") << u"été ; ÉTÉ ; été"_qs;
        QTest::newRow("slash") << u" ;  /  ; "_qs;
        QTest::newRow("both trimmed") << u" a\t ;  b\n ; a b"_qs;
        QTest::newRow("prefix is no match") << u"solaris ; Sol ; solaris Sol"_qs;
    }
    void addExtraToken()
    {
        const QStringList f = row();
        MovieItem item(QByteArray("/m/x.mkv"));
        item.setExtraTokens(f[0]);
        item.addExtraToken(f[1]);
        QCOMPARE(item.extraTokens(), f[2]);
    }

    void applyMatch()
    {
        MovieItem item(QByteArray("/m/x.MKV"));
        const MovieMatch offered = matchOf(u"Solyaris"_qs, 1972), solaris = matchOf(u"Solaris"_qs, 1972);
        item.setEngineReplies({EngineReply{}, success(SearchEngine::vkvideo, offered, {offered, offered})});
        item.setIsRenamed(true);
        item.applyMatch(solaris, SearchEngine::vkvideo);
        QCOMPARE(item.engineReplies(),
            (QList<EngineReply>{EngineReply{}, success(SearchEngine::vkvideo, solaris, {offered, offered})}));
        QCOMPARE(item.chosenEngine(), std::optional(SearchEngine::vkvideo));
        QCOMPARE(item.proposedName(), std::optional(u"Solaris(1972).mkv"_qs));
        QVERIFY(item.status() == LookupStatus::ready() && !item.isRenamed());

        // An engine without a reply still drives the name; the reply list stays as it is.
        item.setNamePostfix(u"\u0001/x"_qs);
        item.applyMatch(matchOf(u"../A"_qs, 1999, QString::fromUtf16(u"c/d\0\u0001", 5)), SearchEngine::duckDuckGo);
        QCOMPARE(item.engineReplies().size(), 2);
        QCOMPARE(item.proposedName(), std::optional(u"A[cd](1999)_x.mkv"_qs));
        item.useEngine(SearchEngine::yandexAI); // pending: ignored
        QCOMPARE(item.chosenEngine(), std::optional(SearchEngine::duckDuckGo));
        item.useEngine(SearchEngine::vkvideo);
        QCOMPARE(item.proposedName(), std::optional(u"Solaris(1972)_x.mkv"_qs));
    }

    void setSelectedAltTitle_data()
    {
        QTest::addColumn<std::optional<SearchEngine>>("chosen");
        QTest::addColumn<QString>("row"); // alternative given ; stored ; proposed name
        QTest::newRow("nothing chosen") << std::optional<SearchEngine>()
                                        << u" Солярис\n ; Солярис ; Solaris[Солярис](1972).mkv"_qs;
        QTest::newRow("other engine chosen") << std::optional(SearchEngine::vkvideo) << u"Солярис ; Солярис ; "_qs;
        QTest::newRow("blank clears") << std::optional(SearchEngine::yandexAI) << u"   ;  ; Solaris(1972).mkv"_qs;
    }
    void setSelectedAltTitle()
    {
        const QStringList f = row();
        MovieItem item(QByteArray("/m/x.mkv"));
        item.setEngineReplies(
            {success(SearchEngine::yandexAI, matchOf(u"Solaris"_qs, 1972, u"Old"_qs)), failure(SearchEngine::vkvideo)});
        item.setChosenEngine(cell<std::optional<SearchEngine>>("chosen"));
        item.setSelectedAltTitle(f[0], SearchEngine::vkvideo); // failed reply: ignored
        item.setSelectedAltTitle(f[0], SearchEngine::yandexAI);
        QCOMPARE(item.engineReplies()[0].status.match()->selectedAltTitle.value_or(QString()), f[1]);
        QCOMPARE(item.proposedName().value_or(QString()), f[2]);
        QCOMPARE(item.engineReplies()[1], failure(SearchEngine::vkvideo));
    }

    // Names as the file system has them: bytes that need not be UTF-8.
    void namesFromBytes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("row"); // name shown ; stem ; year hint
        QTest::newRow("Latin-1") << QByteArray("Caf\xe9.1999.mkv") << u"Café.1999.mkv ; Café 1999 ; 1999"_qs;
        QTest::newRow("CP1251") << QByteArray("\xd1\xf2\xe0\xeb\xea\xe5\xf0 [1979].avi")
                                << u"Сталкер [1979].avi ; Сталкер ; 1979"_qs;
        QTest::newRow("a real U+FFFD") << QByteArray("Caf\xef\xbf\xbd.mkv") << u"Caf\uFFFD.mkv ; Caf\uFFFD ; "_qs;
        QTest::newRow("first year wins") << QByteArray("1917 (2019).mkv") << u"1917 (2019).mkv ; 1917 ; 1917"_qs;
    }
    void namesFromBytes()
    {
        const QStringList f = row();
        const QByteArray path = "/m\xe9/" + cell<QByteArray>("file");
        const MovieItem item(path);
        QCOMPARE(item.originalName(), f[0]);
        QCOMPARE(item.searchStem(), f[1]);
        QCOMPARE(item.yearHint(), yearOf(f[2]));
        QCOMPARE(nativePath(item.url()), path);
    }

    // A row's name in each layout, from an AI reply "Матрица" (alternative "The Matrix") and a
    // DuckDuckGo reply whose TMDB page agrees with it.
    void naming_data()
    {
        QTest::addColumn<QString>("row"); // file ; layout ; flags ; postfix ; path
        // Flags: n no film folders, o override, y no year, i no DuckDuckGo reply, t no usable title.
        QTest::newRow("flat, edition prefilled")
            << u"Matrix.1999.Directors.Cut.mkv ; flat ;  ;  ; Матрица[The_Matrix](1999)_Director's_Cut.mkv"_qs;
        QTest::newRow("flat, edition and part")
            << u"Matrix.1999.Directors.Cut.CD1.mkv ; flat ;  ;  ; Матрица[The_Matrix](1999)_Director's_Cut_cd1.mkv"_qs;
        QTest::newRow("flat override") << u"x.cd2.mkv ; flat ; o ; My Film ; My_Film.mkv"_qs;
        QTest::newRow("jellyfin id")
            << u"x.MKV ; jellyfin ;  ;  ; Матрица (1999) [tmdbid-603]/Матрица (1999) [tmdbid-603].mkv"_qs;
        QTest::newRow("jellyfin no id") << u"x.mkv ; jellyfin ; i ;  ; Матрица (1999)/Матрица (1999).mkv"_qs;
        QTest::newRow("plex edition, part") << u"X.1999.Extended.pt1.mkv ; plex ;  ;  ; Матрица (1999) {tmdb-603} "
                                               "{edition-Extended}/Матрица (1999) {tmdb-603} {edition-Extended} - pt1.mkv"_qs;
        QTest::newRow("kodi no year") << u"x.mkv ; kodi ; y ;  ; Матрица/Матрица.mkv"_qs;
        QTest::newRow("kodi in place") << u"x.mkv ; kodi ; n ; Director's  Cut ; Матрица (1999) - Director's Cut.mkv"_qs;
        QTest::newRow("jellyfin override") << u"x.mkv ; jellyfin ; o ; My Film ; Матрица (1999) [tmdbid-603]/My_Film.mkv"_qs;
        QTest::newRow("Plex name kept") << u"Матрица (1999) {tmdb-603} {edition-Remastered}/Матрица (1999) {tmdb-603} "
                                           "{edition-Remastered}.mkv ; plex ;  ;  ; Матрица (1999) {tmdb-603} {edition-Remastered}.mkv"_qs;
        QTest::newRow("folder reused")
            << u"Матрица (1999) [tmdbid-603]/x.mkv ; jellyfin ;  ;  ; Матрица (1999) [tmdbid-603].mkv"_qs;
        QTest::newRow("no usable title") << u"x.mkv ; kodi ; t ;  ; "_qs;
    }
    void naming()
    {
        const QStringList f = row();
        MovieMatch ai = matchOf(f[2].contains(u't') ? u"[]"_qs : u"Матрица"_qs, 1999, u"The Matrix"_qs);
        ai.year = f[2].contains(u'y') ? std::nullopt : ai.year;
        std::tie(ai.site, ai.altTitles) = std::tuple(CatalogSite::yandexAI, QStringList{u"The Matrix"_qs});
        MovieMatch tmdb = matchOf(u"The Matrix"_qs, 1999);
        tmdb.pageURL = QUrl(u"https://www.themoviedb.org/movie/603-the-matrix"_qs);
        MovieItem item("/m/" + f[0].toUtf8());
        item.setNamingOptions({layoutFromKey(f[1]).value(), !f[2].contains(u'n')});
        if (!f[3].isEmpty())
            item.setNamePostfix(f[3]);
        item.setNamePostfixOverride(f[2].contains(u'o'));
        item.applyIncomingReply(success(SearchEngine::yandexAI, ai));
        if (!f[2].contains(u'i')) // arriving after the choice, it still brings the id
            item.applyIncomingReply(success(SearchEngine::duckDuckGo, tmdb));
        QCOMPARE(item.proposedPath(), f[4]);
        QCOMPARE(item.proposedName().value_or(QString()), f[4].section(u'/', -1));
        QVERIFY(item.proposedFolder().isEmpty() || isPlainFileName(item.proposedFolder()));
    }

    // The parts of one film search alike; the edition the name announces fills the postfix, and
    // a new lookup starts from it again.
    void partsAndEditions_data()
    {
        QTest::addColumn<QString>("row"); // file ; stem ; part ; postfix
        QTest::newRow("cd") << u"Film.cd1.avi ; Film ; cd1 ; "_qs;
        QTest::newRow("part, separators") << u"Film.2004.Part.2.mkv ; Film 2004 ; part2 ; "_qs;
        QTest::newRow("edition and disc")
            << u"Blade.Runner.1982.Directors.Cut.DVDRip.Disc 2.mkv ; Blade Runner 1982 ; disc2 ; Director's Cut"_qs;
        QTest::newRow("near misses") << u"Partisan.2015.mkv ; Partisan 2015 ;  ; "_qs;
        // A name this program gave reads back the same: nothing moves when it is looked up again.
        QTest::newRow("Plex name") << u"Heat (1995) {tmdb-949} {edition-Ultimate} - cd2.mkv ; Heat ; cd2 ; Ultimate"_qs;
    }
    void partsAndEditions()
    {
        const QStringList f = row();
        MovieItem item("/m/" + f[0].toUtf8());
        QCOMPARE(item.searchStem(), f[1]);
        QCOMPARE(item.partWord(), f[2]);
        QCOMPARE(item.namePostfix(), f[3]);
        item.restoreChoices({u"extra"_qs, {failure(SearchEngine::vkvideo)}, SearchEngine::vkvideo, u"mine"_qs, true});
        QCOMPARE(item.freshChoices(), (RowChoices{u"extra"_qs, {}, std::nullopt, f[3], false}));
    }

    // Views redraw on these signals: each fires once per real change of its field, never otherwise.
    void publishedFieldsSignalRealChangesOnly()
    {
        MovieItem item(QByteArray("/m/x.mkv"));
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        const QMetaObject &meta = MovieItem::staticMetaObject;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            if (meta.method(i).methodType() == QMetaMethod::Signal)
                spies.push_back(std::make_unique<QSignalSpy>(&item, meta.method(i)));
        }
        const auto counts = [&spies] {
            QString text;
            for (const auto &spy : spies)
                text += QString::number(spy->count());
            return text;
        };
        const auto setAll = [&item](bool change) {
            item.setExtraTokens(change ? u"x"_qs : QString());
            item.setStatus(change ? LookupStatus::failed(u"x"_qs) : LookupStatus::idle());
            item.setEngineReplies(change ? QList{failure(SearchEngine::vkvideo)} : QList<EngineReply>());
            item.setChosenEngine(change ? std::optional(SearchEngine::yandexAI) : std::nullopt);
            item.setProposedName(change ? std::optional(QString()) : std::nullopt);
            item.setNamePostfix(change ? u"x"_qs : QString());
            item.setNamePostfixOverride(change);
            item.setMediaInfo(change ? QList{MediaInfoRow{QUuid(), u"Size"_qs, u"1 MB"_qs}} : QList<MediaInfoRow>());
            item.setIsRenamed(change);
        };
        setAll(false);
        QCOMPARE(counts(), u"0000000000"_qs);
        setAll(true);
        setAll(true);
        // The last counts the five changes a list row shows.
        QCOMPARE(counts(), u"1111111115"_qs);
    }

    void aiAgentInput_data()
    {
        QTest::addColumn<QString>("row"); // file name ; extra tokens ; input, lines split at "|"
        QTest::newRow("latin name") << u"Stalker.1979.BluRay.mkv ;  ; filename: Stalker.1979.BluRay.mkv|"
                                       "stem: Stalker 1979|year_hint: 1979|HINT"_qs;
        QTest::newRow("cyrillic name, year only in brackets")
            << u"Сталкер [1979].avi ;   \n ; filename: Сталкер [1979].avi|stem: Сталкер|year_hint: 1979"_qs;
        QTest::newRow("tokens trimmed, name's year first")
            << u"2001.A.Space.Odyssey.mkv ;   kubrick 1968\t ; filename: 2001.A.Space.Odyssey.mkv|"
               "stem: 2001 A Space Odyssey|extra_tokens: kubrick 1968|year_hint: 2001|HINT"_qs;
        QTest::newRow("year from the tokens")
            << u"Solaris.mkv ; 1972 ; filename: Solaris.mkv|stem: Solaris|extra_tokens: 1972|year_hint: 1972|HINT"_qs;
        QTest::newRow("no letters, no hint") << u"1917.mp4 ;  ; filename: 1917.mp4|stem: 1917|year_hint: 1917"_qs;
        QTest::newRow("mixed scripts") << u"Brat 2 Брат.mkv ;  ; filename: Brat 2 Брат.mkv|stem: Brat 2 Брат"_qs;
    }
    void aiAgentInput()
    {
        QStringList f = row();
        MovieItem item("/m/" + f[0].toUtf8());
        item.setExtraTokens(f[1]);
        const QString hint = u"hint: transliterated Russian movie filename; restore Cyrillic title"_qs;
        QCOMPARE(item.aiAgentInput(), f[2].replace(u"HINT"_qs, hint).replace(u'|', u'\n'));
    }
};

QTEST_GUILESS_MAIN(TestMovieItem)
#include "tst_movieitem.moc"
