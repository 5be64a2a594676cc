#include "../services/CookieFileBuilder.h"

#include "core/FilePaths.h"
#include "library/LibraryModel.h"
#include "library/NameBuilder.h"
#include "lookup/LookupError.h"
#include "services/SafariCookieStore.h"
#include "settings/AppSettings.h"
#include "support/DesktopServices.h"

#include <QCoroTask>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <coroutine>

#include <fcntl.h>
#include <unistd.h>

using namespace tolvane;
using VKVideoAPIClient::VideoHit;
using YandexAIStudioClient::AgentResult;

namespace {

/// Scripted engines and probe. Each engine answers from the script by the text it is given; a
/// held text keeps every call for it waiting until released (or cancelled, like an aborted request).
struct Script {
    QHash<QString, AgentResult> agent; // by stem line
    QHash<QString, QList<VideoHit>> videos; // by query
    QHash<QString, MovieMatch> web; // by query
    QSet<QString> held; // "query" holds every engine's call, "engine:query" one engine's, "probe" the probes
    QStringList calls; // "engine:query", in call order
    QStringList cookies; // the Cookie header a web request would carry, per DuckDuckGo call
    QList<QByteArray> probed; // the paths handed to the probe, in call order
    int running = 0;
    int maxRunning = 0;
    QList<std::coroutine_handle<>> waiting; // held calls, resumed by the next wake()

    /// Lets every held call look at the script again, from the event loop, each exactly once.
    void wake()
    {
        QTimer::singleShot(0, qApp, [resume = std::exchange(waiting, {})] {
            for (std::coroutine_handle<> call : resume)
                call.resume();
        });
    }
    void release(const QString &key)
    {
        held.remove(key);
        wake();
    }
    void releaseAll()
    {
        held.clear();
        wake();
    }
};

/// Suspends a held call until the script's next wake().
struct NextWake {
    Script *script;
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> call) { script->waiting.append(call); }
    void await_resume() const noexcept { }
};

QString stemOf(const QString &agentInput)
{
    const QString line = agentInput.section(u'\n', 1, 1);
    return line.mid(line.indexOf(u' ') + 1);
}

QCoro::Task<> engineCall(Script *script, QString engine, QString query, std::shared_ptr<CancellationHandle> cancel)
{
    script->calls.append(engine + u':' + query);
    script->maxRunning = std::max(script->maxRunning, ++script->running);
    const auto isHeld = [&] { return script->held.contains(query) || script->held.contains(engine + u':' + query); };
    const QMetaObject::Connection wake
        = QObject::connect(cancel.get(), &CancellationHandle::cancelled, [script] { script->wake(); });
    while (isHeld() && !cancel->isCancelled())
        co_await NextWake{script};
    QObject::disconnect(wake);
    --script->running;
    if (cancel->isCancelled())
        throw LookupError::network(QStringLiteral("The request was cancelled."));
}

QCoro::Task<AgentResult> fakeAgent(Script *script, QString input, std::shared_ptr<CancellationHandle> cancel)
{
    const QString stem = stemOf(input);
    co_await engineCall(script, u"ai"_qs, stem, cancel);
    if (!script->agent.contains(stem))
        throw LookupError::network(QStringLiteral("HTTP 500"));
    co_return script->agent.value(stem);
}

QCoro::Task<QList<VideoHit>> fakeVideos(Script *script, QString query, std::shared_ptr<CancellationHandle> cancel)
{
    co_await engineCall(script, u"vk"_qs, query, cancel);
    co_return script->videos.value(query);
}

QCoro::Task<MovieMatch> fakeWeb(Script *script, QString text, std::shared_ptr<CancellationHandle> cancel)
{
    const QString query = text.chopped(QStringLiteral(" themoviedb").size());
    co_await engineCall(script, u"ddg"_qs, query, cancel);
    script->cookies.append(
        SafariCookieStore::cookieHeader(QUrl(u"https://html.duckduckgo.com/html/"_qs)).value_or(u"none"_qs));
    if (!script->web.contains(query))
        throw LookupError::noCatalogResult();
    co_return script->web.value(query);
}

QCoro::Task<QList<MediaInfoRow>> fakeProbe(Script *script, QByteArray path)
{
    script->probed.append(path);
    while (script->held.contains(u"probe"_qs))
        co_await NextWake{script};
    co_return QList<MediaInfoRow>{{uniqueID(), u"File"_qs, readableName(nativeFileName(path))}};
}

LookupEngines fakeEngines(Script *script)
{
    // Plain lambdas returning the tasks: the coroutines take the script as a parameter.
    return {[script](QString text, MovieLookup, auto cancel) { return fakeAgent(script, text, cancel); },
        [script](QString text, MovieLookup, auto cancel) { return fakeVideos(script, text, cancel); },
        [script](QString text, MovieLookup, auto cancel) { return fakeWeb(script, text, cancel); }, {}};
}

VideoHit hit(const QString &title, int year, int id)
{
    return {title, year, QUrl(QStringLiteral("https://vkvideo.ru/video-1_%1").arg(id)), 5400, -1, id};
}

MovieMatch webMatch(const QString &title, int year)
{
    MovieMatch match;
    match.title = title;
    match.year = year;
    match.pageURL = QUrl(QStringLiteral("https://www.themoviedb.org/movie/603"));
    return match;
}

/// "Film A.mkv", "Film B.mkv", …: files whose queries are "Film A", "Film B", …
QList<QByteArray> films(int count)
{
    QList<QByteArray> names;
    for (int i = 0; i < count; ++i)
        names.append("Film " + QByteArray(1, char('A' + i)) + ".mkv");
    return names;
}

QString replyStates(const MovieItem &item)
{
    QStringList states;
    for (const EngineReply &reply : item.engineReplies())
        states.append(rawValue(reply.engine) + u": "_qs + replySummary(reply));
    return states.join(u" | ");
}

struct FakeDesktop : DesktopServices {
    QList<QUrl> opened;
    std::optional<QList<QUrl>> chooseFilesAndFolders(const QString &, const QString &) override { return {}; }
    void revealFiles(const QList<QUrl> &) override { }
    void openUrl(const QUrl &url) override { opened.append(url); }
    void setClipboardText(const QString &) override { }
};

} // namespace

class TestLookupQueue : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp, m_home;
    std::unique_ptr<Script> m_script;
    std::unique_ptr<LibraryModel> m_model;

    QByteArray at(const QByteArray &name) const { return QFile::encodeName(m_temp.path()) + "/files/" + name; }

    /// Empty files with these names (bytes), alone in their folder; a fresh script.
    QList<QUrl> makeFiles(const QList<QByteArray> &names)
    {
        m_model.reset();
        m_script = std::make_unique<Script>();
        QDir(m_temp.filePath(u"files"_qs)).removeRecursively();
        QDir().mkpath(m_temp.filePath(u"files"_qs));
        QList<QUrl> urls;
        for (const QByteArray &name : names) {
            close(open(at(name).constData(), O_WRONLY | O_CREAT, 0644));
            urls.append(fileURL(at(name)));
        }
        return urls;
    }

    /// A fresh model over files with these names, with the scripted engines.
    LibraryModel &modelWith(const QList<QByteArray> &names)
    {
        const QList<QUrl> urls = makeFiles(names);
        m_model = std::make_unique<LibraryModel>();
        m_model->setLookup(MovieLookup{});
        m_model->setLookupEngines(fakeEngines(m_script.get()));
        m_model->addURLs(urls);
        m_model->setSelectedIDs({});
        return *m_model;
    }

    bool finished(LibraryModel &model)
    {
        return QTest::qWaitFor([&] { return model.activeLookupCount() == 0 && m_script->running == 0; }, 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The cookie file and the settings of these tests, never the user's.
        QVERIFY(m_temp.isValid() && m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u".config"_qs)));
    }
    void cleanup()
    {
        // Cancelled engine calls still hold the script until they notice.
        m_model.reset();
        if (m_script)
            QTRY_COMPARE(m_script->running, 0);
    }

    void outcomes_data()
    {
        QTest::addColumn<bool>("agentKnows");
        QTest::addColumn<int>("videoHits");
        QTest::addColumn<bool>("webKnows");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("replies");

        const QString ai = u"Yandex AI: [Yandex AI] Матрица[The Matrix](1999)"_qs;
        const QString vk = u"VK Video: [VK Video] The Matrix Reloaded (2003)  ·  3 titles"_qs;
        const QString web = u"DuckDuckGo: [TMDB] The Matrix(1999)"_qs;
        const QString none = LookupError::noCatalogResult().description();
        QTest::newRow("all succeed: the agent drives the name")
            << true << 3 << true << u"Матрица[The_Matrix](1999).mkv"_qs << u"ready"_qs
            << ai + u" | "_qs + vk + u" | "_qs + web;
        QTest::newRow("agent fails, VK has three hits")
            << false << 3 << true << u"The_Matrix_Reloaded(2003).mkv"_qs << u"ready"_qs
            << u"Yandex AI: HTTP 500 | "_qs + vk + u" | "_qs + web;
        QTest::newRow("only DuckDuckGo") << false << 0 << true << u"The_Matrix(1999).mkv"_qs << u"ready"_qs
                                         << u"Yandex AI: HTTP 500 | VK Video: "_qs + none + u" | "_qs + web;
        QTest::newRow("everything fails: the first failure")
            << false << 0 << false << QString() << u"Error: HTTP 500"_qs
            << u"Yandex AI: HTTP 500 | VK Video: "_qs + none + u" | DuckDuckGo: "_qs + none;
    }
    void outcomes()
    {
        QFETCH(bool, agentKnows);
        QFETCH(int, videoHits);
        QFETCH(bool, webKnows);
        QFETCH(QString, name);
        QFETCH(QString, status);
        QFETCH(QString, replies);

        LibraryModel &model = modelWith({"The.Matrix.1999.1080p.MKV"});
        const QString query = u"The Matrix 1999"_qs;
        if (agentKnows)
            m_script->agent[query] = AgentResult{u"Матрица"_qs, std::nullopt, 0.9, {}, {u"The Matrix"_qs}, {}};
        for (int i = 0; i < videoHits; ++i)
            m_script->videos[query].append(
                hit(i == 0 ? u"The Matrix Reloaded (2003)"_qs : u"Other %1"_qs.arg(i), 2003, i));
        if (webKnows)
            m_script->web[query] = webMatch(u"The Matrix"_qs, 1999);
        QSignalSpy done(&model, &LibraryModel::lookupsFinished);

        model.lookupSelected();
        QVERIFY(done.wait());

        const MovieItem &item = *model.items().first();
        QCOMPARE(item.proposedName().value_or(QString()), name);
        QCOMPARE(item.status().kind() == LookupStatus::Kind::ready ? u"ready"_qs : item.statusDisplayText(), status);
        QCOMPARE(replyStates(item), replies);
        QCOMPARE(item.engineReplies().at(1).candidates.size(), videoHits);
        QCOMPARE(m_script->calls, QStringList({u"ai:"_qs + query, u"vk:"_qs + query, u"ddg:"_qs + query}));
        if (agentKnows) // the agent gave no year: the one in the file name stands in
            QCOMPARE(item.engineReplies().first().status.match()->year, 1999);
        QCOMPARE(model.statusText(),
            item.status().kind() == LookupStatus::Kind::ready
                ? u"1 ready, 0 failed, 0 not searched — select & Lookup"_qs
                : u"0 ready, 1 failed, 0 not searched — select & Lookup"_qs);
        QCOMPARE(done.count(), 1);
    }

    void emptyQueryFailsEveryEngineAtOnce()
    {
        LibraryModel &model = modelWith({"1080p.mkv"});
        model.lookupSelected();
        QVERIFY(finished(model));
        const MovieItem &item = *model.items().first();
        QCOMPARE(item.statusDisplayText(), u"Error: Empty search query"_qs);
        QCOMPARE(replyStates(item),
            u"Yandex AI: Empty search query | VK Video: Empty search query | DuckDuckGo: Empty search query"_qs);
        QVERIFY(m_script->calls.isEmpty());
    }

    void firstSuccessMakesTheRowReadyEarly()
    {
        LibraryModel &model = modelWith({"Stalker.1979.mkv"});
        m_script->agent[u"Stalker 1979"_qs] = AgentResult{u"Сталкер"_qs, 1979, {}, {}, {}, {}};
        m_script->videos[u"Stalker 1979"_qs] = {hit(u"Stalker"_qs, 1979, 1)};
        m_script->held = {u"vk:Stalker 1979"_qs, u"ddg:Stalker 1979"_qs};
        model.lookupSelected();
        const MovieItem &item = *model.items().first();
        QCOMPARE(item.statusDisplayText(), u"Сталкер(1979).mkv"_qs);
        QCOMPARE(model.statusText(), u"1 ready, 0 failed, 0 not searched — select & Lookup"_qs);

        // The user picks VK Video meanwhile; the completed lookup puts the agent back in charge.
        m_script->release(u"vk:Stalker 1979"_qs);
        QTRY_VERIFY(item.engineReplies().at(1).status.isSuccess());
        model.items().first()->useEngine(SearchEngine::vkvideo);
        QCOMPARE(item.statusDisplayText(), u"Stalker(1979).mkv"_qs);
        m_script->releaseAll();
        QVERIFY(finished(model));
        QCOMPARE(item.statusDisplayText(), u"Сталкер(1979).mkv"_qs);
        QCOMPARE(item.chosenEngine(), SearchEngine::yandexAI);
    }

    void eightRunAtOnce()
    {
        LibraryModel &model = modelWith(films(10));
        for (int i = 0; i < 10; ++i)
            m_script->held.insert(u"Film %1"_qs.arg(QChar(u'A' + i)));

        model.lookupSelected();
        QCOMPARE(model.statusText(), u"Looking up 10 all…"_qs);
        QCOMPARE(m_script->running, 8);
        QCOMPARE(model.activeLookupCount(), 8);

        m_script->release(u"Film A"_qs);
        QTRY_VERIFY(m_script->calls.contains(u"ai:Film I"_qs));
        QVERIFY(!m_script->calls.contains(u"ai:Film J"_qs));

        m_script->releaseAll();
        QVERIFY(finished(model));
        QCOMPARE(m_script->maxRunning, 8);
        QCOMPARE(model.statusText(), u"0 ready, 10 failed, 0 not searched — select & Lookup"_qs);
    }

    void cancellation_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("row removed") << u"remove"_qs;
        QTest::newRow("new intake") << u"intake"_qs;
    }
    void cancellation()
    {
        QFETCH(QString, how);
        LibraryModel &model = modelWith(films(9));
        m_script->agent[u"Film A"_qs] = AgentResult{u"Alpha"_qs, 2001, {}, {}, {}, {}};
        for (int i = 0; i < 9; ++i)
            m_script->held.insert(u"Film %1"_qs.arg(QChar(u'A' + i)));
        model.lookupSelected();
        QCOMPARE(m_script->running, 8);

        const MovieItemPtr first = model.items().first();
        if (how == u"remove") {
            model.removeItems({first->id()});
        } else {
            model.addURLs({fileURL(at("Film I.mkv"))});
            model.lookupSelected();
        }

        // The ninth row starts in the freed slot; the cancelled lookup asks no further engine.
        QTRY_VERIFY(m_script->calls.contains(u"ai:Film I"_qs));
        // Cancelled lookups of an intake gave their slots back when the count was reset.
        QCOMPARE(model.activeLookupCount(), how == u"intake" ? 1 : 8);
        // The cut-off request is no answer: the reply stays pending.
        QCOMPARE(first->engineReplies().first().status.kind(), EngineReplyStatus::Kind::pending);

        m_script->releaseAll();
        QVERIFY(finished(model));
        QCOMPARE(m_script->calls.filter(u"Film A"_qs), QStringList{u"ai:Film A"_qs});
    }

    void lookingUpAgainCancelsTheRunningLookup()
    {
        LibraryModel &model = modelWith({"Film A.mkv", "Film B.mkv"});
        m_script->agent[u"Film A"_qs] = AgentResult{u"Alpha"_qs, 2001, {}, {}, {}, {}};
        m_script->held.insert(u"vk:Film A"_qs);
        const MovieItemPtr row = model.items().first();
        model.setSelectedIDs({row->id()});
        model.lookupSelected();
        QCOMPARE(row->status().kind(), LookupStatus::Kind::ready); // from the agent, VK Video still out

        model.lookupSelected();
        QCOMPARE(row->engineReplies().at(1).status.kind(), EngineReplyStatus::Kind::pending);
        m_script->releaseAll();
        QVERIFY(finished(model));
        // The first lookup asked nothing more and its cut-off VK request left no reply behind.
        QCOMPARE(m_script->calls,
            QStringList({u"ai:Film A"_qs, u"vk:Film A"_qs, u"ai:Film A"_qs, u"vk:Film A"_qs, u"ddg:Film A"_qs}));
        QCOMPARE(row->statusDisplayText(), u"Alpha(2001).mkv"_qs);
        QCOMPARE(model.items().at(1)->status().kind(), LookupStatus::Kind::idle);
    }

    // A row ready from its first reply is renamed while the other engines still run: the fresh
    // row stands for the moved file and takes none of the old lookup's later replies.
    void renameWhileItsLookupRuns()
    {
        LibraryModel &model = modelWith({"Film A.mkv"});
        m_script->agent[u"Film A"_qs] = AgentResult{u"Alpha"_qs, 2001, {}, {}, {}, {}};
        m_script->web[u"Film A"_qs] = webMatch(u"Beta"_qs, 2002);
        m_script->held.insert(u"vk:Film A"_qs);
        model.lookupSelected();
        const MovieItemPtr old = model.items().first();
        QVERIFY(old->canRename());

        QCOMPARE(model.rename(old), std::nullopt);
        const MovieItemPtr fresh = model.items().first();
        QCOMPARE(fresh->nativePath(), at("Alpha(2001).mkv"));
        const QList<EngineReply> copied = fresh->engineReplies();
        QSignalSpy freshChanges(fresh.get(), &MovieItem::engineRepliesChanged);

        m_script->releaseAll();
        QVERIFY(finished(model));
        QCOMPARE(old->engineReplies().at(2).status.match()->title, u"Beta"_qs); // the old row got them
        QCOMPARE(freshChanges.count(), 0);
        QCOMPARE(fresh->engineReplies(), copied);
        QVERIFY(fresh->isRenamed() && !fresh->canRename());
        QCOMPARE(model.statusText(), u"1 ready, 0 failed, 0 not searched — select & Lookup"_qs);
    }

    void modelGoneWhileLookupsRun()
    {
        LibraryModel &model = modelWith({"Alien.1979.mkv", "Heat.1995.mkv"});
        m_script->held = {u"Alien 1979"_qs, u"Heat 1995"_qs};
        model.lookupSelected();
        QCOMPARE(m_script->running, 2);
        const MovieItemPtr row = model.items().first();
        m_model.reset();
        QTRY_COMPARE(m_script->running, 0);
        QCoreApplication::sendPostedEvents(); // the lookups' ends, with no model to tell
        QCOMPARE(row->status().kind(), LookupStatus::Kind::searching);
    }

    // One probe per row, in list order, on the file's exact bytes; its rows land in that row
    // alone, also when the row was removed meanwhile.
    void probesStartedByTheModel()
    {
        makeFiles({"b.mkv", "Caf\xe9.mkv", "Caf\xe8.mkv"});
        Script *script = m_script.get();
        LibraryModel model;
        model.setMediaProbe([script](QByteArray path) { return fakeProbe(script, std::move(path)); });
        script->held.insert(u"probe"_qs);
        model.addURLs({fileURL(at(""))});
        QCOMPARE(script->probed, (QList<QByteArray>{at("b.mkv"), at("Caf\xe9.mkv"), at("Caf\xe8.mkv")}));
        const QList<MovieItemPtr> rows = model.items();
        QSignalSpy changes(rows[1].get(), &MovieItem::mediaInfoChanged);
        model.removeItems({rows[0]->id()});

        script->releaseAll();
        QTRY_VERIFY(!rows.last()->mediaInfo().isEmpty());
        for (qsizetype i = 0; i < rows.size(); ++i)
            QCOMPARE(rows[i]->mediaInfo().value(0).value, rows[i]->originalName());
        QCOMPARE(changes.count(), 1);
    }

    // The lookup readies the browser cookies as the setting says before any web request.
    void cookiesFollowTheSetting_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("headers");
        QTest::newRow("off") << false << QStringList{u"none"_qs};
        QTest::newRow("on") << true << QStringList{u"sid=42"_qs};
    }
    void cookiesFollowTheSetting()
    {
        QFETCH(bool, enabled);
        const QString folder = m_home.filePath(u"Library/Cookies"_qs);
        QVERIFY(QDir().mkpath(folder));
        QFile file(folder + u"/Cookies.binarycookies"_qs);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(cookiefile::cookiesFile({{".duckduckgo.com", "sid", "/", "42", 2e9, 0}}));
        file.close();
        AppSettings::storeUseSafariCookies(enabled);

        LibraryModel &model = modelWith({"Solaris.mkv"});
        LookupEngines engines = fakeEngines(m_script.get());
        engines.prepareCookies = LookupEngines::standard().prepareCookies;
        model.setLookupEngines(engines);
        model.lookupSelected();
        QVERIFY(finished(model));
        QTEST(m_script->cookies, "headers");
    }

    void googleSearch_data()
    {
        QTest::addColumn<QString>("query");
        QTest::newRow("title and year") << u"The Matrix(1999)"_qs;
        QTest::newRow("plus and ampersand") << u"C++ & Co=1"_qs;
    }
    void googleSearch()
    {
        QFETCH(QString, query);
        FakeDesktop desktop;
        LibraryModel model;
        model.setDesktopServices(&desktop);
        model.openGoogleSearch(query);
        QCOMPARE(desktop.opened.size(), 1);
        const QUrl url = desktop.opened.first();
        QCOMPARE(url.scheme() + u"://"_qs + url.host() + url.path(), u"https://www.google.com/search"_qs);
        const QUrlQuery items(url);
        QCOMPARE(items.queryItemValue(u"q"_qs, QUrl::FullyDecoded), query);
        QCOMPARE(items.queryItemValue(u"hl"_qs), u"en"_qs);
    }

    void nothingToLookUp()
    {
        LibraryModel model;
        model.lookupSelected();
        QCOMPARE(model.statusText(), u"No files to look up"_qs);
        QVERIFY(!model.canLookup());
    }
};

QTEST_GUILESS_MAIN(TestLookupQueue)
#include "tst_lookupqueue.moc"
