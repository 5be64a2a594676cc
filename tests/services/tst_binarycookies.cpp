#include "CookieFileBuilder.h"

#include "services/BinaryCookies.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

using namespace tolvane;
using namespace cookiefile;

namespace tolvane {

char *toString(const Cookie &cookie)
{
    return QTest::toString(u"%1=%2 domain=%3 path=%4 expires=%5 secure=%6"_qs.arg(cookie.name, cookie.value,
        cookie.domain, cookie.path, cookie.expires ? cookie.expires->toString(Qt::ISODateWithMs) : u"-"_qs,
        cookie.secure ? u"yes"_qs : u"no"_qs));
}

} // namespace tolvane

namespace {

const QDateTime appleEpoch(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

Cookie cookie(const QString &name, const QString &value, const QString &domain = u"example.com"_qs)
{
    return Cookie{name, value, domain, u"/"_qs, std::nullopt, false};
}

QString names(const QList<Cookie> &cookies)
{
    QStringList result;
    for (const Cookie &cookie : cookies)
        result.append(cookie.name);
    return result.join(u'|');
}

// The cookies a decoded table lists, built from its columns without the parser's help.
QList<Cookie> cookiesFromTable(const QByteArray &tsv)
{
    QList<QByteArray> lines = tsv.split('\n');
    const QList<QByteArray> header = lines.takeFirst().split('\t');
    QList<Cookie> cookies;
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> cells = line.split('\t');
        const auto column = [&](const char *name) { return QString::fromUtf8(cells.value(header.indexOf(name))); };
        Cookie cookie;
        cookie.name = column("name");
        cookie.value = column("value");
        cookie.domain = column("domain").toLower();
        cookie.path = column("path").isEmpty() ? u"/"_qs : column("path");
        const double seconds = column("expiry_mac_seconds").toDouble();
        if (seconds > 0)
            cookie.expires = appleEpoch.addMSecs(qRound64(seconds * 1000));
        cookie.secure = column("flags").toUInt() & 1;
        cookies.append(cookie);
    }
    return cookies;
}

} // namespace

class TestBinaryCookies : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realFilesMatchTheirDecodedTables_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::newRow("29 pages, flags 1/4/5, no plist") << u"plaso_Cookies.binarycookies"_qs << 91;
        QTest::newRow("2 pages") << u"node-binary-cookies_AppleStore.binarycookies"_qs << 9;
        QTest::newRow("footer and plist") << u"xlym33_Cookies.binarycookies"_qs << 1;
    }

    void realFilesMatchTheirDecodedTables()
    {
        QFETCH(QString, file);
        QFETCH(int, count);
        const QDir folder(QStringLiteral(TOLVANE_SHARED_FIXTURES "/binarycookies"));
        if (!folder.exists())
            QSKIP(qPrintable(u"The shared real cookie files are not here: "_qs + folder.path()));
        QFile binary(folder.filePath(file));
        QFile table(folder.filePath(file + u".decoded.tsv"_qs));
        QVERIFY(binary.open(QIODevice::ReadOnly) && table.open(QIODevice::ReadOnly));

        const QList<Cookie> expected = cookiesFromTable(table.readAll());
        QCOMPARE(expected.size(), count);
        const QList<Cookie> parsed = parseBinaryCookies(binary.readAll());
        QCOMPARE(parsed.size(), expected.size());
        for (qsizetype i = 0; i < parsed.size(); ++i)
            QCOMPARE(parsed[i], expected[i]);
    }

    void damagedFilesThrow_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<BinaryCookiesError>("error");

        const QByteArray good = page({record({})});
        QByteArray hugeCount("cook");
        appendBigEndian32(hugeCount, 0xFFFFFFFF);
        QByteArray pageCut = file(QList<QByteArray>{good});
        pageCut.chop(1);
        QByteArray hugePage = file(QList<QByteArray>{good});
        qToBigEndian(quint32(0xFFFFFFFF), hugePage.data() + 8);

        QTest::newRow("7 bytes") << QByteArray("cook\0\0\0", 7) << BinaryCookiesError::truncated;
        QTest::newRow("bad magic") << QByteArray("COOK\0\0\0\0", 8) << BinaryCookiesError::badMagic;
        QTest::newRow("2^32-1 pages in 8 bytes") << hugeCount << BinaryCookiesError::truncated;
        QTest::newRow("last page cut by a byte") << pageCut << BinaryCookiesError::truncated;
        QTest::newRow("page size 2^32-1") << hugePage << BinaryCookiesError::truncated;
        QTest::newRow("good page, then a cut one")
            << file(QList<QByteArray>{good, good}).chopped(1) << BinaryCookiesError::truncated;
    }

    void damagedFilesThrow()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(BinaryCookiesError, error);
        try {
            const QList<Cookie> cookies = parseBinaryCookies(bytes);
            QFAIL(qPrintable(u"no error; cookies: "_qs + names(cookies)));
        } catch (BinaryCookiesError thrown) {
            QCOMPARE(thrown, error);
        }
    }

    void damagedPartsAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        const auto middleRecord = [](const std::function<void(QByteArray &)> &damage) {
            QByteArray b = record({.name = "b"});
            damage(b);
            return file(QList<QByteArray>{page({record({.name = "a"}), b, record({.name = "c"})})});
        };
        const auto middleOffset = [](quint32 offset) {
            QByteArray p = page({record({.name = "a"}), record({.name = "b"}), record({.name = "c"})});
            setLittleEndian32(p, 12, offset == 0 ? quint32(p.size() - 55) : offset);
            return file(QList<QByteArray>{p});
        };
        const auto middlePage = [](const QByteArray &damaged) {
            return file(QList<QByteArray>{page({record({.name = "a"})}), damaged, page({record({.name = "c"})})});
        };
        QByteArray overlongTable = page({record({.name = "b"})});
        setLittleEndian32(overlongTable, 4, 1000);

        // Its strings sit inside the first 40 bytes, so only the size rule can reject it.
        QTest::newRow("record size 40") << middleRecord([](QByteArray &b) {
            setLittleEndian32(b, recordSize, 40);
            for (RecordField field : {domainOffset, nameOffset, pathOffset, valueOffset})
                setLittleEndian32(b, field, 32);
            b.replace(32, 2, "b\0", 2);
        }) << u"a|c"_qs;
        QTest::newRow("record size past the page")
            << middleRecord([](QByteArray &b) { setLittleEndian32(b, recordSize, 0xFFFFFFFF); }) << u"a|c"_qs;
        QTest::newRow("record offset past the page") << middleOffset(0xFFFFFFF0) << u"a|c"_qs;
        QTest::newRow("record offset 55 bytes before the page end") << middleOffset(0) << u"a|c"_qs;
        QTest::newRow("value offset at the record end")
            << middleRecord([](QByteArray &b) { setLittleEndian32(b, valueOffset, quint32(b.size())); }) << u"a|c"_qs;
        QTest::newRow("empty name") << middleRecord([](QByteArray &b) { b = record({.name = ""}); }) << u"a|c"_qs;
        QTest::newRow("page of 7 bytes") << middlePage(QByteArray("\0\0\1\0\1\0\0", 7)) << u"a|c"_qs;
        QTest::newRow("page with no cookies") << middlePage(page({})) << u"a|c"_qs;
        QTest::newRow("offset table longer than the page") << middlePage(overlongTable) << u"a|c"_qs;
        QTest::newRow("checksum and property list follow") << file(QList<QByteArray>{page({record({.name = "a"})})},
            QByteArray("\0\0\0\0\x07\x17\x20\x05\0\0\0\x4b", 12) + "bplist00" + QByteArray(67, '\x01'))
                                                           << u"a"_qs;
    }

    void damagedPartsAreSkipped()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(names(parseBinaryCookies(bytes)), expected);
    }

    void fieldsAreDecoded_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Cookie>("expected");

        const auto one = [](const Fields &fields) { return cookiesFile({fields}); };
        const auto expiring = [](const QDateTime &at) {
            Cookie c = cookie(u"name"_qs, u"value"_qs);
            c.expires = at;
            return c;
        };
        Cookie plain = cookie(u"name"_qs, u"value"_qs);
        Cookie secure = plain;
        secure.secure = true;
        QByteArray unterminated = record({});
        unterminated.chop(1);
        setLittleEndian32(unterminated, recordSize, quint32(unterminated.size()));
        Cookie full{u"sid"_qs, u"42"_qs, u".apple.com"_qs, u"/WebObjects"_qs, appleEpoch.addSecs(395366109), true};

        QTest::newRow("every field") << one({.domain = ".apple.com",
            .name = "sid",
            .path = "/WebObjects",
            .value = "42",
            .expiry = 395366109,
            .flags = 1}) << full;
        QTest::newRow("domain lower-cased")
            << one({.domain = "WWW.Example.COM"}) << cookie(u"name"_qs, u"value"_qs, u"www.example.com"_qs);
        QTest::newRow("empty path is /") << one({.path = ""}) << plain;
        QTest::newRow("empty value kept") << one({.value = ""}) << cookie(u"name"_qs, QString());
        QTest::newRow("flags 5 is secure") << one({.flags = 5}) << secure;
        QTest::newRow("flags 4 is not secure") << one({.flags = 4}) << plain;
        QTest::newRow("expiry 0 is absent") << one({.expiry = 0}) << plain;
        QTest::newRow("NaN expiry is absent") << one({.expiry = std::nan("")}) << plain;
        QTest::newRow("infinite expiry is absent") << one({.expiry = std::numeric_limits<double>::infinity()}) << plain;
        QTest::newRow("milliseconds kept") << one({.expiry = 1.5}) << expiring(appleEpoch.addMSecs(1500));
        QTest::newRow("1e300 clamped to year 9999")
            << one({.expiry = 1e300}) << expiring(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC));
        QTest::newRow("strings stored value first")
            << file(QList<QByteArray>{page({record({}, {valueOffset, pathOffset, nameOffset, domainOffset})})})
            << plain;
        QTest::newRow("last string unterminated") << file(QList<QByteArray>{page({unterminated})}) << plain;
        QTest::newRow("not UTF-8 read as Latin-1")
            << one({.value = "caf\xe9"}) << cookie(u"name"_qs, QString::fromLatin1("caf\xe9"));
        QTest::newRow("UTF-8 kept") << one({.value = "Кино €"}) << cookie(u"name"_qs, u"Кино €"_qs);
    }

    void fieldsAreDecoded()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Cookie, expected);
        const QList<Cookie> cookies = parseBinaryCookies(bytes);
        QCOMPARE(cookies.size(), 1);
        QCOMPARE(cookies.first(), expected);
    }
};

QTEST_GUILESS_MAIN(TestBinaryCookies)
#include "tst_binarycookies.moc"
