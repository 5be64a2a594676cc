#include "core/FilePaths.h"
#include "library/MovieItem.h"

#include <QSignalSpy>
#include <QTest>

using namespace tolvane;

namespace {

MovieMatch matchOf(const QString &title, std::optional<int> year)
{
    MovieMatch match;
    match.title = title;
    match.year = year;
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

QUrl fileUrl(const QString &name)
{
    return QUrl::fromLocalFile(u"/movies/"_qs + name);
}

} // namespace

class TestMovieItem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chosenMatch_data()
    {
        QTest::addColumn<QList<EngineReply>>("replies");
        QTest::addColumn<std::optional<SearchEngine>>("chosen");
        QTest::addColumn<QString>("expected");
        const QList<EngineReply> replies{failure(SearchEngine::yandexAI),
            success(SearchEngine::vkvideo, matchOf(u"A"_qs, 1)),
            success(SearchEngine::duckDuckGo, matchOf(u"B"_qs, 2))};
        QTest::newRow("best by priority") << replies << std::optional<SearchEngine>() << u"A"_qs;
        QTest::newRow("chosen succeeded") << replies << std::optional(SearchEngine::duckDuckGo) << u"B"_qs;
        QTest::newRow("chosen failed") << replies << std::optional(SearchEngine::yandexAI) << u"A"_qs;
        QTest::newRow("priority, not list order")
            << QList<EngineReply>{replies[2], replies[1]} << std::optional<SearchEngine>() << u"A"_qs;
    }
    void chosenMatch()
    {
        QFETCH(QList<EngineReply>, replies);
        QFETCH(std::optional<SearchEngine>, chosen);
        MovieItem item(fileUrl(u"x.mkv"_qs));
        item.setEngineReplies(replies);
        item.setChosenEngine(chosen);
        QTEST(item.chosenMatch().value_or(MovieMatch{}).title, "expected");
    }

    void canRename_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<LookupStatus>("status");
        QTest::addColumn<std::optional<QString>>("proposed");
        QTest::addColumn<bool>("renamed");
        QTest::addColumn<bool>("expected");
        const std::optional<QString> other(u"y.mkv"_qs);
        QTest::newRow("new name") << QByteArray("x.mkv") << LookupStatus::ready() << other << false << true;
        QTest::newRow("same name") << QByteArray("x.mkv") << LookupStatus::ready() << std::optional(u"x.mkv"_qs)
                                   << false << false;
        QTest::newRow("case only") << QByteArray("x.mkv") << LookupStatus::ready() << std::optional(u"X.mkv"_qs)
                                   << false << true;
        QTest::newRow("already renamed") << QByteArray("x.mkv") << LookupStatus::ready() << other << true << false;
        // Reads the same, yet the file still has its Latin-1 name.
        QTest::newRow("Latin-1 name shown alike") << QByteArray("Caf\xe9.mkv") << LookupStatus::ready()
                                                  << std::optional(u"Café.mkv"_qs) << false << true;
        QTest::newRow("UTF-8 name alike") << QByteArray("Caf\xc3\xa9.mkv") << LookupStatus::ready()
                                          << std::optional(u"Café.mkv"_qs) << false << false;
    }
    void canRename()
    {
        QFETCH(QByteArray, file);
        QFETCH(LookupStatus, status);
        QFETCH(std::optional<QString>, proposed);
        QFETCH(bool, renamed);
        MovieItem item(QByteArray("/movies/") + file);
        item.setStatus(status);
        item.setProposedName(proposed);
        item.setIsRenamed(renamed);
        QTEST(item.canRename(), "expected");
    }

    void addExtraToken_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("expected");
        QTest::newRow("present in other case") << u"solaris 1972"_qs << u"Solaris"_qs << u"solaris 1972"_qs;
        QTest::newRow("non-ASCII case") << u"été"_qs << u"ÉTÉ"_qs << u"été"_qs;
        QTest::newRow("slash") << QString() << u" / "_qs << QString();
        QTest::newRow("both trimmed") << u" a\t"_qs << u" b\n"_qs << u"a b"_qs;
        QTest::newRow("prefix is no match") << u"solaris"_qs << u"Sol"_qs << u"solaris Sol"_qs;
    }
    void addExtraToken()
    {
        QFETCH(QString, current);
        QFETCH(QString, token);
        MovieItem item(fileUrl(u"x.mkv"_qs));
        item.setExtraTokens(current);
        item.addExtraToken(token);
        QTEST(item.extraTokens(), "expected");
    }

    void applyMatch()
    {
        MovieItem item(fileUrl(u"x.MKV"_qs));
        const MovieMatch offered = matchOf(u"Solyaris"_qs, 1972);
        item.setEngineReplies({EngineReply{}, success(SearchEngine::vkvideo, offered, {offered, offered})});
        item.setIsRenamed(true);
        QSignalSpy nameSpy(&item, &MovieItem::proposedNameChanged);
        QSignalSpy repliesSpy(&item, &MovieItem::engineRepliesChanged);

        const MovieMatch solaris = matchOf(u"Solaris"_qs, 1972);
        for (int i = 0; i < 2; ++i) // the second time nothing changes and nothing is signalled
            item.applyMatch(solaris, SearchEngine::vkvideo);
        QCOMPARE(item.engineReplies(),
            (QList<EngineReply>{EngineReply{}, success(SearchEngine::vkvideo, solaris, {offered, offered})}));
        QCOMPARE(item.chosenEngine(), std::optional(SearchEngine::vkvideo));
        QCOMPARE(item.proposedName(), std::optional(u"Solaris(1972).mkv"_qs));
        QCOMPARE(item.status(), LookupStatus::ready());
        QVERIFY(!item.isRenamed());
        QCOMPARE(nameSpy.count(), 1);
        QCOMPARE(repliesSpy.count(), 1);

        // An engine without a reply still drives the name; the reply list stays as it is.
        MovieMatch hostile = matchOf(u"../A"_qs, 1999);
        hostile.selectedAltTitle = QString::fromUtf16(u"c/d\0\u0001", 5);
        item.setNamePostfix(u"\u0001/x"_qs);
        item.applyMatch(hostile, SearchEngine::duckDuckGo);
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
        QTest::addColumn<std::optional<QString>>("alt");
        QTest::addColumn<std::optional<QString>>("stored");
        QTest::addColumn<std::optional<QString>>("proposed");
        const std::optional<QString> alt(u"Солярис"_qs), none;
        QTest::newRow("nothing chosen") << std::optional<SearchEngine>() << std::optional(u" Солярис\n"_qs) << alt
                                        << std::optional(u"Solaris[Солярис](1972).mkv"_qs);
        QTest::newRow("other engine chosen") << std::optional(SearchEngine::vkvideo) << alt << alt << none;
        QTest::newRow("blank clears") << std::optional(SearchEngine::yandexAI) << std::optional(u"  "_qs) << none
                                      << std::optional(u"Solaris(1972).mkv"_qs);
    }
    void setSelectedAltTitle()
    {
        QFETCH(std::optional<SearchEngine>, chosen);
        QFETCH(std::optional<QString>, alt);
        MovieItem item(fileUrl(u"x.mkv"_qs));
        MovieMatch solaris = matchOf(u"Solaris"_qs, 1972);
        solaris.selectedAltTitle = u"Old"_qs;
        item.setEngineReplies({success(SearchEngine::yandexAI, solaris), failure(SearchEngine::vkvideo)});
        item.setChosenEngine(chosen);
        item.setSelectedAltTitle(alt, SearchEngine::vkvideo); // failed reply: ignored
        item.setSelectedAltTitle(alt, SearchEngine::yandexAI);
        QTEST(item.engineReplies()[0].status.match()->selectedAltTitle, "stored");
        QTEST(item.proposedName(), "proposed");
        QCOMPARE(item.engineReplies()[1], failure(SearchEngine::vkvideo));
    }

    // Names as the file system has them: bytes that need not be UTF-8.
    void namesFromBytes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stem");
        QTest::addColumn<std::optional<int>>("yearHint");
        QTest::newRow("Latin-1") << QByteArray("Caf\xe9.1999.mkv") << u"Café.1999.mkv"_qs << u"Café 1999"_qs
                                 << std::optional(1999);
        QTest::newRow("CP1251") << QByteArray("\xd1\xf2\xe0\xeb\xea\xe5\xf0 [1979].avi") << u"Сталкер [1979].avi"_qs
                                << u"Сталкер"_qs << std::optional(1979);
        QTest::newRow("a real U+FFFD") << QByteArray("Caf\xef\xbf\xbd.mkv") << u"Caf\uFFFD.mkv"_qs
                                       << u"Caf\uFFFD"_qs << std::optional<int>();
        QTest::newRow("year inside a longer number") << QByteArray("Room 21999.mkv") << u"Room 21999.mkv"_qs
                                                     << u"Room 21999"_qs << std::optional<int>();
        QTest::newRow("year after letters") << QByteArray("BladeRunner2049.mkv") << u"BladeRunner2049.mkv"_qs
                                            << u"BladeRunner2049"_qs << std::optional(2049);
        QTest::newRow("first year wins") << QByteArray("1917 (2019).mkv") << u"1917 (2019).mkv"_qs << u"1917"_qs
                                         << std::optional(1917);
        QTest::newRow("range bounds") << QByteArray("1899 2100 2099.mkv") << u"1899 2100 2099.mkv"_qs
                                      << u"1899 2100 2099"_qs << std::optional(2099);
        QTest::newRow("next to another script's digit") << QByteArray("A 1999\xd9\xa5 2001.mkv")
                                                        << u"A 1999\u0665 2001.mkv"_qs << u"A 1999\u0665 2001"_qs
                                                        << std::optional(2001);
    }
    void namesFromBytes()
    {
        QFETCH(QByteArray, file);
        const MovieItem item(QByteArray("/m\xe9/") + file);
        QTEST(item.originalName(), "name");
        QTEST(item.searchStem(), "stem");
        QTEST(item.yearHint(), "yearHint");
        QCOMPARE(nativePath(item.url()), QByteArray("/m\xe9/") + file);
    }

    // A ready row whose postfix or override the user edits; the views then rebuild the name.
    void postfixOnReadyRow_data()
    {
        QTest::addColumn<QString>("postfix");
        QTest::addColumn<bool>("override");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("postfix") << u" Director's cut"_qs << false << std::optional(u"Solaris(1972)_Director's_cut.mkv"_qs);
        QTest::newRow("override") << u"My Film"_qs << true << std::optional(u"My_Film.mkv"_qs);
        QTest::newRow("blank override") << u" "_qs << true << std::optional<QString>();
    }
    void postfixOnReadyRow()
    {
        QFETCH(QString, postfix);
        QFETCH(bool, override);
        QFETCH(std::optional<QString>, expected);
        MovieItem item(fileUrl(u"x.MKV"_qs));
        item.setEngineReplies({success(SearchEngine::vkvideo, matchOf(u"Solaris"_qs, 1972))});
        item.useEngine(SearchEngine::vkvideo);
        QSignalSpy names(&item, &MovieItem::proposedNameChanged);
        item.setNamePostfix(postfix);
        item.setNamePostfixOverride(override);
        item.updateProposedName();
        item.updateProposedName();
        QCOMPARE(item.proposedName(), expected);
        QCOMPARE(names.count(), 1);
        QCOMPARE(item.canRename(), expected.has_value());
        QCOMPARE(item.status(), LookupStatus::ready());
    }

    // Views redraw on these signals: each must fire once per real change and never otherwise.
    void settersSignalRealChangesOnly_data()
    {
        QTest::addColumn<QString>("field");
        for (const char *name : {"extraTokens", "status", "engineReplies", "chosenEngine", "proposedName",
                 "namePostfix", "namePostfixOverride", "mediaInfo", "isRenamed"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void settersSignalRealChangesOnly()
    {
        using Signal = void (MovieItem::*)();
        struct Field {
            Signal signal;
            std::function<void(MovieItem &)> same, change;
        };
        const EngineReply reply = success(SearchEngine::vkvideo, matchOf(u"A"_qs, 1));
        const MediaInfoRow row{QUuid(), u"Size"_qs, u"1 MB"_qs};
        const QHash<QString, Field> fields{
            {u"extraTokens"_qs, {&MovieItem::extraTokensChanged, [](MovieItem &i) { i.setExtraTokens({}); },
                                    [](MovieItem &i) { i.setExtraTokens(u"x"_qs); }}},
            {u"status"_qs, {&MovieItem::statusChanged, [](MovieItem &i) { i.setStatus(LookupStatus::idle()); },
                               [](MovieItem &i) { i.setStatus(LookupStatus::failed(u"x"_qs)); }}},
            {u"engineReplies"_qs, {&MovieItem::engineRepliesChanged, [](MovieItem &i) { i.setEngineReplies({}); },
                                      [reply](MovieItem &i) { i.setEngineReplies({reply}); }}},
            {u"chosenEngine"_qs, {&MovieItem::chosenEngineChanged, [](MovieItem &i) { i.setChosenEngine({}); },
                                     [](MovieItem &i) { i.setChosenEngine(SearchEngine::yandexAI); }}},
            {u"proposedName"_qs, {&MovieItem::proposedNameChanged, [](MovieItem &i) { i.setProposedName({}); },
                                     [](MovieItem &i) { i.setProposedName(QString()); }}},
            {u"namePostfix"_qs, {&MovieItem::namePostfixChanged, [](MovieItem &i) { i.setNamePostfix({}); },
                                    [](MovieItem &i) { i.setNamePostfix(u"x"_qs); }}},
            {u"namePostfixOverride"_qs,
                {&MovieItem::namePostfixOverrideChanged, [](MovieItem &i) { i.setNamePostfixOverride(false); },
                    [](MovieItem &i) { i.setNamePostfixOverride(true); }}},
            {u"mediaInfo"_qs, {&MovieItem::mediaInfoChanged, [](MovieItem &i) { i.setMediaInfo({}); },
                                  [row](MovieItem &i) { i.setMediaInfo({row}); }}},
            {u"isRenamed"_qs, {&MovieItem::isRenamedChanged, [](MovieItem &i) { i.setIsRenamed(false); },
                                  [](MovieItem &i) { i.setIsRenamed(true); }}},
        };
        QFETCH(QString, field);
        const Field set = fields.value(field);
        MovieItem item(fileUrl(u"x.mkv"_qs));
        QSignalSpy spy(&item, set.signal);
        set.same(item);
        QCOMPARE(spy.count(), 0);
        set.change(item);
        set.change(item);
        QCOMPARE(spy.count(), 1);
    }

    void aiAgentInput_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("extraTokens");
        QTest::addColumn<QString>("expected");
        const QString hint = u"\nhint: transliterated Russian movie filename; restore Cyrillic title"_qs;
        QTest::newRow("latin name") << u"Stalker.1979.1080p.BluRay.x264.mkv"_qs << QString()
                                    << u"filename: Stalker.1979.1080p.BluRay.x264.mkv\nstem: Stalker 1979\n"
                                       u"year_hint: 1979"_qs
                + hint;
        QTest::newRow("cyrillic name, year only in brackets")
            << u"Сталкер [1979].avi"_qs << u"  \n"_qs
            << u"filename: Сталкер [1979].avi\nstem: Сталкер\nyear_hint: 1979"_qs;
        QTest::newRow("tokens trimmed, name's year first")
            << u"2001.A.Space.Odyssey.mkv"_qs << u"  kubrick 1968\t"_qs
            << u"filename: 2001.A.Space.Odyssey.mkv\nstem: 2001 A Space Odyssey\nextra_tokens: kubrick 1968\n"
               u"year_hint: 2001"_qs
                + hint;
        QTest::newRow("year from the tokens") << u"Solaris.mkv"_qs << u"1972"_qs
                                              << u"filename: Solaris.mkv\nstem: Solaris\nextra_tokens: 1972\n"
                                                 u"year_hint: 1972"_qs
                + hint;
        QTest::newRow("no letters, no hint")
            << u"1917.mp4"_qs << QString() << u"filename: 1917.mp4\nstem: 1917\nyear_hint: 1917"_qs;
        QTest::newRow("mixed scripts") << u"Brat 2 Брат.mkv"_qs << QString()
                                       << u"filename: Brat 2 Брат.mkv\nstem: Brat 2 Брат"_qs;
        QTest::newRow("greek only") << u"Ζορμπάς.mkv"_qs << QString() << u"filename: Ζορμπάς.mkv\nstem: Ζορμπάς"_qs;
    }
    void aiAgentInput()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, extraTokens);
        MovieItem item(fileUrl(fileName));
        item.setExtraTokens(extraTokens);
        QTEST(item.aiAgentInput(), "expected");
    }
};

QTEST_GUILESS_MAIN(TestMovieItem)
#include "tst_movieitem.moc"
