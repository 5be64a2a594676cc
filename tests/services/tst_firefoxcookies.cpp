#include "services/BrowserCookies.h"
#include "services/FirefoxCookies.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <thread>
#include <vector>

using namespace tolvane;

namespace {

struct Row {
    QString name;
    qint64 expiry;
    QString origin = {};
    QString host = u".Example.com"_qs;
};

const QString root = u"/home/u/.mozilla/firefox"_qs;
const qint64 future = QDateTime(QDate(2099, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
const qint64 past = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();

/// A cookies.sqlite as Firefox lays it out, in WAL mode; `scale` turns seconds into the stored unit.
/// `connection` stays open when named, as a running Firefox keeps it.
void makeDatabase(const QString &path, int version, const QList<Row> &rows, qint64 scale, const QString &connection = {})
{
    const QString name = connection.isEmpty() ? u"builder"_qs : connection;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_qs, name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        const QStringList setup{u"PRAGMA journal_mode=WAL"_qs, u"PRAGMA user_version=%1"_qs.arg(version),
            u"CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT, "
            "value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER, "
            "isSecure INTEGER, isHttpOnly INTEGER)"_qs};
        for (const QString &statement : setup)
            QVERIFY2(query.exec(statement), qPrintable(statement));
        if (!connection.isEmpty())
            QVERIFY(query.exec(u"PRAGMA locking_mode=EXCLUSIVE"_qs));
        for (const Row &row : rows) {
            query.prepare(u"INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, isSecure, "
                          "isHttpOnly) VALUES (COALESCE(?, ''), ?, 'v', ?, '', ?, 1, 1)"_qs);
            query.addBindValue(row.origin);
            query.addBindValue(row.name);
            query.addBindValue(row.host);
            query.addBindValue(row.expiry * scale);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        }
        if (!connection.isEmpty())
            return; // the exclusive lock stays, and the rows stay in the log
    }
    QSqlDatabase::removeDatabase(name);
}

void writeFile(const QString &path, const QByteArray &bytes, const QDateTime &modified = {})
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
    QVERIFY(!modified.isValid() || file.setFileTime(modified, QFileDevice::FileModificationTime));
}

void execute(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"hostile"_qs);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(u"hostile"_qs);
}

const QString columns = u"id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT, host TEXT, "
                        "path TEXT, expiry INTEGER, isSecure INTEGER, isHttpOnly INTEGER"_qs;

} // namespace

class TestFirefoxCookies : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_made; ///< outside the home folder the reader searches
    std::unique_ptr<BrowserCookies> m_cookies;

    QString profileFolder() const { return m_home.path() + u"/.mozilla/firefox/abc.default-release"_qs; }

    BrowserCookies::Status loadAfresh()
    {
        m_cookies = std::make_unique<BrowserCookies>();
        return m_cookies->load(true);
    }

    // The profile tree a first run of Firefox 153 left (../shared's real one), or, where that is
    // absent, one of the same shape made here: profiles.ini and installs.ini naming
    // 164q32iq.default-esr, whose cookies.sqlite (user_version 17) holds two cookies for localhost.
    QString firefoxProfileTree()
    {
        const QString real = QStringLiteral(TOLVANE_SHARED_FIXTURES "/firefox153");
        if (QFileInfo::exists(real))
            return real;
        const QString made = m_made.filePath(u"firefox153"_qs);
        if (!QFileInfo::exists(made + u"/installs.ini"_qs)) {
            const QByteArray install = "[Install3B6073811A6ABF12]\nDefault=164q32iq.default-esr\nLocked=1\n";
            writeFile(made + u"/profiles.ini"_qs,
                "[Profile1]\nName=default\nIsRelative=1\nPath=mykhkxhc.default\nDefault=1\n\n[Profile0]\n"
                "Name=default-esr\nIsRelative=1\nPath=164q32iq.default-esr\n\n[General]\nStartWithLastProfile=1\n"
                "Version=2\n\n" + install);
            QDir().mkpath(made + u"/164q32iq.default-esr"_qs);
            makeDatabase(made + u"/164q32iq.default-esr/cookies.sqlite"_qs, 17,
                {{u"visitor"_qs, future, {}, u"localhost"_qs}, {u"lang"_qs, future, {}, u"localhost"_qs}}, 1000);
            writeFile(made + u"/installs.ini"_qs, install);
        }
        return made;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_qs)));
        writeFile(m_home.path() + u"/.mozilla/firefox/profiles.ini"_qs,
            "[Profile0]\nName=default-release\nIsRelative=1\nPath=abc.default-release\nDefault=1\n");
    }

    void choosesTheDefaultProfile_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        const QString two = u"[Profile1]\nName=old\nIsRelative=1\nPath=p1\nDefault=1\n"
                            "[Profile0]\nName=new\nIsRelative=0\nPath=/data/ff/p0\n"_qs;
        QTest::newRow("install section first") << u"[Install4F96D1932A9F858E]\nDefault=/data/ff/p0\n"_qs + two << "new"
                                               << "/data/ff/p0";
        QTest::newRow("install names no profile") << u"[InstallX]\nDefault=q.dev\n"_qs + two << "q.dev"
                                                  << root + u"/q.dev"_qs;
        QTest::newRow("then Default=1, relative") << two << "old" << root + u"/p1"_qs;
        QTest::newRow("the only profile, absolute")
            << u"[General]\nStartWithLastProfile=1\n[Profile0]\nName=me\nIsRelative=0\nPath=/x/me\n"_qs << "me"
            << "/x/me";
        QTest::newRow("two, none marked") << u"[Profile0]\nPath=a\n[Profile1]\nPath=b\n"_qs << "" << "";
        QTest::newRow("none") << u"[General]\nVersion=2\n"_qs << "" << "";
    }
    void choosesTheDefaultProfile()
    {
        QFETCH(QString, ini);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        const std::optional<FirefoxCookies::Profile> chosen = FirefoxCookies::defaultProfile(ini, root);
        QCOMPARE(chosen.value_or(FirefoxCookies::Profile{}), (FirefoxCookies::Profile{name, folder}));
    }

    void readsCookiesOfEverySchema_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<qint64>("scale");
        QTest::newRow("seconds up to 15") << 15 << qint64(1);
        QTest::newRow("milliseconds from 16") << 16 << qint64(1000);
    }
    void readsCookiesOfEverySchema()
    {
        QFETCH(int, version);
        QFETCH(qint64, scale);
        QDir(profileFolder()).removeRecursively();
        QVERIFY(QDir().mkpath(profileFolder()));
        const QString path = profileFolder() + u"/cookies.sqlite"_qs;
        makeDatabase(path,
            version,
            {{u"live"_qs, future}, {u"box"_qs, future, u"^userContextId=1"_qs}, {u"old"_qs, past}, {u"session"_qs, 0},
                {u"elsewhere"_qs, future, {}, u"example.org"_qs}},
            scale);

        const FirefoxCookies::ReadResult read
            = FirefoxCookies::readCookies(path, FirefoxCookies::cookieHosts(u"www.example.com"_qs));
        QVERIFY2(!read.failure, qPrintable(read.failure.value_or(QString())));
        const QList<Cookie> expected{
            {u"live"_qs, u"v"_qs, u".example.com"_qs, u"/"_qs, QDateTime::fromSecsSinceEpoch(future, Qt::UTC), true, true},
            {u"old"_qs, u"v"_qs, u".example.com"_qs, u"/"_qs, QDateTime::fromSecsSinceEpoch(past, Qt::UTC), true, true},
            {u"session"_qs, u"v"_qs, u".example.com"_qs, u"/"_qs, std::nullopt, true, true}};
        QCOMPARE(read.cookies, expected);

        QCOMPARE(loadAfresh().displayText(), u"Loaded 4 cookies from Firefox (default-release)"_qs);
        QCOMPARE(m_cookies->cookieHeader(QUrl(u"https://www.example.com/"_qs)), u"live=v; session=v"_qs);
        QCOMPARE(m_cookies->lastFile(), path);
    }

    // A running Firefox holds its database under an exclusive lock, the newest rows in its log.
    void readsPastTheLockOfARunningFirefox()
    {
        const QString path = m_home.filePath(u"locked.sqlite"_qs);
        makeDatabase(path, 16, {{u"held"_qs, future}}, 1000, u"firefox"_qs);
        const FirefoxCookies::ReadResult read = FirefoxCookies::readCookies(path, {u".example.com"_qs});
        QSqlDatabase::removeDatabase(u"firefox"_qs);
        QVERIFY2(!read.failure, qPrintable(read.failure.value_or(QString())));
        QCOMPARE(read.cookies.size(), 1);
    }

    // Firefox 153 starts out under XDG_CONFIG_HOME; of several folders the one written last is in use.
    void findsTheProfileInUse_data()
    {
        QTest::addColumn<QStringList>("roots"); // under the home folder, each written after the one before
        QTest::addColumn<QString>("status");
        const QString loaded = u"Loaded 2 cookies from Firefox (default-esr)"_qs;
        const QString chosen = u"Loaded 2 cookies from Firefox (default-esr in ~/%1, the one used most recently)"_qs;
        QTest::newRow("only in XDG_CONFIG_HOME") << QStringList{u"config/mozilla/firefox"_qs} << loaded;
        QTest::newRow("snap") << QStringList{u"snap/firefox/common/.config/mozilla/firefox"_qs} << loaded;
        QTest::newRow("flatpak") << QStringList{u".var/app/org.mozilla.firefox/config/mozilla/firefox"_qs} << loaded;
        QTest::newRow("both, the newer under XDG_CONFIG_HOME") << QStringList{u".mozilla/firefox"_qs, u"config/mozilla/firefox"_qs}
                                                         << chosen.arg(u"config/mozilla/firefox"_qs);
        QTest::newRow("both, the newer under ~/.mozilla") << QStringList{u"config/mozilla/firefox"_qs, u".mozilla/firefox"_qs}
                                                    << chosen.arg(u".mozilla/firefox"_qs);
        QTest::newRow("none") << QStringList{}
                              << u"No browser cookies found (Firefox profile or Cookies.binarycookies)"_qs;
    }
    void findsTheProfileInUse()
    {
        QFETCH(QStringList, roots);
        const QString fixture = firefoxProfileTree();
        QDir(m_home.filePath(u".mozilla"_qs)).removeRecursively();
        QDateTime written(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        for (const QString &root : roots) {
            written = written.addSecs(3600);
            for (QDirIterator it(fixture, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
                QFile file(it.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                writeFile(m_home.filePath(root) + it.filePath().mid(fixture.size()), file.readAll(), written);
            }
        }
        QTEST(loadAfresh().displayText(), "status");
        const std::optional<QString> read = m_cookies->lastFile();
        QCOMPARE(read ? FirefoxCookies::readCookies(*read, {u"localhost"_qs}).cookies.size() : 0, roots.isEmpty() ? 0 : 2);
        for (const char *top : {"config", "snap", ".var", ".mozilla"})
            QDir(m_home.filePath(QString::fromLatin1(top))).removeRecursively();
        initTestCase();
    }

    // Whatever the database holds, the status names why it was not read, at once.
    void hostileDatabaseNamesTheCause_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("cause");
        const auto row = [](const char *kind, const QString &cause) { QTest::newRow(kind) << QString::fromLatin1(kind) << cause; };
        row("not a database", u"file is not a database"_qs);
        row("empty", u"it has no table moz_cookies"_qs);
        row("a view without end", u"moz_cookies is a view, not a table"_qs);
        row("a generated value", u"moz_cookies lacks the column value"_qs);
        row("more rows than a browser keeps", u"it holds more than 100000 cookies, more than a browser keeps"_qs);
        row("a sparse 500 MB file", u"is larger than 128 MB, more than a browser's cookies take"_qs);
        row("a link to /proc/self/environ", u"file is not a database"_qs);
        row("past the deadline", u"reading it took longer than 0 s"_qs);
    }
    void hostileDatabaseNamesTheCause()
    {
        QFETCH(QString, kind);
        QFETCH(QString, cause);
        QDir(profileFolder()).removeRecursively();
        const QString path = profileFolder() + u"/cookies.sqlite"_qs;
        writeFile(path, kind == u"not a database" ? QByteArray(4096, 'x') : QByteArray());
        const QString view = u"CREATE VIEW moz_cookies AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) "
                             "SELECT n AS id, '' AS originAttributes, 'a' AS name, 'v' AS value, 'example.com' AS host, "
                             "'/' AS path, 0 AS expiry, 0 AS isSecure, 0 AS isHttpOnly FROM r"_qs;
        if (kind == u"a view without end")
            execute(path, {view});
        else if (kind == u"a generated value")
            execute(path, {u"CREATE TABLE moz_cookies (%1, value GENERATED ALWAYS AS (zeroblob(500000000)))"_qs.arg(columns)});
        else if (kind == u"more rows than a browser keeps" || kind == u"past the deadline")
            execute(path, {u"CREATE TABLE moz_cookies (%1, value TEXT)"_qs.arg(columns),
                u"WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r LIMIT 100001) "
                "INSERT INTO moz_cookies (name, value, host) SELECT 'n' || n, 'v', 'example.com' FROM r"_qs});
        else if (kind == u"a sparse 500 MB file")
            QVERIFY(QFile::resize(path, qint64(500) << 20));
        else if (kind == u"a link to /proc/self/environ")
            QVERIFY(QFile::remove(path) && QFile::link(u"/proc/self/environ"_qs, path));

        QElapsedTimer clock;
        clock.start();
        const QString status = kind == u"past the deadline"
            ? FirefoxCookies::readCookies(path, {}, {std::chrono::milliseconds(0)}).failure.value_or(QString())
            : loadAfresh().displayText();
        QVERIFY2(status.startsWith(u"Firefox's cookie database could not be read: "_qs)
                || status.startsWith(u"Status: parse error — Firefox's cookie database could not be read: "_qs),
            qPrintable(status));
        QVERIFY2(status.endsWith(cause), qPrintable(status));
        QCOMPARE_LT(clock.elapsed(), 10'000);
        QCOMPARE(m_cookies->cookieHeader(QUrl(u"https://example.com/"_qs)), std::nullopt);
    }

    // Lookups ask from several pool threads at once: a changed file is read once for them all.
    void oneReadServesConcurrentRequests()
    {
        QDir(profileFolder()).removeRecursively();
        QVERIFY(QDir().mkpath(profileFolder()));
        const QString path = profileFolder() + u"/cookies.sqlite"_qs;
        makeDatabase(path, 17, {{u"live"_qs, future}}, 1000);
        loadAfresh();
        writeFile(path + u"-wal"_qs, {}); // a running Firefox's log appears
        std::array<std::optional<QString>, 4> headers;
        std::vector<std::thread> threads;
        for (std::optional<QString> &header : headers)
            threads.emplace_back(
                [this, &header] { header = m_cookies->cookieHeader(QUrl(u"https://example.com/"_qs)); });
        for (std::thread &thread : threads)
            thread.join();
        QCOMPARE(m_cookies->fileReads(), 2); // the first load's and the one after the change
        for (const std::optional<QString> &header : headers)
            QCOMPARE(header, u"live=v"_qs);
    }
};

QTEST_GUILESS_MAIN(TestFirefoxCookies)
#include "tst_firefoxcookies.moc"
