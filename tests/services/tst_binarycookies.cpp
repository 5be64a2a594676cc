#include "CookieFileBuilder.h"

#include "services/BinaryCookies.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <functional>
#include <limits>

using namespace tolvane;
using namespace cookiefile;

namespace {

const QDateTime appleEpoch(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

QString text(const QString &name, const QString &value, const QString &domain, const QString &path,
    const std::optional<QDateTime> &expires, bool secure)
{
    return u"%1=%2 %3 %4 %5%6"_qs.arg(name, value, domain, path,
        expires ? expires->toString(Qt::ISODateWithMs) : u"-"_qs, secure ? u" secure"_qs : QString());
}

QStringList texts(const QList<Cookie> &cookies)
{
    QStringList result;
    for (const Cookie &c : cookies)
        result.append(text(c.name, c.value, c.domain, c.path, c.expires, c.secure));
    return result;
}

QString names(const QList<Cookie> &cookies)
{
    QStringList result;
    for (const Cookie &cookie : cookies)
        result.append(cookie.name);
    return result.join(u'|');
}

// The cookies a decoded table lists, built from its columns without the parser's help.
QStringList cookiesFromTable(const QByteArray &tsv)
{
    QList<QByteArray> lines = tsv.trimmed().split('\n');
    const QList<QByteArray> header = lines.takeFirst().split('\t');
    QStringList cookies;
    for (const QByteArray &line : lines) {
        const QList<QByteArray> cells = line.split('\t');
        const auto column = [&](const char *name) { return QString::fromUtf8(cells.value(header.indexOf(name))); };
        const double seconds = column("expiry_mac_seconds").toDouble();
        cookies.append(text(column("name"), column("value"), column("domain").toLower(),
            column("path").isEmpty() ? u"/"_qs : column("path"),
            seconds > 0 ? std::optional(appleEpoch.addMSecs(qRound64(seconds * 1000))) : std::nullopt,
            column("flags").toUInt() & 1));
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
        const QDir folder(QStringLiteral(TOLVANE_SHARED_FIXTURES "/binarycookies"));
        if (!folder.exists())
            QSKIP(qPrintable(u"The shared real cookie files are not here: "_qs + folder.path()));
        QFile binary(folder.filePath(file));
        QFile table(folder.filePath(file + u".decoded.tsv"_qs));
        QVERIFY(binary.open(QIODevice::ReadOnly) && table.open(QIODevice::ReadOnly));
        const QStringList expected = cookiesFromTable(table.readAll());
        QTEST(int(expected.size()), "count");
        QCOMPARE(texts(parseBinaryCookies(binary.readAll())), expected);
    }

    void damagedFilesThrow_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<BinaryCookiesError>("error");
        const QByteArray good = file({page({record({})})});
        QByteArray hugeCount("cook");
        QTest::newRow("7 bytes") << QByteArray("cook\0\0\0", 7) << BinaryCookiesError::truncated;
        QTest::newRow("bad magic") << QByteArray("COOK\0\0\0\0", 8) << BinaryCookiesError::badMagic;
        QTest::newRow("2^32-1 pages in 8 bytes")
            << append(hugeCount, 0xFFFFFFFFu, true) << BinaryCookiesError::truncated;
        QTest::newRow("last page cut by a byte") << good.chopped(1) << BinaryCookiesError::truncated;
    }
    void damagedFilesThrow()
    {
        QFETCH(QByteArray, bytes);
        try {
            QFAIL(qPrintable(u"no error; cookies: "_qs + names(parseBinaryCookies(bytes))));
        } catch (BinaryCookiesError thrown) {
            QTEST(thrown, "error");
        }
    }

    void damagedPartsAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const auto middleRecord = [](const std::function<void(QByteArray &)> &damage) {
            QByteArray b = record({.name = "b"});
            damage(b);
            return file({page({record({.name = "a"}), b, record({.name = "c"})})});
        };
        const auto middleOffset = [](quint32 offset) {
            QByteArray p = page({record({.name = "a"}), record({.name = "b"}), record({.name = "c"})});
            setLittleEndian32(p, 12, offset == 0 ? quint32(p.size() - 55) : offset);
            return file({p});
        };
        const auto middlePage = [](const QByteArray &damaged) {
            return file({page({record({.name = "a"})}), damaged, page({record({.name = "c"})})});
        };
        QByteArray overlongTable = page({record({.name = "b"})});
        setLittleEndian32(overlongTable, 4, 1000);
        // Its strings sit inside the first 40 bytes, so only the size rule can reject it.
        QTest::newRow("record size 40") << middleRecord([](QByteArray &b) {
            for (RecordField field : {recordSize, domainOffset, nameOffset, pathOffset, valueOffset})
                setLittleEndian32(b, field, field == recordSize ? 40 : 32);
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
        QTest::newRow("offset table longer than the page") << middlePage(overlongTable) << u"a|c"_qs;
        QTest::newRow("checksum and property list follow") << file({page({record({.name = "a"})})},
            QByteArray("\0\0\0\0\x07\x17\x20\x05\0\0\0\x4b", 12) + "bplist00" + QByteArray(67, '\x01'))
                                                           << u"a"_qs;
    }
    void damagedPartsAreSkipped()
    {
        QFETCH(QByteArray, bytes);
        QTEST(names(parseBinaryCookies(bytes)), "expected");
    }

    void fieldsAreDecoded_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const Fields &fields, const QString &expected) {
            QTest::newRow(name) << cookiesFile({fields}) << expected;
        };
        const QString plain = u"name=value example.com / -"_qs;
        QByteArray unterminated = record({}).chopped(1);
        setLittleEndian32(unterminated, recordSize, quint32(unterminated.size()));
        row("every field", {".apple.com", "sid", "/WebObjects", "42", 395366109, 1},
            u"sid=42 .apple.com /WebObjects 2013-07-12T23:55:09.000Z secure"_qs);
        row("domain lower-cased", {.domain = "WWW.Example.COM"}, u"name=value www.example.com / -"_qs);
        row("empty path is /", {.path = ""}, plain);
        row("empty value kept", {.value = ""}, u"name= example.com / -"_qs);
        row("infinite expiry is absent", {.expiry = std::numeric_limits<double>::infinity()}, plain);
        row("milliseconds kept", {.expiry = 1.5}, u"name=value example.com / 2001-01-01T00:00:01.500Z"_qs);
        row("1e300 clamped to year 9999", {.expiry = 1e300}, u"name=value example.com / 9999-12-31T23:59:59.999Z"_qs);
        row("not UTF-8 read as Latin-1", {.value = "caf\xe9"}, u"name=caf\u00e9 example.com / -"_qs);
        row("UTF-8 kept", {.value = "Кино €"}, u"name=Кино € example.com / -"_qs);
        QTest::newRow("strings stored value first")
            << file({page({record({}, {valueOffset, pathOffset, nameOffset, domainOffset})})}) << plain;
        QTest::newRow("last string unterminated") << file({page({unterminated})}) << plain;
    }
    void fieldsAreDecoded()
    {
        QFETCH(QByteArray, bytes);
        QTEST(texts(parseBinaryCookies(bytes)).join(u'|'), "expected");
    }
};

QTEST_GUILESS_MAIN(TestBinaryCookies)
#include "tst_binarycookies.moc"
