#include "services/FirefoxCookies.h"
#include "services/SafariCookieStore.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;

namespace {

struct Row {
    QString name;
    qint64 expiry;
    QString origin = {};
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
                          "isHttpOnly) VALUES (COALESCE(?, ''), ?, 'v', '.Example.com', '', ?, 1, 1)"_qs);
            query.addBindValue(row.origin);
            query.addBindValue(row.name);
            query.addBindValue(row.expiry * scale);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        }
        if (!connection.isEmpty())
            return; // the exclusive lock stays, and the rows stay in the log
    }
    QSqlDatabase::removeDatabase(name);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
}

} // namespace

class TestFirefoxCookies : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

    QString profileFolder() const { return m_home.path() + u"/.mozilla/firefox/abc.default-release"_qs; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
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
            {{u"live"_qs, future}, {u"box"_qs, future, u"^userContextId=1"_qs}, {u"old"_qs, past}, {u"session"_qs, 0}},
            scale);

        const FirefoxCookies::ReadResult read = FirefoxCookies::readCookies(path);
        QVERIFY2(!read.failure, qPrintable(read.failure.value_or(QString())));
        const QList<Cookie> expected{
            {u"live"_qs, u"v"_qs, u".example.com"_qs, u"/"_qs, QDateTime::fromSecsSinceEpoch(future, Qt::UTC), true, true},
            {u"old"_qs, u"v"_qs, u".example.com"_qs, u"/"_qs, QDateTime::fromSecsSinceEpoch(past, Qt::UTC), true, true},
            {u"session"_qs, u"v"_qs, u".example.com"_qs, u"/"_qs, std::nullopt, true, true}};
        QCOMPARE(read.cookies, expected);

        SafariCookieStore::resetCacheForTesting();
        QCOMPARE(SafariCookieStore::loadCookies(true).displayText(), u"Loaded 3 cookies from Firefox (default-release)"_qs);
        QCOMPARE(SafariCookieStore::cookieHeader(QUrl(u"https://www.example.com/"_qs)), u"live=v; session=v"_qs);
        QCOMPARE(SafariCookieStore::lastFile(), path);
    }

    // A running Firefox holds its database under an exclusive lock, the newest rows in its log.
    void readsPastTheLockOfARunningFirefox()
    {
        const QString path = m_home.filePath(u"locked.sqlite"_qs);
        makeDatabase(path, 16, {{u"held"_qs, future}}, 1000, u"firefox"_qs);
        const FirefoxCookies::ReadResult read = FirefoxCookies::readCookies(path);
        QSqlDatabase::removeDatabase(u"firefox"_qs);
        QVERIFY2(!read.failure, qPrintable(read.failure.value_or(QString())));
        QCOMPARE(read.cookies.size(), 1);
    }

    void damagedDatabaseIsAParseError_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a database") << QByteArray(4096, 'x');
        QTest::newRow("empty, no table") << QByteArray();
    }
    void damagedDatabaseIsAParseError()
    {
        QFETCH(QByteArray, bytes);
        QDir(profileFolder()).removeRecursively();
        writeFile(profileFolder() + u"/cookies.sqlite"_qs, bytes);
        SafariCookieStore::resetCacheForTesting();
        const SafariCookieStore::Status status = SafariCookieStore::loadCookies(true);
        QVERIFY2(status.displayText().startsWith(u"Status: parse error — Firefox's cookie database could not be read"_qs),
            qPrintable(status.displayText()));
        QCOMPARE(status.sourceName(), u"firefox"_qs);
        QCOMPARE(SafariCookieStore::cookieHeader(QUrl(u"https://example.com/"_qs)), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestFirefoxCookies)
#include "tst_firefoxcookies.moc"
