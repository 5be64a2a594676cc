#include "CookieFileBuilder.h"

#include "services/SafariCookieStore.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane;
using namespace tolvane::SafariCookieStore;
using namespace cookiefile;

namespace tolvane::SafariCookieStore {

char *toString(const Status &status)
{
    return QTest::toString(status.caseName() + u": "_qs + status.displayText());
}

} // namespace tolvane::SafariCookieStore

namespace {

const QDateTime now(QDate(2024, 6, 1), QTime(12, 0), Qt::UTC);
const QDateTime fileTime(QDate(2024, 1, 1), QTime(9, 0), Qt::UTC);

Cookie cookie(const QString &nameValue, const QString &domain, const QString &path = u"/"_qs,
    std::optional<QDateTime> expires = std::nullopt)
{
    const QStringList parts = nameValue.split(u'=');
    return Cookie{parts.value(0), parts.value(1), domain, path, expires, false};
}

// Two cookies; the header for https://www.example.com/ is "a=1; b=2".
const QByteArray twoCookies = cookiesFile(
    {{.domain = ".example.com", .name = "a", .value = "1"}, {.domain = "www.example.com", .name = "b", .value = "2"}});
const QByteArray oneCookie = cookiesFile({{.domain = ".example.com", .name = "c", .value = "3"}});
const QByteArray noCookies("cook\0\0\0\0", 8);

} // namespace

class TestSafariCookieStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_home;

    QString location(int index) const { return m_home.path() + QLatin1String(fileLocations[index]); }

    static void setModified(const QString &path, const QDateTime &time)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
    }

    static void write(const QString &path, const QByteArray &bytes, const QDateTime &modified = fileTime)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        setModified(path, modified);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        qputenv("HOME", QFile::encodeName(m_home.path()));
        QCOMPARE(QDir::homePath(), m_home.path());
    }

    void init()
    {
        resetCacheForTesting();
        AppSettings::storeUseSafariCookies(true);
    }

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

        const QByteArray none;
        const Status truncated = Status::parseError(u"The file is truncated"_qs);
        QTest::newRow("setting off") << false << twoCookies << none << QString() << Status::disabled() << QString();
        QTest::newRow("no file") << true << none << none << QString() << Status::notFound() << QString();
        QTest::newRow("first location") << true << twoCookies << none << QString() << Status::loaded(2, location(0))
                                        << u"a=1; b=2"_qs;
        QTest::newRow("only the second location")
            << true << none << oneCookie << QString() << Status::loaded(1, location(1)) << u"c=3"_qs;
        QTest::newRow("no cookies") << true << noCookies << none << QString() << Status::loaded(0, location(0))
                                    << QString();
        QTest::newRow("bad magic") << true << QByteArray("bplist00") << none << QString()
                                   << Status::parseError(u"The file is not a binary cookie file (bad magic)"_qs)
                                   << QString();
        QTest::newRow("unreadable file") << true << twoCookies << none << u"unreadable file"_qs
                                         << Status::permissionDenied() << QString();
        QTest::newRow("unreadable folder")
            << true << twoCookies << oneCookie << u"unreadable folder"_qs << Status::permissionDenied() << QString();
        QTest::newRow("a FIFO in its place, nobody writing")
            << true << none << none << u"fifo"_qs << Status::parseError(u"The cookie file is not a regular file"_qs)
            << QString();
    }

    void loadReportsEachCase()
    {
        QFETCH(bool, enabled);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QString, special);
        QFETCH(Status, expected);
        QFETCH(QString, header);

        if (special.startsWith(u"unreadable") && ::geteuid() == 0)
            QSKIP("Running as root, which may read any file whatever its mode; run as an ordinary user to test this");
        if (!first.isNull())
            write(location(0), first);
        if (!second.isNull())
            write(location(1), second);
        const QByteArray firstPath = QFile::encodeName(location(0));
        if (special == u"unreadable file") {
            QCOMPARE(::chmod(firstPath.constData(), 0), 0);
        } else if (special == u"unreadable folder") {
            QCOMPARE(::chmod(QFile::encodeName(QFileInfo(location(0)).path()).constData(), 0), 0);
        } else if (special == u"fifo") {
            QVERIFY(QDir().mkpath(QFileInfo(location(0)).path()));
            QCOMPARE(::mkfifo(firstPath.constData(), 0600), 0);
        }
        AppSettings::storeUseSafariCookies(enabled);

        const int reads = fileReadsForTesting();
        QCOMPARE(loadCookies(AppSettings::useSafariCookies()), expected);
        QCOMPARE(fileReadsForTesting() - reads,
            expected.kind == Status::Case::disabled || expected.kind == Status::Case::notFound ? 0 : 1);
        QCOMPARE(cookieHeader(QUrl(u"https://www.example.com/"_qs)).value_or(QString()), header);
        if (!enabled)
            QCOMPARE(fileReadsForTesting(), reads);
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
        QTest::newRow("unchanged") << twoCookies << QString() << 1 << two;
        QTest::newRow("newer time") << twoCookies << u"touch"_qs << 2 << two;
        QTest::newRow("same time, other size") << twoCookies << u"rewrite"_qs << 2 << Status::loaded(1, location(0));
        QTest::newRow("moved to the second location")
            << twoCookies << u"move"_qs << 2 << Status::loaded(2, location(1));
        QTest::newRow("no cookies in it") << noCookies << QString() << 1 << Status::loaded(0, location(0));
        QTest::newRow("unparsable") << QByteArray("cook") << QString() << 1
                                    << Status::parseError(u"The file is truncated"_qs);
        QTest::newRow("reload asked") << QByteArray("cook") << u"reload"_qs << 2
                                      << Status::parseError(u"The file is truncated"_qs);
        QTest::newRow("turned off in between") << twoCookies << u"off and on"_qs << 2 << two;
    }

    void readsOnlyWhenTheFileChanges()
    {
        QFETCH(QByteArray, initial);
        QFETCH(QString, change);
        QFETCH(int, reads);
        QFETCH(Status, final);

        write(location(0), initial);
        const int before = fileReadsForTesting();
        loadCookies(true);
        for (int request = 0; request < 3; ++request)
            cookieHeader(QUrl(u"https://www.example.com/"_qs));
        if (change == u"touch") {
            setModified(location(0), fileTime.addSecs(60));
        } else if (change == u"rewrite") {
            write(location(0), oneCookie, fileTime);
        } else if (change == u"move") {
            QVERIFY(QDir().mkpath(QFileInfo(location(1)).path()));
            QVERIFY(QFile::rename(location(0), location(1)));
        } else if (change == u"reload") {
            reloadCookies(true);
        } else if (change == u"off and on") {
            QCOMPARE(loadCookies(false), Status::disabled());
            QCOMPARE(cookieHeader(QUrl(u"https://www.example.com/"_qs)), std::nullopt);
        }
        for (int request = 0; request < 3; ++request)
            cookieHeader(QUrl(u"https://www.example.com/"_qs));
        QCOMPARE(loadCookies(true), final);
        QCOMPARE(fileReadsForTesting() - before, reads);
    }

    void headerCarriesMatchingCookies_data()
    {
        QTest::addColumn<QList<Cookie>>("cookies");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("header"); // empty: none

        const QString dotted = u".example.com"_qs;
        const QString bare = u"example.com"_qs;
        const QList<Cookie> dottedOnly{cookie(u"a=1"_qs, dotted)};
        const QList<Cookie> bareOnly{cookie(u"a=1"_qs, bare)};
        const QList<Cookie> nested{cookie(u"sid=outer"_qs, dotted), cookie(u"sid=inner"_qs, u"www.example.com"_qs)};
        const QList<Cookie> nestedReversed{nested[1], nested[0]};
        const QList<Cookie> video{cookie(u"v=1"_qs, bare, u"/video"_qs)};

        QTest::newRow(".D matches D") << dottedOnly << u"https://example.com/"_qs << u"a=1"_qs;
        QTest::newRow(".D matches a sub-host") << dottedOnly << u"https://a.b.example.com/x"_qs << u"a=1"_qs;
        QTest::newRow(".D skips a name ending in D") << dottedOnly << u"https://notexample.com/"_qs << QString();
        QTest::newRow("D matches D") << bareOnly << u"https://example.com/"_qs << u"a=1"_qs;
        QTest::newRow("D skips its parent")
            << QList<Cookie>{cookie(u"a=1"_qs, u"www.example.com"_qs)} << u"https://example.com/"_qs << QString();
        QTest::newRow("host case ignored") << bareOnly << u"https://WWW.Example.COM/"_qs << u"a=1"_qs;
        QTest::newRow("punycode host") << QList<Cookie>{cookie(u"a=1"_qs, u".xn--e1afmkfd.xn--p1ai"_qs)}
                                       << u"https://пример.рф/"_qs << u"a=1"_qs;
        QTest::newRow("sub-host cookie wins") << nested << u"https://www.example.com/"_qs << u"sid=inner"_qs;
        QTest::newRow("sub-host cookie wins, stored first")
            << nestedReversed << u"https://www.example.com/"_qs << u"sid=inner"_qs;
        QTest::newRow("same domain: later wins") << QList<Cookie>{cookie(u"a=1"_qs, dotted), cookie(u"a=2"_qs, dotted)}
                                                 << u"https://example.com/"_qs << u"a=2"_qs;
        QTest::newRow("past expiry dropped")
            << QList<Cookie>{cookie(u"a=1"_qs, bare, u"/"_qs, now.addSecs(-1)), cookie(u"b=2"_qs, bare)}
            << u"https://example.com/"_qs << u"b=2"_qs;
        QTest::newRow("path continued without slash") << video << u"https://example.com/videos"_qs << u"v=1"_qs;
        QTest::newRow("path shorter") << video << u"https://example.com/vid"_qs << QString();
        QTest::newRow("empty request path is /") << bareOnly << u"https://example.com"_qs << u"a=1"_qs;
        QTest::newRow("secure cookie over http")
            << QList<Cookie>{Cookie{u"s"_qs, u"1"_qs, bare, u"/"_qs, std::nullopt, true}} << u"http://example.com/"_qs
            << u"s=1"_qs;
        QTest::newRow("no host") << bareOnly << u"file:///tmp/example.com"_qs << QString();
        QTest::newRow("line break in a value never sent")
            << QList<Cookie>{cookie(u"a=1\r\nX-Injected: yes"_qs, bare), cookie(u"b=2"_qs, bare)}
            << u"https://example.com/"_qs << u"b=2"_qs;
        QTest::newRow("semicolon in a value never sent")
            << QList<Cookie>{Cookie{u"a"_qs, u"1; admin=true"_qs, bare, u"/"_qs, std::nullopt, false}}
            << u"https://example.com/"_qs << QString();
        QTest::newRow("empty domain matches nothing")
            << QList<Cookie>{cookie(u"a=1"_qs, QString()), cookie(u"b=2"_qs, u"."_qs)} << u"https://example.com./"_qs
            << QString();
    }

    // Both the matching itself and the store's shortcut through its domain index.
    void headerCarriesMatchingCookies()
    {
        QFETCH(QList<Cookie>, cookies);
        QFETCH(QString, url);
        QFETCH(QString, header);
        QCOMPARE(cookieHeaderFor(cookies, QUrl(url), now).value_or(QString()), header);
        QList<Fields> fields;
        for (const Cookie &c : cookies) {
            if (c.expires)
                return; // the store goes by the real clock
            fields.append({c.domain.toUtf8(), c.name.toUtf8(), c.path.toUtf8(), c.value.toUtf8(), 0, c.secure});
        }
        write(location(0), cookiesFile(fields));
        loadCookies(true);
        QCOMPARE(cookieHeader(QUrl(url)).value_or(QString()), header);
    }
};

QTEST_GUILESS_MAIN(TestSafariCookieStore)
#include "tst_safaricookiestore.moc"
