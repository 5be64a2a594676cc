#include "CookieFileBuilder.h"

#include "services/BrowserCookies.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane;
using namespace cookiefile;
using Status = BrowserCookies::Status;

namespace tolvane {

char *toString(const Status &status)
{
    return QTest::toString(status.caseName() + u": "_qs + status.displayText());
}

} // namespace tolvane

namespace {

const QDateTime now(QDate(2024, 6, 1), QTime(12, 0), Qt::UTC);
const QDateTime fileTime(QDate(2024, 1, 1), QTime(9, 0), Qt::UTC);
const QUrl www(u"https://www.example.com/"_qs);

Cookie cookie(const QString &nameValue, const QString &domain = u"example.com"_qs, const QString &path = u"/"_qs,
    std::optional<QDateTime> expires = std::nullopt)
{
    const qsizetype equals = nameValue.indexOf(u'=');
    return Cookie{nameValue.left(equals), nameValue.mid(equals + 1), domain, path, expires, false};
}

// Two cookies; the header for https://www.example.com/ is "a=1; b=2".
const QByteArray twoCookies = cookiesFile(
    {{.domain = ".example.com", .name = "a", .value = "1"}, {.domain = "www.example.com", .name = "b", .value = "2"}});
const QByteArray oneCookie = cookiesFile({{.domain = ".example.com", .name = "c", .value = "3"}});
const QByteArray noCookies("cook\0\0\0\0", 8);

} // namespace

class TestBrowserCookies : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<BrowserCookies> m_cookies;

    QString location(int index) const { return m_home.path() + QLatin1String(BrowserCookies::fileLocations[index]); }

    static void write(const QString &path, const QByteArray &bytes, const QDateTime &modified = fileTime)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_qs)));
        QCOMPARE(QDir::homePath(), m_home.path());
    }

    void init() { m_cookies = std::make_unique<BrowserCookies>(); }

    void cleanup()
    {
        const QString library = m_home.filePath(u"Library"_qs);
        ::chmod(QFile::encodeName(location(0)).constData(), 0644);
        ::chmod(QFile::encodeName(QFileInfo(location(0)).path()).constData(), 0755);
        QVERIFY(QDir(library).removeRecursively() || !QFileInfo::exists(library));
    }

    void loadReportsEachCase_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QString>("special");
        QTest::addColumn<Status>("expected");
        QTest::addColumn<QString>("header"); // for https://www.example.com/
        const auto row = [](const char *name, bool enabled, const QByteArray &first, const QByteArray &second,
                             const QString &special, const Status &expected, const QString &header = {}) {
            QTest::newRow(name) << enabled << first << second << special << expected << header;
        };
        const QByteArray none;
        row("setting off", false, twoCookies, none, {}, Status::disabled());
        row("no file", true, none, none, {}, Status::notFound());
        row("first location", true, twoCookies, none, {}, Status::loaded(2, location(0)), u"a=1; b=2"_qs);
        row("only the second location", true, none, oneCookie, {}, Status::loaded(1, location(1)), u"c=3"_qs);
        row("bad magic", true, "bplist00", none, {},
            Status::parseError(u"The file is not a binary cookie file (bad magic)"_qs));
        row("unreadable file", true, twoCookies, none, u"unreadable file"_qs, Status::permissionDenied());
        row("unreadable folder", true, twoCookies, oneCookie, u"unreadable folder"_qs, Status::permissionDenied());
        row("a FIFO in its place, nobody writing", true, none, none, u"fifo"_qs,
            Status::parseError(u"The cookie file is not a regular file"_qs));
    }
    void loadReportsEachCase()
    {
        QFETCH(bool, enabled);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QString, special);
        QFETCH(Status, expected);
        if (special.startsWith(u"unreadable") && ::geteuid() == 0)
            QSKIP("Running as root, which may read any file whatever its mode; run as an ordinary user to test this");
        if (!first.isNull())
            write(location(0), first);
        if (!second.isNull())
            write(location(1), second);
        const QByteArray firstPath = QFile::encodeName(location(0));
        if (special == u"unreadable file")
            QCOMPARE(::chmod(firstPath.constData(), 0), 0);
        else if (special == u"unreadable folder")
            QCOMPARE(::chmod(QFile::encodeName(QFileInfo(location(0)).path()).constData(), 0), 0);
        else if (special == u"fifo")
            QVERIFY(QDir().mkpath(QFileInfo(location(0)).path()) && ::mkfifo(firstPath.constData(), 0600) == 0);
        QCOMPARE(m_cookies->load(enabled), expected);
        QTEST(m_cookies->cookieHeader(www).value_or(QString()), "header");
        const bool nothingToRead = expected.kind == Status::Case::disabled || expected.kind == Status::Case::notFound;
        QCOMPARE(m_cookies->fileReads(), nothingToRead ? 0 : 1);
    }

    // Requests each ask for the header; the file is read again only when it changed or a reload is
    // asked, whatever the last read gave.
    void readsOnlyWhenTheFileChanges_data()
    {
        QTest::addColumn<QByteArray>("initial");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("reads");
        QTest::addColumn<Status>("final");
        const Status two = Status::loaded(2, location(0));
        const Status truncated = Status::parseError(u"The file is truncated"_qs);
        QTest::newRow("unchanged") << twoCookies << QString() << 1 << two;
        QTest::newRow("newer time") << twoCookies << u"touch"_qs << 2 << two;
        QTest::newRow("same time, other size") << twoCookies << u"rewrite"_qs << 2 << Status::loaded(1, location(0));
        QTest::newRow("moved to the second location")
            << twoCookies << u"move"_qs << 2 << Status::loaded(2, location(1));
        QTest::newRow("no cookies in it") << noCookies << QString() << 1 << Status::loaded(0, location(0));
        QTest::newRow("unparsable") << QByteArray("cook") << QString() << 1 << truncated;
        QTest::newRow("reload asked") << QByteArray("cook") << u"reload"_qs << 2 << truncated;
        QTest::newRow("turned off in between") << twoCookies << u"off and on"_qs << 2 << two;
    }
    void readsOnlyWhenTheFileChanges()
    {
        QFETCH(QByteArray, initial);
        QFETCH(QString, change);
        write(location(0), initial);
        m_cookies->load(true);
        for (int request = 0; request < 3; ++request)
            m_cookies->cookieHeader(www);
        if (change == u"touch") {
            write(location(0), initial, fileTime.addSecs(60));
        } else if (change == u"rewrite") {
            write(location(0), oneCookie);
        } else if (change == u"move") {
            QVERIFY(QDir().mkpath(QFileInfo(location(1)).path()) && QFile::rename(location(0), location(1)));
        } else if (change == u"reload") {
            m_cookies->reload(true);
        } else if (change == u"off and on") {
            QCOMPARE(m_cookies->load(false), Status::disabled());
            QCOMPARE(m_cookies->cookieHeader(www), std::nullopt);
        }
        for (int request = 0; request < 3; ++request)
            m_cookies->cookieHeader(www);
        QTEST(m_cookies->load(true), "final");
        QTEST(m_cookies->fileReads(), "reads");
    }

    void headerCarriesMatchingCookies_data()
    {
        QTest::addColumn<QList<Cookie>>("cookies");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("header"); // empty: none
        const auto row = [](const char *name, const QList<Cookie> &cookies, const char *url, const QString &header) {
            QTest::newRow(name) << cookies << QString::fromUtf8(url) << header;
        };
        const QList<Cookie> dotted{cookie(u"a=1"_qs, u".example.com"_qs)};
        const QList<Cookie> bare{cookie(u"a=1"_qs)};
        const QList<Cookie> video{cookie(u"v=1"_qs, u"example.com"_qs, u"/video"_qs)};
        const QString none;
        row(".D matches D", dotted, "https://example.com/", u"a=1"_qs);
        row(".D matches a sub-host", dotted, "https://a.b.example.com/x", u"a=1"_qs);
        row(".D skips a name ending in D", dotted, "https://notexample.com/", none);
        row("D matches a sub-host, any case", bare, "https://WWW.Example.COM/", u"a=1"_qs);
        row("D skips its parent", {cookie(u"a=1"_qs, u"www.example.com"_qs)}, "https://example.com/", none);
        row("punycode host", {cookie(u"a=1"_qs, u".xn--e1afmkfd.xn--p1ai"_qs)}, "https://пример.рф/", u"a=1"_qs);
        row("sub-host cookie wins, stored first",
            {cookie(u"sid=inner"_qs, u"www.example.com"_qs), cookie(u"sid=outer"_qs, u".example.com"_qs)},
            "https://www.example.com/", u"sid=inner"_qs);
        row("past expiry dropped", {cookie(u"a=1"_qs, u"example.com"_qs, u"/"_qs, now.addSecs(-1)), cookie(u"b=2"_qs)},
            "https://example.com/", u"b=2"_qs);
        row("path continued without slash", video, "https://example.com/videos", u"v=1"_qs);
        row("path shorter", video, "https://example.com/vid", none);
        row("empty request path is /", bare, "https://example.com", u"a=1"_qs);
        row("secure cookie over http", {Cookie{u"s"_qs, u"1"_qs, u"example.com"_qs, u"/"_qs, std::nullopt, true}},
            "http://example.com/", u"s=1"_qs);
        row("no host", bare, "file:///tmp/example.com", none);
        row("line break in a value never sent", {cookie(u"a=1\r\nX-Injected: yes"_qs), cookie(u"b=2"_qs)},
            "https://example.com/", u"b=2"_qs);
        row("semicolon in a value never sent", {cookie(u"a=1; admin=true"_qs)}, "https://example.com/", none);
        row("empty domain matches nothing", {cookie(u"a=1"_qs, QString()), cookie(u"b=2"_qs, u"."_qs)},
            "https://example.com./", none);
    }
    // Both the matching itself and the store's shortcut through its domain index.
    void headerCarriesMatchingCookies()
    {
        QFETCH(QList<Cookie>, cookies);
        QFETCH(QString, url);
        QFETCH(QString, header);
        QCOMPARE(BrowserCookies::cookieHeaderFor(cookies, QUrl(url), now).value_or(QString()), header);
        QList<Fields> fields;
        for (const Cookie &c : cookies) {
            if (c.expires)
                return; // the store goes by the real clock
            fields.append({c.domain.toUtf8(), c.name.toUtf8(), c.path.toUtf8(), c.value.toUtf8(), 0, c.secure});
        }
        write(location(0), cookiesFile(fields));
        m_cookies->load(true);
        QCOMPARE(m_cookies->cookieHeader(QUrl(url)).value_or(QString()), header);
    }
};

QTEST_GUILESS_MAIN(TestBrowserCookies)
#include "tst_browsercookies.moc"
