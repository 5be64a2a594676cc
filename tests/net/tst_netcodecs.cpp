#include "LoopbackServer.h"

#include "net/BodyDecoding.h"
#include "net/TestServices.h"

#include <QTest>

using namespace tolvane;

class TestNetCodecs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Read once per process, so this suite sets it before anything asks.
    void testServicesOriginFromEnvironment()
    {
        qputenv("TOLVANE_TEST_SERVICES", "http://127.0.0.1:8765/ignored?x=1");
        QCOMPARE(testServicesOrigin(), QUrl(u"http://127.0.0.1:8765"_qs));
    }

    void decodeContentEncoding_data()
    {
        const QByteArray page = QByteArray("<html><title>Сталкер (1979)</title>").repeated(500);
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("fails");

        QTest::newRow("no coding") << page << QByteArray() << page << false;
        QTest::newRow("identity") << page << QByteArray("identity") << page << false;
        QTest::newRow("gzip") << gzipped(page) << QByteArray("gzip") << page << false;
        QTest::newRow("gzip, any case") << gzipped(page) << QByteArray(" GZip ") << page << false;
        QTest::newRow("two gzip members")
            << gzipped("first ") + gzipped("second") << QByteArray("gzip") << QByteArray("first second") << false;
        QTest::newRow("deflate with zlib wrapper") << zlibDeflated(page) << QByteArray("deflate") << page << false;
        QTest::newRow("raw deflate") << rawDeflated(page) << QByteArray("deflate") << page << false;
        QTest::newRow("br") << brotlied(page) << QByteArray("br") << page << false;
        QTest::newRow("gzip then br, undone in reverse")
            << brotlied(gzipped(page)) << QByteArray("gzip, br") << page << false;
        QTest::newRow("empty body names a coding") << QByteArray() << QByteArray("gzip") << QByteArray() << false;

        QTest::newRow("gzip cut short") << gzipped(page).chopped(10) << QByteArray("gzip") << QByteArray() << true;
        QTest::newRow("br cut short") << brotlied(page).chopped(3) << QByteArray("br") << QByteArray() << true;
        QTest::newRow("plain text called gzip") << page << QByteArray("gzip") << QByteArray() << true;
        QTest::newRow("plain text called br") << page << QByteArray("br") << QByteArray() << true;
        QTest::newRow("unknown coding") << page << QByteArray("zstd") << QByteArray() << true;
        QTest::newRow("bomb past the size cap")
            << gzipped(QByteArray(maximumDecodedBodySize + 1, 'a')) << QByteArray("gzip") << QByteArray() << true;
    }
    void decodeContentEncoding()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, encoding);
        QFETCH(QByteArray, expected);
        QFETCH(bool, fails);

        QString error;
        const std::optional<QByteArray> decoded = tolvane::decodeContentEncoding(body, encoding, &error);
        QCOMPARE(decoded.has_value(), !fails);
        if (fails)
            QVERIFY2(!error.isEmpty(), "a failure explains itself");
        else
            QCOMPARE(*decoded, expected);
    }

    void rewrittenForTestServices_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QString>("expected");
        const QString origin = u"http://127.0.0.1:8765"_qs;
        QTest::newRow("https page with query")
            << u"https://html.duckduckgo.com/html/?q=The%20Matrix%201999&kl=wt-wt"_qs << origin
            << u"http://127.0.0.1:8765/html.duckduckgo.com/html/?q=The%20Matrix%201999&kl=wt-wt"_qs;
        QTest::newRow("no path, no query")
            << u"https://api.vk.com"_qs << origin << u"http://127.0.0.1:8765/api.vk.com"_qs;
        QTest::newRow("encoded path kept") << u"https://vk.com/video/%D0%B0?x=%2F"_qs << origin
                                           << u"http://127.0.0.1:8765/vk.com/video/%D0%B0?x=%2F"_qs;
        QTest::newRow("explicit port kept")
            << u"https://example.org:8443/a"_qs << origin << u"http://127.0.0.1:8765/example.org:8443/a"_qs;
        QTest::newRow("already on the origin")
            << u"http://127.0.0.1:8765/x.org/a"_qs << origin << u"http://127.0.0.1:8765/x.org/a"_qs;
        QTest::newRow("hook off") << u"https://vk.com/a"_qs << QString() << u"https://vk.com/a"_qs;
        QTest::newRow("not http") << u"file:///etc/passwd"_qs << origin << u"file:///etc/passwd"_qs;
    }
    void rewrittenForTestServices()
    {
        QFETCH(QString, url);
        QFETCH(QString, origin);
        QFETCH(QString, expected);
        QCOMPARE(tolvane::rewrittenForTestServices(QUrl(url), QUrl(origin)).toString(QUrl::FullyEncoded), expected);
    }
};

QTEST_GUILESS_MAIN(TestNetCodecs)
#include "tst_netcodecs.moc"
