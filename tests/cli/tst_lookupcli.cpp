// `tolvane-cli lookup` and `rename` as child processes against the fake services: what a user sees
// and what happens on disk. Every row reaches DuckDuckGo, whose searches leave well over a second
// apart within one process, so the cases keep to few rows per run.
#include "FakeServices.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace tolvane;
using Service = FakeServices::Service;
using Video = FakeServices::Video;
using Links = QList<FakeServices::ResultLink>;
using Answer = FakeServices::Answer;

Q_DECLARE_METATYPE(FakeServices::Answer)
Q_DECLARE_METATYPE(QList<FakeServices::Video>)
Q_DECLARE_METATYPE(QList<FakeServices::ResultLink>)

namespace {

const QString noResult = u"No TMDB / Kinopoisk / VK Video result in search"_qs;
const QString emptyQuery = u"Empty search query"_qs;
const QString aiHttp503 = uR"(Yandex AI HTTP 503: {"error":{"code":503,"message":"Service Unavailable"}})"_qs;
const QString refused = u"Yandex AI refused the query (try extra tokens / year)"_qs;

const FakeServices::ResultLink kinopoiskLink{u"https://www.kinopoisk.ru/film/43911/"_qs, u"Брат 2 — Кинопоиск"_qs};

/// The text block `lookup` prints for one row.
QString rowText(const QString &name, const QString &status, const QString &proposed, const QStringList &replies)
{
    static const QStringList engines{u"Yandex AI"_qs, u"VK Video"_qs, u"DuckDuckGo"_qs};
    QString text = name + u"\n  status: "_qs + status + u"\n  proposed: "_qs + proposed + u'\n';
    for (qsizetype i = 0; i < replies.size(); ++i)
        text += u"  "_qs + engines.value(i) + u": "_qs + replies[i] + u'\n';
    return text;
}

QStringList linesStartingWith(const QString &text, const QString &prefix)
{
    QStringList found;
    for (const QString &line : text.split(u'\n')) {
        if (line.startsWith(prefix))
            found << line;
    }
    return found;
}

QStringList keysOf(const QJsonValue &value)
{
    QStringList keys = value.toObject().keys();
    keys.sort();
    return keys;
}

} // namespace

class TestLookupCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_home;
    QTemporaryDir m_files;
    std::unique_ptr<FakeServices> m_services;

    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };

    void prepare(QProcess &process) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_config.path());
        environment.insert(u"HOME"_qs, m_home.path());
        environment.insert(u"TOLVANE_TEST_SERVICES"_qs, m_services->origin());
        process.setProcessEnvironment(environment);
    }

    Run cli(const QStringList &arguments) const
    {
        QProcess process;
        prepare(process);
        process.start(QStringLiteral(TOLVANE_CLI), arguments);
        return finish(process);
    }

    static Run finish(QProcess &process)
    {
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
    }

    /// Creates the file `name` in `folder` (made if need be) and returns its path; empty on failure.
    static QString makeFile(const QDir &folder, const QString &name, const QByteArray &content = {})
    {
        QDir().mkpath(folder.path());
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return {};
        return file.fileName();
    }

    /// Every file of a folder as "name=content", sorted.
    static QStringList folderContents(const QDir &folder)
    {
        QStringList entries;
        for (const QString &name : folder.entryList(QDir::Files, QDir::Name)) {
            QFile file(folder.filePath(name));
            entries << name + u'=' + QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
        }
        return entries;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_home.isValid() && m_files.isValid());
        m_services = std::make_unique<FakeServices>();
        const QList<QStringList> settings{{u"yandexAIAPIKey"_qs, u"AQVN-fake-key"_qs},
            {u"yandexAIFolderID"_qs, u"b1g-folder"_qs}, {u"yandexAIPromptID"_qs, u"fvt-prompt"_qs},
            {u"useSafariCookies"_qs, u"false"_qs}};
        for (const QStringList &pair : settings)
            QCOMPARE(cli(QStringList{u"settings"_qs} + pair).exitCode, 0);

        // Rows the one-row, JSON, rename and interrupt cases share.
        m_services->scriptAI(u"Matrix 1999"_qs, FakeServices::aiMovie(u"Матрица"_qs, 1999, {u"The Matrix"_qs}));
        m_services->scriptAI(u"Stalker"_qs, FakeServices::aiHttpError(503, u"Service Unavailable"_qs));
        m_services->scriptVK(u"Stalker"_qs,
            QList<Video>{{u"Сталкер (1979)"_qs, -1, 11, 9600}, {u"Сталкер. Фильм второй"_qs, 2, 22, 3000},
                {u"Пикник на обочине"_qs, 3, 33, 700}});
    }

    void init() { m_services->clearRecords(); }

    void cleanup()
    {
        m_services->release(Service::ai);
        m_services->clearRecords();
    }

    // One row per run: the engines' replies, the choice among them and the name it gives.
    void lookupOneRow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stem"); // what the scripts are keyed by
        QTest::addColumn<Answer>("ai"); // not scripted here when it has no body
        QTest::addColumn<QList<Video>>("videos");
        QTest::addColumn<Links>("links");
        QTest::addColumn<QString>("expected");

        const QString ready = u"1 ready, 0 failed, 0 not searched — select & Lookup\n"_qs;
        const QString failed = u"0 ready, 1 failed, 0 not searched — select & Lookup\n"_qs;

        QTest::newRow("the AI names the film with an alternative title")
            << u"Matrix 1999.mkv"_qs << u"Matrix 1999"_qs << Answer() << QList<Video>{} << Links{}
            << rowText(u"Matrix 1999.mkv"_qs, u"Матрица[The_Matrix](1999).mkv"_qs, u"Матрица[The_Matrix](1999).mkv"_qs,
                   {u"[Yandex AI] Матрица[The Matrix](1999)"_qs, noResult, noResult})
                + ready;
        // All three succeed: the AI still drives the name, with the year from the file name.
        QTest::newRow("the AI wins over VK and DuckDuckGo, year from the file name")
            << u"Solaris 1972 1080p.MKV"_qs << u"Solaris 1972"_qs << FakeServices::aiMovie(u"Солярис"_qs, std::nullopt)
            << QList<Video>{{u"Solaris 1972"_qs, 1, 1, 9000}}
            << Links{{u"https://www.themoviedb.org/movie/593"_qs, u"Solaris (1972) — The Movie Database (TMDB)"_qs}}
            << rowText(u"Solaris 1972 1080p.MKV"_qs, u"Солярис(1972).mkv"_qs, u"Солярис(1972).mkv"_qs,
                   {u"[Yandex AI] Солярис(1972)"_qs, u"[VK Video] Solaris(1972)"_qs, u"[TMDB] Solaris(1972)"_qs})
                + ready;
        QTest::newRow("the AI fails over HTTP, VK has several hits")
            << u"Stalker.mkv"_qs << u"Stalker"_qs << Answer() << QList<Video>{} << Links{}
            << rowText(u"Stalker.mkv"_qs, u"Сталкер(1979).mkv"_qs, u"Сталкер(1979).mkv"_qs,
                   {aiHttp503, u"[VK Video] Сталкер (1979)  ·  3 titles"_qs, noResult})
                + ready;
        QTest::newRow("the AI does not know the film, DuckDuckGo finds it")
            << u"Kin-dza-dza.avi"_qs << u"Kin dza dza"_qs << FakeServices::aiUnknown() << QList<Video>{}
            << Links{kinopoiskLink, {u"https://www.themoviedb.org/movie/20043"_qs, u"Кин-дза-дза! (1986) — TMDB"_qs}}
            << rowText(u"Kin-dza-dza.avi"_qs, u"Кин-дза-дза!(1986).avi"_qs, u"Кин-дза-дза!(1986).avi"_qs,
                   {u"Yandex AI: unknown title"_qs, noResult, u"[TMDB] Кин-дза-дза!(1986)"_qs})
                + ready;
        // The row fails with the first failure, the AI's, not with the last.
        QTest::newRow("everything fails, DuckDuckGo finds only Kinopoisk")
            << u"Brat.2.2000.avi"_qs << u"Brat 2 2000"_qs << FakeServices::aiText(u"Я не могу обсуждать эту тему."_qs)
            << QList<Video>{} << Links{kinopoiskLink}
            << rowText(u"Brat.2.2000.avi"_qs, u"Error: "_qs + refused, u"-"_qs, {refused, noResult, noResult}) + failed;
        QTest::newRow("empty query") << u"1080p.mkv"_qs << QString() << Answer() << QList<Video>{} << Links{}
                                     << rowText(u"1080p.mkv"_qs, u"Error: "_qs + emptyQuery, u"-"_qs,
                                            {emptyQuery, emptyQuery, emptyQuery})
                + failed;
    }

    void lookupOneRow()
    {
        QFETCH(QString, name);
        QFETCH(QString, stem);
        QFETCH(Answer, ai);
        QFETCH(QList<Video>, videos);
        QFETCH(Links, links);
        QFETCH(QString, expected);

        const QString path = makeFile(QDir(m_files.filePath(u"one"_qs)), name);
        QVERIFY(!path.isEmpty());
        if (!ai.body.isEmpty())
            m_services->scriptAI(stem, ai);
        if (!videos.isEmpty())
            m_services->scriptVK(stem, videos);
        if (!links.isEmpty())
            m_services->scriptDuckDuckGoRow(stem, links);
        m_services->clearRecords();

        const Run run = cli({u"lookup"_qs, path});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out, expected);
        QCOMPARE(run.exitCode, 0);
        // Each engine is asked once, with the row's own text; an empty query asks nobody.
        const bool empty = stem.isEmpty();
        QCOMPARE(m_services->received().isEmpty(), empty);
        const std::pair<Service, QString> asked[]{
            {Service::ai, stem}, {Service::vkSearch, stem}, {Service::duckDuckGo, stem + u" themoviedb"_qs}};
        for (const auto &[service, key] : asked) {
            const QList<FakeServices::Received> seen = m_services->received(service);
            QCOMPARE(seen.size(), empty ? 0 : 1);
            if (!empty)
                QCOMPARE(seen[0].key, key);
        }
    }

    // The JSON form once, on a row with failed engines and a reply with candidates.
    void lookupJsonShape()
    {
        const QString path = makeFile(QDir(m_files.filePath(u"json"_qs)), u"Stalker.mkv"_qs);
        const Run run = cli({u"lookup"_qs, u"--json"_qs, path});
        QCOMPARE(run.exitCode, 0);
        QJsonParseError error;
        const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        QCOMPARE(keysOf(root), (QStringList{u"items"_qs, u"status"_qs}));
        QCOMPARE(root[u"items"_qs].toArray().size(), 1);

        const QJsonObject item = root[u"items"_qs][0].toObject();
        QCOMPARE(keysOf(item),
            (QStringList{u"chosenEngine"_qs, u"mediaInfo"_qs, u"message"_qs, u"name"_qs, u"path"_qs, u"proposedName"_qs,
                u"replies"_qs, u"selected"_qs, u"status"_qs, u"stem"_qs, u"yearHint"_qs}));
        QCOMPARE(item[u"path"_qs].toString(), path);
        QVERIFY(item[u"yearHint"_qs].isNull() && item[u"message"_qs].isNull());
        QCOMPARE(item[u"status"_qs].toString(), u"ready"_qs);
        QCOMPARE(item[u"chosenEngine"_qs].toString(), u"VK Video"_qs);
        QVERIFY(!item[u"mediaInfo"_qs].toArray().isEmpty());
        QCOMPARE(keysOf(item[u"mediaInfo"_qs][0]), (QStringList{u"key"_qs, u"value"_qs}));

        QStringList replies; // engine, status, message
        for (const QJsonValue &reply : item[u"replies"_qs].toArray()) {
            QCOMPARE(keysOf(reply),
                (QStringList{u"candidates"_qs, u"engine"_qs, u"match"_qs, u"message"_qs, u"status"_qs, u"summary"_qs}));
            replies << reply[u"engine"_qs].toString() + u' ' + reply[u"status"_qs].toString() + u' '
                    + reply[u"message"_qs].toString(u"null"_qs);
        }
        QCOMPARE(replies,
            (QStringList{u"Yandex AI failed "_qs + aiHttp503, u"VK Video success null"_qs,
                u"DuckDuckGo failed "_qs + noResult}));

        // The first hit is the match and every hit, in order, a candidate.
        const QJsonValue video = item[u"replies"_qs][1];
        const QJsonObject match = video[u"match"_qs].toObject();
        QCOMPARE(keysOf(match),
            (QStringList{u"altTitles"_qs, u"notes"_qs, u"pageURL"_qs, u"selectedAltTitle"_qs, u"site"_qs,
                u"sourceQuery"_qs, u"title"_qs, u"year"_qs}));
        QCOMPARE(match[u"year"_qs].toInt(), 1979);
        QCOMPARE(match[u"site"_qs].toString(), u"VK Video"_qs);
        QCOMPARE(match[u"pageURL"_qs].toString(), u"https://vkvideo.ru/video-1_11"_qs);
        QStringList candidates;
        for (const QJsonValue &candidate : video[u"candidates"_qs].toArray())
            candidates << candidate[u"title"_qs].toString();
        QCOMPARE(candidates, (QStringList{u"Сталкер (1979)"_qs, u"Сталкер. Фильм второй"_qs, u"Пикник на обочине"_qs}));
        QCOMPARE(video[u"candidates"_qs][0].toObject(), match);
    }

    // A dry run plans and touches nothing; a rename moves the ready rows, never over a file.
    void rename_data()
    {
        QTest::addColumn<bool>("dryRun");
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("folder");
        QTest::addColumn<int>("exitCode");

        const QString matrix = u"Матрица[The_Matrix](1999).mkv"_qs;
        const QString stalker = u"Сталкер(1979).mkv"_qs;
        const QStringList untouched{
            u"1080p.mkv="_qs, u"Matrix 1999.mkv=matrix"_qs, u"Stalker.mkv=stalker"_qs, stalker + u"=older"_qs};
        QTest::newRow("dry run") << true
                                 << QStringList{u"  rename: skipped (Empty search query)"_qs,
                                        u"  rename: planned → "_qs + matrix,
                                        u"  rename: failed → %1 (Target exists: %1)"_qs.arg(stalker)}
                                 << u"2 ready, 1 failed, 0 not searched — select & Lookup"_qs << untouched << 1;
        QTest::newRow("rename") << false
                                << QStringList{u"  rename: skipped (Empty search query)"_qs,
                                       u"  rename: renamed → "_qs + matrix,
                                       u"  rename: failed → %1 (Target exists: %1)"_qs.arg(stalker)}
                                << u"Renamed → "_qs + matrix
                                << QStringList{u"1080p.mkv="_qs, u"Stalker.mkv=stalker"_qs, matrix + u"=matrix"_qs,
                                       stalker + u"=older"_qs}
                                << 1;
    }

    void rename()
    {
        QFETCH(bool, dryRun);
        QFETCH(QStringList, outcomes);
        QFETCH(QString, status);
        QFETCH(QStringList, folder);
        QFETCH(int, exitCode);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir library(dir.path());
        // The existing file is no row: only the paths given are looked up.
        QVERIFY(!makeFile(library, u"Сталкер(1979).mkv"_qs, "older").isEmpty());
        QStringList arguments{u"rename"_qs};
        if (dryRun)
            arguments << u"--dry-run"_qs;
        for (const auto &[name, content] : {std::pair{u"Matrix 1999.mkv"_qs, QByteArray("matrix")},
                 std::pair{u"Stalker.mkv"_qs, QByteArray("stalker")}, std::pair{u"1080p.mkv"_qs, QByteArray()}})
            arguments << makeFile(library, name, content);

        const Run run = cli(arguments);
        QCOMPARE(run.err, QString());
        QCOMPARE(linesStartingWith(run.out, u"  rename: "_qs), outcomes);
        QCOMPARE(run.out.section(u'\n', -2, -2), status);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(folderContents(library), folder);
    }

    // Ten rows: eight start at once; the ninth only when a row has been through all three engines.
    void tenRowsRunEightAtOnce()
    {
        const QDir library(m_files.filePath(u"ten"_qs));
        QStringList stems;
        for (int i = 1; i <= 10; ++i) {
            stems << u"Row %1"_qs.arg(i, 2, 10, QLatin1Char('0'));
            m_services->scriptAI(stems.last(), FakeServices::aiMovie(u"Film %1"_qs.arg(i), 1990 + i));
            QVERIFY(!makeFile(library, stems.last() + u".mkv"_qs).isEmpty());
        }
        m_services->hold(Service::ai);
        QProcess process;
        prepare(process);
        process.start(QStringLiteral(TOLVANE_CLI), {u"lookup"_qs, library.path()});
        // Qt opens six connections to one origin, so no more than six can be seen waiting.
        QTRY_VERIFY_WITH_TIMEOUT(m_services->inFlight(Service::ai) >= 6, 20000);
        m_services->release(Service::ai);
        const Run run = finish(process);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.section(u'\n', -2, -2), u"10 ready, 0 failed, 0 not searched — select & Lookup"_qs);

        const QList<FakeServices::Received> asked = m_services->received(Service::ai);
        const QList<FakeServices::Received> searched = m_services->received(Service::duckDuckGo);
        QCOMPARE(asked.size(), 10);
        QCOMPARE(searched.size(), 10);
        auto firstSearch = searched[0].at;
        for (const FakeServices::Received &seen : searched)
            firstSearch = std::min(firstSearch, seen.at);
        QStringList early;
        for (const FakeServices::Received &seen : asked) {
            if (seen.at < firstSearch)
                early << seen.key;
        }
        early.sort();
        QCOMPARE(early, stems.first(8));
    }

    // Ctrl-C while the AI is held: the lookups stop, nothing is printed and nothing renamed.
    void interruptRenamesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir library(dir.path());
        QStringList arguments{u"rename"_qs};
        arguments << makeFile(library, u"Matrix 1999.mkv"_qs, "matrix") << makeFile(library, u"Stalker.mkv"_qs, "s");
        m_services->hold(Service::ai);
        QProcess process;
        prepare(process);
        process.start(QStringLiteral(TOLVANE_CLI), arguments);
        QTRY_COMPARE_WITH_TIMEOUT(m_services->inFlight(Service::ai), 2, 20000);
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QCOMPARE(
            QString::fromUtf8(process.readAllStandardError()), u"tolvane-cli: interrupted; nothing was renamed\n"_qs);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        QCOMPARE(folderContents(library), (QStringList{u"Matrix 1999.mkv=matrix"_qs, u"Stalker.mkv=s"_qs}));
    }

    void cleanupTestCase() { m_services.reset(); }
};

QTEST_GUILESS_MAIN(TestLookupCli)
#include "tst_lookupcli.moc"
