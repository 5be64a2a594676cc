#include "library/LibraryModel.h"
#include "library/NameBuilder.h"
#include "lookup/LookupError.h"
#include "support/DesktopServices.h"

#include <QCoroTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using namespace tolvane;
using VKVideoAPIClient::VideoHit;
using YandexAIStudioClient::AgentResult;

namespace {

/// Scripted engines. Each engine answers from the script by the text it is given; a held text
/// keeps every engine call for it waiting until released (or cancelled, like an aborted request).
struct Script {
    QHash<QString, AgentResult> agent; // by stem line
    QHash<QString, QList<VideoHit>> videos; // by query
    QHash<QString, MovieMatch> web; // by query
    QSet<QString> held; // "query" holds every engine's call, "engine:query" one engine's
    QStringList calls; // "engine:query", in call order
    int running = 0;
    int maxRunning = 0;
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
    while (isHeld() && !cancel->isCancelled())
        co_await QCoro::sleepFor(std::chrono::milliseconds(2));
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
    if (!script->web.contains(query))
        throw LookupError::noCatalogResult();
    co_return script->web.value(query);
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
QStringList films(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(u"Film %1.mkv"_qs.arg(QChar(u'A' + i)));
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

    QTemporaryDir m_temp;
    Script m_script;
    std::unique_ptr<LibraryModel> m_model;

    /// A fresh model over files with these names, with the scripted engines.
    LibraryModel &modelWith(const QStringList &names)
    {
        QDir(m_temp.path()).removeRecursively();
        QDir().mkpath(m_temp.path());
        QList<QUrl> urls;
        for (const QString &name : names) {
            QFile file(m_temp.filePath(name));
            file.open(QIODevice::WriteOnly);
            urls.append(QUrl::fromLocalFile(file.fileName()));
        }
        m_script = Script();
        m_model = std::make_unique<LibraryModel>();
        m_model->setLookup(MovieLookup{});
        m_model->setLookupEngines(fakeEngines(&m_script));
        m_model->addURLs(urls);
        m_model->setSelectedIDs({});
        return *m_model;
    }

    bool waitUntilFinished(LibraryModel &model)
    {
        return QTest::qWaitFor(
            [&] { return model.activeLookupCount() == 0 && model.pendingLookupIDs().isEmpty(); }, 5000);
    }

private Q_SLOTS:
    void init() { QVERIFY(m_temp.isValid()); }
    void cleanup()
    {
        // Cancelled engine calls still hold the script until they notice.
        m_model.reset();
        QVERIFY(QTest::qWaitFor([&] { return m_script.running == 0; }, 2000));
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

        LibraryModel &model = modelWith({u"The.Matrix.1999.1080p.MKV"_qs});
        const QString query = u"The Matrix 1999"_qs;
        if (agentKnows)
            m_script.agent[query] = AgentResult{u"Матрица"_qs, std::nullopt, 0.9, {}, {u"The Matrix"_qs}, {}};
        for (int i = 0; i < videoHits; ++i)
            m_script.videos[query].append(
                hit(i == 0 ? u"The Matrix Reloaded (2003)"_qs : u"Other %1"_qs.arg(i), 2003, i));
        if (webKnows)
            m_script.web[query] = webMatch(u"The Matrix"_qs, 1999);

        model.lookupSelected();
        QVERIFY(waitUntilFinished(model));

        const MovieItem &item = *model.items().first();
        QCOMPARE(item.proposedName().value_or(QString()), name);
        QCOMPARE(item.status().kind() == LookupStatus::Kind::ready ? u"ready"_qs : item.statusDisplayText(), status);
        QCOMPARE(replyStates(item), replies);
        QCOMPARE(item.engineReplies().at(1).candidates.size(), videoHits);
        QCOMPARE(m_script.calls, QStringList({u"ai:"_qs + query, u"vk:"_qs + query, u"ddg:"_qs + query}));
        if (agentKnows) // the agent gave no year: the one in the file name stands in
            QCOMPARE(item.engineReplies().first().status.match()->year, 1999);
        QCOMPARE(model.statusText(),
            item.status().kind() == LookupStatus::Kind::ready
                ? u"1 ready, 0 failed, 0 not searched — select & Lookup"_qs
                : u"0 ready, 1 failed, 0 not searched — select & Lookup"_qs);
    }

    void emptyQueryFailsEveryEngineAtOnce()
    {
        LibraryModel &model = modelWith({u"1080p.mkv"_qs});
        model.lookupSelected();
        QVERIFY(waitUntilFinished(model));
        const MovieItem &item = *model.items().first();
        QCOMPARE(item.statusDisplayText(), u"Error: Empty search query"_qs);
        QCOMPARE(replyStates(item),
            u"Yandex AI: Empty search query | VK Video: Empty search query | DuckDuckGo: Empty search query"_qs);
        QVERIFY(m_script.calls.isEmpty());
    }

    void firstSuccessMakesTheRowReadyEarly()
    {
        LibraryModel &model = modelWith({u"Stalker.1979.mkv"_qs});
        m_script.agent[u"Stalker 1979"_qs] = AgentResult{u"Сталкер"_qs, 1979, {}, {}, {}, {}};
        m_script.videos[u"Stalker 1979"_qs] = {hit(u"Stalker"_qs, 1979, 1)};
        m_script.held.insert(u"vk:Stalker 1979"_qs);
        model.lookupSelected();
        const MovieItem &item = *model.items().first();
        QCOMPARE(item.statusDisplayText(), u"Сталкер(1979).mkv"_qs);
        QCOMPARE(model.statusText(), u"1 ready, 0 failed, 0 not searched — select & Lookup"_qs);

        // The user picks VK Video meanwhile; the completed lookup puts the agent back in charge.
        m_script.held = {u"ddg:Stalker 1979"_qs};
        QVERIFY(QTest::qWaitFor([&] { return item.engineReplies().at(1).status.isSuccess(); }, 2000));
        model.items().first()->useEngine(SearchEngine::vkvideo, u"mkv"_qs);
        QCOMPARE(item.statusDisplayText(), u"Stalker(1979).mkv"_qs);
        m_script.held.clear();
        QVERIFY(waitUntilFinished(model));
        QCOMPARE(item.statusDisplayText(), u"Сталкер(1979).mkv"_qs);
        QCOMPARE(item.chosenEngine(), SearchEngine::yandexAI);
    }

    void eightRunAtOnce()
    {
        LibraryModel &model = modelWith(films(10));
        for (int i = 0; i < 10; ++i)
            m_script.held.insert(u"Film %1"_qs.arg(QChar(u'A' + i)));

        model.lookupSelected();
        QCOMPARE(model.statusText(), u"Looking up 10 all…"_qs);
        QVERIFY(QTest::qWaitFor([&] { return m_script.running == 8; }, 2000));
        QTest::qWait(20);
        QCOMPARE(m_script.running, 8);
        QCOMPARE(model.activeLookupCount(), 8);
        QCOMPARE(model.pendingLookupIDs().size(), 2);

        m_script.held.remove(u"Film A"_qs);
        QVERIFY(QTest::qWaitFor([&] { return m_script.calls.contains(u"ai:Film I"_qs); }, 2000));
        QVERIFY(!m_script.calls.contains(u"ai:Film J"_qs));

        m_script.held.clear();
        QVERIFY(waitUntilFinished(model));
        QCOMPARE(m_script.maxRunning, 8);
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
        m_script.agent[u"Film A"_qs] = AgentResult{u"Alpha"_qs, 2001, {}, {}, {}, {}};
        for (int i = 1; i < 9; ++i)
            m_script.held.insert(u"Film %1"_qs.arg(QChar(u'A' + i)));
        m_script.held.insert(u"Film A"_qs);
        model.lookupSelected();
        QVERIFY(QTest::qWaitFor([&] { return m_script.running == 8; }, 2000));

        const MovieItemPtr first = model.items().first();
        if (how == u"remove") {
            model.removeItems({first->id()});
        } else {
            model.addURLs({QUrl::fromLocalFile(m_temp.filePath(u"Film I.mkv"_qs))});
            model.lookupSelected();
        }

        // The ninth row starts in the freed slot; the cancelled lookup asks no further engine.
        QVERIFY(QTest::qWaitFor([&] { return m_script.calls.contains(u"ai:Film I"_qs); }, 2000));
        QTest::qWait(30);
        QCOMPARE(m_script.calls.count(u"ddg:Film A"_qs), 0);
        if (how == u"intake") // the cancelled lookups gave their slots back when the count was reset
            QCOMPARE(model.activeLookupCount(), 1);
        else
            QCOMPARE(model.activeLookupCount(), 8);
        if (how == u"remove") // the cut-off request is no answer: the reply stays pending
            QCOMPARE(first->engineReplies().first().status.kind(), EngineReplyStatus::Kind::pending);

        m_script.held.clear();
        QVERIFY(waitUntilFinished(model));
        QCOMPARE(model.activeLookupCount(), 0);
    }

    void lookingUpAgainCancelsTheRunningLookup()
    {
        LibraryModel &model = modelWith({u"Film A.mkv"_qs, u"Film B.mkv"_qs});
        m_script.agent[u"Film A"_qs] = AgentResult{u"Alpha"_qs, 2001, {}, {}, {}, {}};
        m_script.held.insert(u"vk:Film A"_qs);
        const MovieItemPtr row = model.items().first();
        model.setSelectedIDs({row->id()});
        model.lookupSelected();
        QCOMPARE(row->status().kind(), LookupStatus::Kind::ready); // from the agent, VK Video still out

        model.lookupSelected();
        QCOMPARE(row->engineReplies().at(1).status.kind(), EngineReplyStatus::Kind::pending);
        QTest::qWait(20);
        m_script.held.clear();
        QVERIFY(waitUntilFinished(model));
        // The first lookup asked nothing more and its cut-off VK request left no reply behind.
        QCOMPARE(m_script.calls,
            QStringList({u"ai:Film A"_qs, u"vk:Film A"_qs, u"ai:Film A"_qs, u"vk:Film A"_qs, u"ddg:Film A"_qs}));
        QCOMPARE(row->statusDisplayText(), u"Alpha(2001).mkv"_qs);
        QCOMPARE(model.items().at(1)->status().kind(), LookupStatus::Kind::idle);
    }

    void modelGoneWhileLookupsRun()
    {
        LibraryModel &model = modelWith({u"Alien.1979.mkv"_qs, u"Heat.1995.mkv"_qs});
        m_script.held = {u"Alien 1979"_qs, u"Heat 1995"_qs};
        model.lookupSelected();
        QVERIFY(QTest::qWaitFor([&] { return m_script.running == 2; }, 2000));
        const MovieItemPtr row = model.items().first();
        m_model.reset();
        QVERIFY(QTest::qWaitFor([&] { return m_script.running == 0; }, 2000));
        QTest::qWait(10);
        QCOMPARE(row->status().kind(), LookupStatus::Kind::searching);
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
