#include "../services/CookieFileBuilder.h"

#include "core/FilePaths.h"
#include "engines/agent/AgentEngine.h"
#include "engines/vkvideo/VKVideoEngine.h"
#include "library/FileMover.h"
#include "library/Intake.h"
#include "library/LibraryModel.h"
#include "library/NameBuilder.h"
#include "library/RenameJournal.h"
#include "library/RenamePlan.h"
#include "lookup/LookupError.h"
#include "media/LibAVFormatProbe.h"
#include "media/MediaFormat.h"
#include "services/BrowserCookies.h"
#include "settings/AppSettings.h"
#include "settings/Translations.h"
#include "support/DesktopServices.h"

#include <QCollator>
#include <QCoroTask>
#include <QDir>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <cerrno>
#include <coroutine>
#include <numeric>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane;
using VKVideoAPIClient::VideoHit;
using YandexAIStudioClient::AgentResult;

namespace {

// A table row is one text: fields split at " ; ", lists at "|".
QStringList fields(const QString &row)
{
    return row.split(u" ; "_qs);
}
QList<QByteArray> list(const QString &joined)
{
    QList<QByteArray> parts;
    for (const QString &part : joined.split(u'|', Qt::SkipEmptyParts))
        parts.append(part.toUtf8());
    return parts;
}
MovieMatch matchOf(const QString &title, int year, const QUrl &page = {})
{
    MovieMatch match;
    std::tie(match.title, match.year, match.pageURL) = std::tie(title, year, page);
    return match;
}
const QUrl tmdbPage(u"https://www.themoviedb.org/movie/603"_qs);
void makeReady(const MovieItemPtr &item, const QString &title, int year)
{
    item->applyMatch(matchOf(title, year), SearchEngine::yandexAI);
}

template<typename Field> QString joined(const QList<MovieItemPtr> &items, Field field)
{
    QStringList result;
    for (const MovieItemPtr &item : items)
        result.append(field(*item));
    return result.join(u'|');
}

struct FakeDesktop : DesktopServices {
    std::optional<QList<QUrl>> chosen;
    QList<QList<QUrl>> revealed, opened;
    std::optional<QList<QUrl>> chooseFilesAndFolders(const QString &, const QString &) override { return chosen; }
    std::optional<QList<QUrl>> chooseFolder(const QString &, const QString &) override { return chosen; }
    void revealFiles(const QList<QUrl> &files) override { revealed.append(files); }
    void openUrl(const QUrl &url) override { opened.append({url}); }
    void setClipboardText(const QString &) override { }
};

/// Scripted engines and probe, answering by the text they are given. A held text ("query" for
/// every engine, "engine:query" for one, "probe" for the probes) keeps its calls waiting until
/// released or, like an aborted request, cancelled.
struct Script {
    QHash<QString, AgentResult> agent; // by stem
    QHash<QString, QList<VideoHit>> videos;
    QHash<QString, MovieMatch> web;
    QSet<QString> held;
    QStringList calls; // "engine:query", in call order
    QStringList cookies; // the Cookie header a web request would carry, per DuckDuckGo call
    std::shared_ptr<BrowserCookies> browserCookies = std::make_shared<BrowserCookies>(); // the lookup carries it
    QList<QByteArray> probed;
    int running = 0, maxRunning = 0;
    QList<std::coroutine_handle<>> waiting;

    /// Lets every held call look at the script again, from the event loop, each exactly once.
    void wake()
    {
        QTimer::singleShot(0, qApp, [resume = std::exchange(waiting, {})] {
            for (auto call : resume)
                call.resume();
        });
    }
    void release(const QString &key = {}) { key.isEmpty() ? held.clear() : void(held.remove(key)), wake(); }
};

struct NextWake {
    Script *script;
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> call) { script->waiting.append(call); }
    void await_resume() const noexcept { }
};

QCoro::Task<> engineCall(Script *script, QString engine, QString query, std::shared_ptr<CancellationHandle> cancel)
{
    script->calls.append(engine + u':' + query);
    script->maxRunning = std::max(script->maxRunning, ++script->running);
    const QMetaObject::Connection wake
        = QObject::connect(cancel.get(), &CancellationHandle::cancelled, cancel.get(), [script] { script->wake(); });
    while ((script->held.contains(query) || script->held.contains(engine + u':' + query)) && !cancel->isCancelled())
        co_await NextWake{script};
    QObject::disconnect(wake);
    --script->running;
    if (cancel->isCancelled())
        throw LookupError::network(QStringLiteral("The request was cancelled."));
}

QCoro::Task<AgentResult> fakeAgent(Script *script, QString input, std::shared_ptr<CancellationHandle> cancel)
{
    const QString stem = input.section(u'\n', 1, 1).mid(6); // "stem: …"
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
    const QUrl page(u"https://html.duckduckgo.com/html/"_qs);
    script->cookies.append(script->browserCookies->cookieHeader(page).value_or(u"none"_qs));
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

/// A scripted engine's answer, made a reply by the real engine's own conversion.
QCoro::Task<EngineReply> scriptedReply(
    Script *script, SearchEngine engine, EngineRequest request, std::shared_ptr<CancellationHandle> cancel)
{
    try {
        if (engine == SearchEngine::yandexAI) {
            QCoro::Task<AgentResult> asked = fakeAgent(script, request.queries.agentInput, cancel);
            const AgentResult result = co_await std::move(asked);
            co_return agentReply(result, request.queries.agentInput, request.fallbackYear);
        }
        if (engine == SearchEngine::vkvideo) {
            QCoro::Task<QList<VideoHit>> searched = fakeVideos(script, request.queries.query, cancel);
            const QList<VideoHit> hits = co_await std::move(searched);
            co_return videoReply(hits, request.queries.query);
        }
        QCoro::Task<MovieMatch> searched = fakeWeb(script, request.queries.duckDuckGoQuery, cancel);
        const MovieMatch match = co_await std::move(searched);
        co_return EngineReply{engine, EngineReplyStatus::success(match), {}};
    } catch (...) {
        co_return failedReply(engine, std::current_exception());
    }
}

class ScriptedEngine : public LookupEngine {
public:
    ScriptedEngine(Script *script, SearchEngine engine)
        : m_script(script)
        , m_engine(engine)
    {
    }
    SearchEngine engine() const override { return m_engine; }
    QCoro::Task<EngineReply> search(
        EngineRequest request, MovieLookup, std::shared_ptr<CancellationHandle> cancel) override
    {
        return scriptedReply(m_script, m_engine, std::move(request), std::move(cancel));
    }

private:
    Script *m_script;
    SearchEngine m_engine;
};

LookupEngines fakeEngines(Script *script)
{
    LookupEngines engines;
    for (SearchEngine engine : allSearchEngines)
        engines.engines.append(std::make_shared<ScriptedEngine>(script, engine));
    return engines;
}

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp, m_home;
    QByteArray m_root; // non-ASCII, so every case runs on such a path
    std::unique_ptr<Script> m_script;
    std::unique_ptr<LibraryModel> m_model;

    QByteArray at(const QByteArray &relative) const { return m_root + '/' + relative; }

    // "d/" a folder, "p!" a pipe, "l>target" a symbolic link; any other entry a file holding its
    // own name, so that moves can be traced. Names are bytes: they need not be UTF-8.
    void create(const QList<QByteArray> &entries)
    {
        for (QByteArray entry : entries) {
            const qsizetype arrow = entry.indexOf('>');
            for (qsizetype slash = entry.indexOf('/'); slash > 0; slash = entry.indexOf('/', slash + 1))
                QVERIFY(mkdir(at(entry.left(slash)).constData(), 0755) == 0 || errno == EEXIST);
            if (arrow >= 0) {
                QCOMPARE(symlink(entry.mid(arrow + 1).constData(), at(entry.left(arrow)).constData()), 0);
            } else if (entry.endsWith('!')) {
                QCOMPARE(mkfifo(at(entry.chopped(1)).constData(), 0644), 0);
            } else if (!entry.endsWith('/')) {
                const int fd = open(at(entry).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                QCOMPARE(write(fd, entry.constData(), entry.size()), ssize_t(entry.size()));
                close(fd);
            }
        }
    }
    QList<QUrl> urls(const QList<QByteArray> &paths) const
    {
        QList<QUrl> result;
        for (const QByteArray &path : paths)
            result.append(fileURL(cleanNativePath(at(path))));
        return result;
    }
    QString rowPaths(const LibraryModel &model) const
    {
        return joined(model.items(),
            [this](const MovieItem &item) { return readableName(item.nativePath().mid(m_root.size() + 1)); });
    }
    // Each entry of the root as "name=content", sorted, read as text.
    QString listing() const
    {
        QStringList texts;
        DIR *dir = opendir(m_root.constData());
        while (const dirent *entry = readdir(dir)) {
            char content[512];
            const int fd = open(at(entry->d_name).constData(), O_RDONLY);
            const ssize_t size = read(fd, content, sizeof content);
            close(fd);
            if (entry->d_name[0] != '.')
                texts.append(
                    readableName(entry->d_name) + u'=' + readableName(QByteArray(content, std::max<ssize_t>(size, 0))));
        }
        closedir(dir);
        texts.sort();
        return texts.join(u'|');
    }
    /// A fresh model with the scripted engines over the files with these names.
    LibraryModel &modelWith(const QList<QByteArray> &names)
    {
        m_model = std::make_unique<LibraryModel>();
        m_script = std::make_unique<Script>();
        MovieLookup lookup;
        lookup.cookies = m_script->browserCookies;
        m_model->setLookup(lookup);
        m_model->setLookupEngines(fakeEngines(m_script.get()));
        create(names);
        QCoro::waitFor(m_model->addURLs(urls(names)));
        m_model->setSelectedIDs({});
        return *m_model;
    }
    /// Rows "Film A.mkv" to "Film <last>.mkv", every call for them held.
    LibraryModel &heldFilms(char last)
    {
        QList<QByteArray> names;
        for (char c = 'A'; c <= last; ++c)
            names.append("Film " + QByteArray(1, c) + ".mkv");
        LibraryModel &model = modelWith(names);
        for (char c = 'A'; c <= last; ++c)
            m_script->held.insert(u"Film "_qs + QChar(c));
        return model;
    }
    bool finished(LibraryModel &model)
    {
        return QTest::qWaitFor([&] { return model.activeLookupCount() == 0 && m_script->running == 0; }, 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // CI runs in the C locale: pin the order a person expects. Cookies and settings are the tests' own.
        QLocale::setDefault(QLocale::c());
        QVERIFY(m_temp.isValid() && m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u".config"_qs)));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_home.filePath(u".state"_qs)));
    }
    void init()
    {
        m_root = QFile::encodeName(m_temp.path()) + "/Con \xec\x9e\x90\xeb\xb0\xb1"; // Con 자백
        QCOMPARE(mkdir(m_root.constData(), 0755), 0);
    }
    void cleanup()
    {
        m_model.reset(); // cancelled engine calls still hold the script until they notice
        if (m_script)
            QTRY_COMPARE(m_script->running, 0);
        // By bytes: Qt's own removal cannot reach names that are not UTF-8.
        chmod(m_root.constData(), 0755);
        nftw(
            m_root.constData(), [](const char *path, const struct stat *, int, FTW *) { return remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }

    void addURLs_data()
    {
        QTest::addColumn<QString>("row"); // entries ; dropped ; rows ; status ; folder
        QTest::newRow("folder") << u"f/B.mkv|f/a.mp4|f/notes.txt ; f ; f/a.mp4|f/B.mkv ; 2 file(s) — Lookup ; f"_qs;
        QTest::newRow("nested and hidden")
            << u"f/s/c.avi|f/.h.mkv|f/.cache/d.mkv|f/e.MKV ; f ; f/s/c.avi|f/e.MKV ; 2 file(s) — Lookup ; f"_qs;
        QTest::newRow("hidden video given") << u".c/.a.mkv ; .c/.a.mkv ; .c/.a.mkv ; 1 file(s) — Lookup ; .c"_qs;
        QTest::newRow("no videos, one missing")
            << u"x.txt|y.jpg ; x.txt|gone.mkv|y.jpg ;  ; No video files in drop (2 non-video skipped) ; "_qs;
        QTest::newRow("empty folder") << u"e/ ; e ;  ; No video files found ; e"_qs;
        QTest::newRow("sorted across sources, each once")
            << u"x.txt|d1/c.mkv|d2/b.MKV|A.mp4 ; x.txt|d2/b.MKV|d1|d1/c.mkv|A.mp4 ; A.mp4|d2/b.MKV|d1/c.mkv ; "
               "3 file(s) from 5 items — Lookup ; d2"_qs;
        QTest::newRow("equal names keep their order")
            << u"d1/a.mkv|d2/A.mkv ; d2/A.mkv|d1/a.mkv ; d2/A.mkv|d1/a.mkv ; 2 file(s) from 2 items — Lookup ; d2"_qs;
        // A pipe named like a video would block whoever opens it; a link counts as what it reaches,
        // and a folder reached twice gives its files once.
        QTest::newRow("pipes and links")
            << u"f/a.mkv|f/p.mkv!|o/b.mkv|o/q.mkv!|f/l.mkv>../o/b.mkv|f/dead.mkv>x.mkv|"
               "f/lq.mkv>../o/q.mkv|f/lo>../o|f/loop>. ; f ; f/a.mkv|f/l.mkv ; 2 file(s) — Lookup ; f"_qs;
        QTest::newRow("pipe given") << u"p.mkv! ; p.mkv ;  ; No video files in drop (1 non-video skipped) ; "_qs;
        QTest::newRow("folder and a link to it")
            << u"f/a.mkv|f/b.mkv|lf>f ; f|lf|lf/a.mkv ; f/a.mkv|f/b.mkv ; 2 file(s) from 3 items — Lookup ; f"_qs;
        // Latin-1 bytes, other Latin-1 bytes and a real U+FFFD: three files, three rows.
        QTest::newRow("names that are not UTF-8")
            << u"n/Caf\xe9.mkv|n/Caf\xe8.mkv|n/Caf\uFFFD.mkv ; n ; "
               "n/Café.mkv|n/Cafè.mkv|n/Caf\uFFFD.mkv ; 3 file(s) — Lookup ; n"_qs;
    }
    void addURLs()
    {
        QFETCH(QString, row);
        const QStringList f = fields(row);
        QList<QByteArray> entries = list(f[0]);
        for (QByteArray &entry : entries) // the table's é and è stand for Latin-1 bytes
            entry.replace("\xc3\xa9", "\xe9").replace("\xc3\xa8", "\xe8");
        create(entries);
        LibraryModel model;
        QCoro::waitFor(model.addURLs(urls(list(f[1]))));
        QCOMPARE(rowPaths(model), f[2]);
        QCOMPARE(model.statusText(), f[3]);
        QCOMPARE(model.folderURL(), f[4].isEmpty() ? std::nullopt : std::optional(urls(list(f[4])).first()));
        QCOMPARE(model.selectedIDs(), model.items().isEmpty() ? QSet<QUuid>() : QSet{model.items().first()->id()});
    }

    void russianStatus_data()
    {
        QTest::addColumn<QString>("route"); // "drop N" files, a "lookup" with no folder ID, the "media" rows
        QTest::addColumn<QString>("status");
        QTest::newRow("few") << u"drop 3"_qs << u"3 файла — нажмите «Найти»"_qs;
        QTest::newRow("twenty-one") << u"drop 21"_qs << u"21 файл — нажмите «Найти»"_qs;
        QTest::newRow("agent unset") << u"lookup"_qs << u"Ошибка: Не задан ID каталога Yandex AI (Настройки)"_qs;
        QTest::newRow("media rows") << u"media"_qs
                                    << u"Анализатор|Размер файла=1,50 МБ|Контейнер=MKV|Видео=—|Звуковые дорожки=0|"
                                       u"128 кбит/с|24 кадр/с"_qs;
    }
    void russianStatus()
    {
        QFETCH(QString, route);
        QFETCH(QString, status);
        const auto english = qScopeGuard([] {
            AppSettings::resetAll();
            installTranslations({});
        });
        QVERIFY(AppSettings::storeLanguage(u"ru"_qs) && installTranslations({}) == u"ru"_qs);
        if (route == u"media") {
            QStringList rows;
            for (const MediaInfoRow &row : libAVRows(std::nullopt, {1'500'000, u"mkv"_qs}, QLocale(u"ru"_qs)))
                rows.append(row.value.startsWith(u"libavformat") ? row.key : row.key + u'=' + row.value);
            rows << formatBitRate(128'000) << formatFrameRate(24000.0 / 1001);
            QCOMPARE(rows, status.split(u'|'));
            return;
        }
        if (route == u"lookup") {
            LibraryModel &model = modelWith({"Stalker.mkv"});
            model.setLookupEngines(
                {{std::make_shared<AgentEngine>([] {
                     return YandexAIStudioClient::AgentConfig{u"key"_qs, {}, u"prompt"_qs, u"http://127.0.0.1:9/"_qs};
                 })},
                    {}});
            QSignalSpy done(&model, &LibraryModel::lookupsFinished);
            model.lookupSelected();
            QTRY_COMPARE(done.count(), 1);
            QCOMPARE(model.items().first()->statusDisplayText(), status);
            return;
        }
        for (int i = route.section(u' ', 1).toInt(); i > 0; --i)
            create({"ru/" + QByteArray::number(i) + ".mkv"});
        LibraryModel model;
        QCoro::waitFor(model.addURLs(urls({"ru"})));
        QCOMPARE(model.statusText(), status);
    }

    // Names of plain ASCII are ordered past the collator; the order must stay the collator's own,
    // also where a locale joins letters ("aa", "ch") or a name holds a tab, a control or Cyrillic.
    void nameOrder_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("names");
        const QStringList awkward = u"b.mkv|B.mkv|a b|a_b|a-b|a.b|a~b|a{b|A0|a9|a10|Ab|ab|a|aa|ab|ch|ci|h|...|"
                                    u"Фильм|Ä|é|e|E|z\tz|z z|\x01" u"a|a|Z|zz"_qs.split(u'|');
        QRandomGenerator random(28);
        QStringList generated;
        for (int i = 0; i < 4000; ++i) {
            const QString small = u"aAbZz09 ._-()[]~"_qs;
            QString name;
            for (int length = random.bounded(1, i % 2 ? 5 : 9); length > 0; --length)
                name += i % 2 ? QChar(random.bounded(0x20, 0x7f)) : small[random.bounded(small.size())];
            generated.append(i % 97 ? name : name + u'é');
        }
        for (const QString &locale : {u"en"_qs, u"ru"_qs, u"da"_qs, u"cs"_qs}) {
            QTest::addRow("%s awkward", qPrintable(locale)) << locale << awkward + awkward + awkward + awkward;
            QTest::addRow("%s generated", qPrintable(locale)) << locale << generated;
        }
    }
    void nameOrder()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, names);
        QCollator collator{QLocale(locale)};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        QList<qsizetype> expected(names.size());
        std::iota(expected.begin(), expected.end(), qsizetype(0));
        std::stable_sort(expected.begin(), expected.end(),
            [&](qsizetype a, qsizetype b) { return collator.compare(names[a], names[b]) < 0; });
        QCOMPARE(tolvane::nameOrder(names, QLocale(locale)), expected);
    }

    void removeItems_data()
    {
        QTest::addColumn<QString>("row"); // selected ; removed ; rows left ; selected after
        QTest::newRow("selected row") << u"0 ; 0 ; 1|2 ; 1"_qs;
        QTest::newRow("other row") << u"2 ; 1 ; 0|2 ; 2"_qs;
        QTest::newRow("all") << u"1 ; 0|1|2 ;  ; "_qs;
    }
    void removeItems()
    {
        QFETCH(QString, row);
        LibraryModel &model = modelWith(list(u"0.mkv|1.mkv|2.mkv"_qs));
        const auto ids = [&model](const QString &rows) {
            QSet<QUuid> result;
            for (const QByteArray &index : list(rows))
                result.insert(model.items()[index.toInt()]->id());
            return result;
        };
        model.setSelectedIDs(ids(fields(row)[0]));
        model.removeItems(ids(fields(row)[1]));
        const auto stem = [](const MovieItem &item) { return item.searchStem(); };
        QCOMPARE(joined(model.items(), stem), fields(row)[2]);
        QCOMPARE(joined(model.selectedItems(), stem), fields(row)[3]);
        QCOMPARE(model.statusText(), QStringLiteral("%1 file(s) — select rows and Lookup").arg(model.items().size()));
    }

    // Rows taken out and put back: the signals name the positions that changed (a list following
    // them stays equal to the model's), and the list comes back as it stood, a row whose lookup
    // was cut off as not searched.
    void removeAndPutBack_data()
    {
        QTest::addColumn<QString>("row"); // removed ; ranges told
        QTest::newRow("one") << u"2 ; 2-2"_qs;
        QTest::newRow("scattered") << u"0|2|3 ; 0-0|2-3"_qs;
        QTest::newRow("all") << u"0|1|2|3|4 ; 0-4"_qs;
    }
    void removeAndPutBack()
    {
        QFETCH(QString, row);
        LibraryModel &model = heldFilms('E');
        const QList<MovieItemPtr> before = model.items();
        QList<MovieItemPtr> mirror = before;
        QStringList told;
        const auto tell = [&told](const QList<RowRange> &ranges) {
            QStringList texts;
            for (const RowRange &range : ranges)
                texts.append(u"%1-%2"_qs.arg(range.first).arg(range.last));
            told.append(texts.join(u'|'));
        };
        connect(&model, &LibraryModel::rowsRemoved, this, [&](const QList<RowRange> &ranges) {
            for (auto range = ranges.crbegin(); range != ranges.crend(); ++range)
                mirror.remove(range->first, range->last - range->first + 1);
            tell(ranges);
        });
        connect(&model, &LibraryModel::rowsInserted, this, [&](const QList<RowRange> &ranges) {
            for (const RowRange &range : ranges) {
                for (qsizetype at = range.first; at <= range.last; ++at)
                    mirror.insert(at, model.items()[at]);
            }
            tell(ranges);
        });
        QSet<QUuid> ids;
        QStringList positions;
        for (const QByteArray &index : list(fields(row)[0])) {
            ids.insert(before[index.toInt()]->id());
            positions.append(QString::fromLatin1(index));
        }
        model.lookupSelected();
        const QList<RemovedRow> removed = model.removeItems(ids);
        QCOMPARE(mirror, model.items());
        QStringList removedAt;
        for (const RemovedRow &gone : removed)
            removedAt.append(QString::number(gone.position));
        QCOMPARE(removedAt, positions);
        model.insertItems(removed);
        QCOMPARE(model.items(), before);
        QCOMPARE(mirror, before);
        QCOMPARE(told, QStringList(2, fields(row)[1]));
        const MovieItemPtr back = removed.first().item;
        QVERIFY(back->status() == LookupStatus::idle() && back->engineReplies().isEmpty());
    }

    // An intake's list can be put back as it stood: rows, folder, no lookup left running.
    void intakeReplacedAndPutBack()
    {
        LibraryModel &model = heldFilms('B');
        const QList<MovieItemPtr> first = model.items();
        const std::optional<QUrl> folder = model.folderURL();
        model.lookupSelected();
        QSignalSpy replaced(&model, &LibraryModel::listReplacedByIntake);
        create({"sub/Other.mkv"});
        QCoro::waitFor(model.addURLs(urls({"sub"})));
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(replaced.first().at(0).value<QList<MovieItemPtr>>(), first);
        QCOMPARE(replaced.first().at(1).value<std::optional<QUrl>>(), folder);
        const QList<MovieItemPtr> second = model.items();
        QCOMPARE(model.replaceItems(first, folder), second);
        QVERIFY(model.items() == first && model.folderURL() == folder && model.activeLookupCount() == 0);
        QCOMPARE(first.first()->status(), LookupStatus::idle());
        QCOMPARE(model.statusText(), u"2 file(s) — select rows and Lookup"_qs);
        QCOMPARE(model.selectedItem(), first.first());
    }

    // Views redraw on the model's signals: once per real change, never for an unchanged value.
    void modelSignalsRealChangesOnly()
    {
        create({"a.mkv", "b.mkv"});
        LibraryModel model;
        QSignalSpy items(&model, &LibraryModel::listReset), replaced(&model, &LibraryModel::rowReplaced);
        QSignalSpy selection(&model, &LibraryModel::selectedIDsChanged);
        QSignalSpy folder(&model, &LibraryModel::folderURLChanged), status(&model, &LibraryModel::statusTextChanged);
        const auto counts = [&] {
            return QList{items.count(), replaced.count(), selection.count(), folder.count(), status.count()};
        };
        // New rows with new ids, a new folder, and the status line while walking and after.
        QCoro::waitFor(model.addURLs(urls({"."})));
        QCOMPARE(counts(), (QList<qsizetype>{1, 0, 1, 1, 2}));
        QCoro::waitFor(model.addURLs(urls({"."})));
        model.setSelectedIDs(model.selectedIDs());
        QCOMPARE(counts(), (QList<qsizetype>{2, 0, 2, 1, 4}));
        // A rename puts a fresh row for the moved file in the old one's place, selected if it was.
        const MovieItemPtr old = model.items().first();
        old->setExtraTokens(u"tarkovsky"_qs);
        makeReady(old, u"Сталкер"_qs, 1979);
        QCOMPARE(model.rename(old), std::nullopt);
        QCOMPARE(counts(), (QList<qsizetype>{2, 1, 3, 1, 5}));
        const MovieItemPtr now = model.items().first();
        QCOMPARE(now->originalName(), u"Сталкер(1979).mkv"_qs);
        QVERIFY(now->engineReplies() == old->engineReplies() && now->extraTokens() == old->extraTokens());
    }

    void desktopServices()
    {
        create(list(u"a.mkv|b.mkv|c.mkv"_qs));
        FakeDesktop desktop;
        LibraryModel model;
        model.setDesktopServices(&desktop);
        model.chooseFilesToOpen(); // cancelled
        model.lookupSelected();
        QVERIFY(model.statusText() == u"No files to look up"_qs && !model.canLookup());
        desktop.chosen = urls(list(u"c.mkv|a.mkv|b.mkv"_qs));
        QSignalSpy intake(&model, &LibraryModel::intakeFinished);
        model.chooseFilesToOpen();
        // A fast scan may finish before the panel's call returns.
        QTRY_COMPARE(intake.count(), 1);
        QCOMPARE(rowPaths(model), u"a.mkv|b.mkv|c.mkv"_qs);
        model.setSelectedIDs({model.items()[2]->id(), model.items()[0]->id()});
        model.revealSelected();
        model.setSelectedIDs({});
        model.revealSelected();
        QCOMPARE(desktop.revealed, QList<QList<QUrl>>{urls(list(u"a.mkv|c.mkv"_qs))});
        // A bare "+" in a query reads as a space: everything is encoded.
        model.openGoogleSearch(u"C++ & Co=1"_qs);
        const QUrl url = desktop.opened.last().first();
        QCOMPARE(url.toString(QUrl::RemoveQuery), u"https://www.google.com/search"_qs);
        QCOMPARE(QUrlQuery(url).queryItemValue(u"q"_qs, QUrl::FullyDecoded), u"C++ & Co=1"_qs);
    }

    // A plan tells what the run then does, row by row, in the same words; names taken or freed by
    // earlier rows of the batch count. A name starting "~" is planned after its file is gone.
    void planAndRun_data()
    {
        QTest::addColumn<QString>("row"); // entries ; names by row (- none) ; outcomes by renamed row ; entries after
        QTest::newRow("two rows, one name")
            << u"a.mkv|b.mkv ; X.mkv|X.mkv ; ok|Target exists: X.mkv ; X.mkv=a.mkv|b.mkv=b.mkv"_qs;
        QTest::newRow("a name freed earlier") << u"a.mkv|b.mkv ; c.mkv|a.mkv ; ok|ok ; a.mkv=b.mkv|c.mkv=a.mkv"_qs;
        QTest::newRow("a name taken later")
            << u"a.mkv|b.mkv ; b.mkv|a.mkv ; Target exists: b.mkv|Target exists: a.mkv ; "
               "a.mkv=a.mkv|b.mkv=b.mkv"_qs;
        QTest::newRow("a file that is no row")
            << u"a.mkv|b.mkv ; b.mkv|- ; Target exists: b.mkv ; a.mkv=a.mkv|b.mkv=b.mkv"_qs;
        QTest::newRow("source gone")
            << u"a.mkv ; ~b.mkv ; “a.mkv” couldn’t be renamed: No such file or directory ; "_qs;
        QTest::newRow("name leaving the folder")
            << u"a.mkv ; ../x.mkv ; Not a valid file name: ../x.mkv ; a.mkv=a.mkv"_qs;
        QTest::newRow("name over 255 bytes") << u"a.mkv ; "_qs + QString(126, u'Я')
                + u".mkv ; “a.mkv” couldn’t be renamed: File name too long ; a.mkv=a.mkv"_qs;
        // The Latin-1 file is renamed, not its look-alike, and gets the UTF-8 name.
        QTest::newRow("Latin-1 name and its look-alike")
            << u"Caf\xe9.mkv|Caf\uFFFD.mkv ; Café.mkv|Café.mkv ; "
               "ok|Target exists: Café.mkv ; Café.mkv=Caf\xe9.mkv|Caf\uFFFD.mkv=Caf\uFFFD.mkv"_qs;
        QTest::newRow("read-only folder")
            << u"a.mkv ; b.mkv ; “a.mkv” couldn’t be renamed: Permission denied ; a.mkv=a.mkv"_qs;
    }
    void planAndRun()
    {
        QFETCH(QString, row);
        const QStringList f = fields(row);
        if (f[2].endsWith(u"Permission denied"_qs)) {
            if (geteuid() == 0)
                QSKIP("root may write into any folder");
            QCOMPARE(chmod(m_root.constData(), 0555), 0);
        }
        QList<QByteArray> entries = list(f[0]);
        entries.first().replace("\xc3\xa9", "\xe9"); // é in the first name: a Latin-1 byte
        create(entries);
        LibraryModel model;
        QCoro::waitFor(model.addURLs(urls({"."})));
        const QList<MovieItemPtr> rows = model.items();
        const QStringList names = f[1].split(u'|');
        for (qsizetype i = 0; i < rows.size(); ++i) {
            makeReady(rows[i], u"T"_qs, 1);
            rows[i]->setProposedName(names[i] == u"-" ? std::nullopt : std::optional(QString(names[i]).remove(u'~')));
            if (names[i].startsWith(u'~'))
                QCOMPARE(unlink(rows[i]->nativePath().constData()), 0);
        }
        QStringList planned, done;
        for (const PlannedRename &plan : planRenames(rows))
            planned.append(plan.failure.value_or(u"ok"_qs));
        for (const MovieItemPtr &row : rows) {
            if (!row->canRename())
                continue;
            const std::optional<QString> failure = model.rename(row);
            done.append(failure.value_or(u"ok"_qs));
            if (failure) // the row shows why; the list keeps it
                QVERIFY(row->statusDisplayText() == u"Error: "_qs + *failure && model.items().contains(row));
        }
        QCOMPARE(done.join(u'|'), f[2]);
        QCOMPARE(planned, done);
        QCOMPARE(listing(), f[3]);
    }

    // Both movers: the kernel's no-replace rename and the link-based one used where it is refused.
    // planAndRun moves and misses sources through the first; only an existing target it checks first.
    void moversNeverReplace_data()
    {
        QTest::addColumn<QString>("row"); // by linking ; entries ; outcome ; entries after
        QTest::newRow("rename, target exists") << u"rename ; src.mkv|new.mkv ; 1 ; new.mkv=new.mkv|src.mkv=src.mkv"_qs;
        QTest::newRow("link, moves") << u"link ; src.mkv ; 0 ; new.mkv=src.mkv"_qs;
        QTest::newRow("link, target exists") << u"link ; src.mkv|new.mkv ; 1 ; new.mkv=new.mkv|src.mkv=src.mkv"_qs;
        QTest::newRow("link, source vanished") << u"link ;  ; 2 ; "_qs;
    }
    void moversNeverReplace()
    {
        QFETCH(QString, row);
        const QStringList f = fields(row);
        create(list(f[1]));
        const QByteArray source = at("src.mkv"), target = at("new.mkv");
        const MoveResult result
            = f[0] == u"link" ? moveByLinking(source, target) : moveWithoutReplacing(source, target);
        QCOMPARE(int(result.kind), f[2].toInt());
        QCOMPARE(result.message.isEmpty(), result.kind != MoveResult::Kind::failed);
        QCOMPARE(listing(), f[3]);
    }

    // Bulk renames go on past a failed row; here two rows want the same name.
    void renameMany_data()
    {
        QTest::addColumn<QString>("row"); // selected only ; entries after ; row texts
        QTest::newRow("all ready") << u" ; A(2001).mkv=a.mkv|G(2003).mkv=c.mkv|b.mkv=b.mkv|d.mkv=d.mkv ; "
                                      "A(2001).mkv|Error: Target exists: A(2001).mkv|G(2003).mkv|—"_qs;
        QTest::newRow("selected") << u"1 ; A(2001).mkv=b.mkv|G(2003).mkv=c.mkv|a.mkv=a.mkv|d.mkv=d.mkv ; "
                                     "A(2001).mkv|A(2001).mkv|G(2003).mkv|—"_qs;
    }
    void renameMany()
    {
        QFETCH(QString, row);
        const QStringList f = fields(row);
        create(list(u"a.mkv|b.mkv|c.mkv|d.mkv"_qs));
        LibraryModel model;
        QCoro::waitFor(model.addURLs(urls({"."})));
        makeReady(model.items()[0], u"A"_qs, 2001);
        makeReady(model.items()[1], u"A"_qs, 2001);
        makeReady(model.items()[2], u"G"_qs, 2003);
        model.setSelectedIDs({model.items()[1]->id(), model.items()[2]->id()});
        f[0].isEmpty() ? model.renameAllReady() : model.renameSelected();
        QCOMPARE(listing(), f[1]);
        QCOMPARE(joined(model.items(), [](const MovieItem &item) { return item.statusDisplayText(); }), f[2]);
        QCOMPARE(model.statusText(), u"Renamed → G(2003).mkv"_qs);
        QCOMPARE(model.selectedItems().size(), 2);
        QCOMPARE(model.selectedItems().last()->originalName(), u"G(2003).mkv"_qs);
    }

    // One bulk rename is one undo: files and companions go back, and so do the rows, as renamed.
    void renameAndUndo_data()
    {
        QTest::addColumn<bool>("companions");
        QTest::addColumn<QString>("renamed");
        QTest::addColumn<QString>("undone");
        QTest::newRow("with companions") << true
            << u"A(2001)_cut.en.srt=a.en.srt|A(2001)_cut.mkv=a.mkv|A(2001)_cut.nfo=a.nfo|B(2002).mkv=b.mkv|B(2002).srt=b.srt"_qs
            << u"Undone: 5 file(s)"_qs;
        QTest::newRow("without") << false
            << u"A(2001)_cut.mkv=a.mkv|B(2002).mkv=b.mkv|a.en.srt=a.en.srt|a.nfo=a.nfo|b.srt=b.srt"_qs
            << u"Undone: 2 file(s)"_qs;
    }
    void renameAndUndo()
    {
        QFETCH(bool, companions);
        AppSettings::storeMoveCompanionFiles(companions);
        create(list(u"a.mkv|a.en.srt|a.nfo|b.mkv|b.srt"_qs));
        const QString before = listing();
        LibraryModel model;
        QCoro::waitFor(model.addURLs(urls({"."})));
        model.items()[0]->setNamePostfix(u"cut"_qs);
        makeReady(model.items()[0], u"A"_qs, 2001);
        makeReady(model.items()[1], u"B"_qs, 2002);
        QCOMPARE(companionSummaryText(companionMovesFor(*model.items()[0])), companions ? u"+ 2 files: .en.srt, .nfo"_qs : QString());
        model.setSelectedIDs({model.items()[0]->id()});
        QSignalSpy undoable(&model, &LibraryModel::canUndoRenameChanged);
        QVERIFY(!model.canUndoRename());
        model.renameAllReady();
        QTEST(listing(), "renamed");
        QVERIFY(model.canUndoRename() && undoable.count() == 1);

        QCoro::waitFor(model.undoLastRename());
        AppSettings::storeMoveCompanionFiles(true);
        QCOMPARE(listing(), before);
        QTEST(model.statusText(), "undone");
        QVERIFY(!model.canUndoRename() && undoable.count() == 2);
        QCOMPARE(rowPaths(model), u"a.mkv|b.mkv"_qs);
        const MovieItemPtr first = model.items()[0];
        QCOMPARE(first->namePostfix(), u"cut"_qs);
        QCOMPARE(first->chosenEngine(), std::optional(SearchEngine::yandexAI));
        QVERIFY(first->canRename() && model.selectedItem() == first);
        // Undone once only: the journal holds the rename, undone, and the undo.
        const QList<JournalBatch> batches = RenameJournal::readBatches(RenameJournal::defaultPath());
        QVERIFY(batches.size() >= 2 && batches.last().isUndo && batches[batches.size() - 2].undone);
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("row"); // agent knows ; VK hits ; DuckDuckGo knows ; name ; row status ; replies
        const QString ai = u"Yandex AI: [Yandex AI] Матрица[The Matrix](1999)"_qs;
        const QString vk = u"VK Video: [VK Video] The Matrix Reloaded (2003)  ·  3 titles"_qs;
        const QString web = u"DuckDuckGo: [TMDB] The Matrix(1999)"_qs,
                      none = LookupError::noCatalogResult().description();
        QTest::newRow("all succeed: the agent drives the name")
            << u"1 ; 3 ; 1 ; Матрица[The_Matrix](1999).mkv ; ready ; "_qs + ai + u" | "_qs + vk + u" | "_qs + web;
        QTest::newRow("everything fails: the first failure")
            << u" ; 0 ;  ;  ; failed ; Yandex AI: HTTP 500 | VK Video: "_qs + none + u" | DuckDuckGo: "_qs + none;
    }
    void outcomes()
    {
        QFETCH(QString, row);
        const QStringList f = fields(row);
        LibraryModel &model = modelWith({"The.Matrix.1999.1080p.MKV"});
        const QString query = u"The Matrix 1999"_qs;
        if (!f[0].isEmpty())
            m_script->agent[query] = AgentResult{u"Матрица"_qs, std::nullopt, 0.9, {}, {u"The Matrix"_qs}, {}};
        for (int i = 0; i < f[1].toInt(); ++i)
            m_script->videos[query].append({i ? u"Other"_qs : u"The Matrix Reloaded (2003)"_qs, 2003,
                QUrl(u"https://vkvideo.ru/video-1_%1"_qs.arg(i)), 5400, -1, i});
        if (!f[2].isEmpty())
            m_script->web[query] = matchOf(u"The Matrix"_qs, 1999, tmdbPage);
        QSignalSpy done(&model, &LibraryModel::lookupsFinished);
        model.lookupSelected();
        QTRY_COMPARE(done.count(), 1);

        const MovieItem &item = *model.items().first();
        QCOMPARE(item.proposedName().value_or(QString()), f[3]);
        QStringList states;
        for (const EngineReply &reply : item.engineReplies())
            states.append(rawValue(reply.engine) + u": "_qs + replySummary(reply));
        QCOMPARE(states.join(u" | "), f[5]);
        QCOMPARE(m_script->calls, QStringList({u"ai:"_qs + query, u"vk:"_qs + query, u"ddg:"_qs + query}));
        if (!f[0].isEmpty()) // the agent gave no year: the one in the file name stands in
            QCOMPARE(item.engineReplies().first().status.match()->year, 1999);
        const bool ready = f[4] == u"ready";
        QVERIFY(ready || item.statusDisplayText() == u"Error: HTTP 500"_qs);
        QCOMPARE(model.statusText(),
            u"%1 ready, %2 failed, 0 not searched — select & Lookup"_qs.arg(int(ready)).arg(int(!ready)));
        QCOMPARE(done.count(), 1);
    }

    void cancellation_data()
    {
        QTest::addColumn<bool>("byIntake"); // else by removing the row
        QTest::newRow("row removed") << false;
        QTest::newRow("new intake") << true;
    }
    void cancellation()
    {
        QFETCH(bool, byIntake);
        LibraryModel &model = heldFilms('I');
        model.lookupSelected();
        QCOMPARE(m_script->running, 8); // eight at once, the ninth waits
        const MovieItemPtr first = model.items().first();
        if (byIntake) {
            QCoro::waitFor(model.addURLs(urls({"Film I.mkv"})));
            model.lookupSelected();
        } else {
            model.removeItems({first->id()});
        }
        // The ninth row starts in the freed slot; a cancelled intake's lookups gave theirs back at once.
        QTRY_VERIFY(m_script->calls.contains(u"ai:Film I"_qs));
        QCOMPARE(model.activeLookupCount(), byIntake ? 1 : 8);
        // The cut-off request is no answer: the reply stays pending, and no further engine is asked.
        QCOMPARE(first->engineReplies().first().status.kind(), EngineReplyStatus::Kind::pending);
        m_script->release();
        QVERIFY(finished(model));
        QVERIFY(byIntake || m_script->maxRunning == 8); // the freed slot taken once
        QCOMPARE(m_script->calls.filter(u"Film A"_qs), QStringList{u"ai:Film A"_qs});
    }

    // Rows of equal search text and year hint share one lookup; taking one of them out leaves it
    // going for the other, and a row asked later takes the replies made so far.
    void sharedLookups_data()
    {
        QTest::addColumn<QString>("row"); // files ; while the engines run ; engine calls ; names
        const QString once = u"ai:Film A|ddg:Film A|vk:Film A"_qs, parts = u"Film A [cd1].mkv|Film A [cd2].avi ; "_qs;
        QTest::newRow("parts: asked once") << parts + u" ; "_qs + once + u" ; Alpha.mkv|Alpha.avi"_qs;
        QTest::newRow("other year hint: asked twice") << u"Film A [2001].mkv|Film A [2002].mkv ;  ; ai:Film A|"
                                                         u"ai:Film A|ddg:Film A|ddg:Film A|vk:Film A|vk:Film A ; "
                                                         u"Alpha(2001).mkv|Alpha(2002).mkv"_qs;
        QTest::newRow("first removed") << parts + u"drop 0 ; "_qs + once + u" ; Alpha.avi"_qs;
        QTest::newRow("second removed") << parts + u"drop 1 ; "_qs + once + u" ; Alpha.mkv"_qs;
        QTest::newRow("second asked late") << parts + u"late ; "_qs + once + u" ; Alpha.mkv|Alpha.avi"_qs;
    }
    void sharedLookups()
    {
        QFETCH(QString, row);
        const QStringList f = fields(row);
        LibraryModel &model = modelWith(list(f[0]));
        const QList<MovieItemPtr> rows = model.items();
        m_script->agent[u"Film A"_qs] = AgentResult{u"Alpha"_qs, std::nullopt, 0.9, {}, {}, {}};
        m_script->held.insert(u"vk:Film A"_qs);
        if (f[1] == u"late")
            model.setSelectedIDs({rows[0]->id()});
        model.lookupSelected();
        QTRY_VERIFY(m_script->calls.contains(u"vk:Film A"_qs));
        if (f[1] == u"late") {
            model.setSelectedIDs({rows[1]->id()});
            model.lookupSelected();
            QCOMPARE(rows[1]->status().kind(), LookupStatus::Kind::ready); // the agent's reply, copied
        } else if (f[1].startsWith(u"drop")) {
            model.removeItems({rows[f[1].back().digitValue()]->id()});
        }
        m_script->release();
        QVERIFY(finished(model));
        QStringList calls = m_script->calls;
        calls.sort();
        QCOMPARE(calls.join(u'|'), f[2]);
        QCOMPARE(joined(model.items(), [](const MovieItem &item) { return item.proposedName().value_or(u"-"_qs); }), f[3]);
    }

    // A row ready from its first reply is renamed while the other engines still run: the fresh
    // row stands for the moved file and takes none of the old lookup's later replies.
    void renameWhileItsLookupRuns()
    {
        LibraryModel &model = modelWith({"Film A.mkv"});
        m_script->agent[u"Film A"_qs] = AgentResult{u"Alpha"_qs, 2001, {}, {}, {}, {}};
        m_script->web[u"Film A"_qs] = matchOf(u"Beta"_qs, 2002, tmdbPage);
        m_script->held.insert(u"vk:Film A"_qs);
        model.lookupSelected();
        const MovieItemPtr old = model.items().first();
        QCOMPARE(model.rename(old), std::nullopt);
        const MovieItemPtr fresh = model.items().first();
        QCOMPARE(fresh->nativePath(), at("Alpha(2001).mkv"));
        const QList<EngineReply> copied = fresh->engineReplies();
        QSignalSpy freshChanges(fresh.get(), &MovieItem::engineRepliesChanged);
        m_script->release();
        QVERIFY(finished(model));
        QCOMPARE(old->engineReplies().at(2).status.match()->title, u"Beta"_qs); // the old row got them
        QVERIFY(freshChanges.isEmpty() && fresh->engineReplies() == copied);
        QVERIFY(fresh->isRenamed() && !fresh->canRename());
        QCOMPARE(model.statusText(), u"1 ready, 0 failed, 0 not searched — select & Lookup"_qs);
    }

    // A model going away cancels its lookups; their ends find no model to tell.
    void modelGoneWhileLookupsRun()
    {
        LibraryModel &model = modelWith({"Alien.1979.mkv", "Heat.1995.mkv"});
        m_script->held = {u"Alien 1979"_qs, u"Heat 1995"_qs};
        model.lookupSelected();
        const MovieItemPtr row = model.items().first();
        m_model.reset();
        QTRY_COMPARE(m_script->running, 0);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(row->status().kind(), LookupStatus::Kind::searching);
    }

    // One probe per row, in list order, on the file's exact bytes; its rows land in that row
    // alone, also when the row was removed meanwhile.
    void probesStartedByTheModel()
    {
        m_script = std::make_unique<Script>();
        Script *script = m_script.get();
        LibraryModel model;
        model.setMediaProbe([script](QByteArray path) { return fakeProbe(script, std::move(path)); });
        script->held.insert(u"probe"_qs);
        create({"b.mkv", "Caf\xe9.mkv", "Caf\xe8.mkv"});
        QCoro::waitFor(model.addURLs(urls({"."})));
        QCOMPARE(script->probed, (QList<QByteArray>{at("b.mkv"), at("Caf\xe9.mkv"), at("Caf\xe8.mkv")}));
        const QList<MovieItemPtr> rows = model.items();
        QSignalSpy changes(rows[1].get(), &MovieItem::mediaInfoChanged);
        model.removeItems({rows[0]->id()});
        script->release();
        QTRY_VERIFY(!rows.last()->mediaInfo().isEmpty());
        for (const MovieItemPtr &row : rows)
            QCOMPARE(row->mediaInfo().value(0).value, row->originalName());
        QCOMPARE(changes.count(), 1);
    }

    // The lookup readies the browser cookies as the setting says, before any web request.
    void cookiesFollowTheSetting_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("header");
        QTest::newRow("off") << false << u"none"_qs;
        QTest::newRow("on") << true << u"sid=42"_qs;
    }
    void cookiesFollowTheSetting()
    {
        QFETCH(bool, enabled);
        QVERIFY(QDir().mkpath(m_home.filePath(u"Library/Cookies"_qs)));
        QFile file(m_home.filePath(u"Library/Cookies/Cookies.binarycookies"_qs));
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
        QTEST(m_script->cookies.join(u'|'), "header");
    }
};

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"
