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
        QTest::addColumn<QByteArray>("expected"); // null: fails, saying why
        QTest::newRow("identity") << page << QByteArray("identity") << page;
        QTest::newRow("two gzip members")
            << deflated("first ") + deflated("second") << QByteArray("gzip") << QByteArray("first second");
        QTest::newRow("deflate with zlib wrapper") << deflated(page, 15) << QByteArray("deflate") << page;
        QTest::newRow("raw deflate") << deflated(page, -15) << QByteArray("deflate") << page;
        QTest::newRow("gzip then br, undone in reverse") << brotlied(deflated(page)) << QByteArray("gzip, br") << page;
        QTest::newRow("empty body names a coding") << QByteArray("") << QByteArray("gzip") << QByteArray("");
        QTest::newRow("br cut short") << brotlied(page).chopped(3) << QByteArray("br") << QByteArray();
        QTest::newRow("unknown coding") << page << QByteArray("zstd") << QByteArray();
        QTest::newRow("bomb past the size cap")
            << deflated(QByteArray(maximumDecodedBodySize + 1, 'a')) << QByteArray("gzip") << QByteArray();
    }
    void decodeContentEncoding()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, encoding);
        QFETCH(QByteArray, expected);
        QString error;
        const std::optional<QByteArray> decoded = tolvane::decodeContentEncoding(body, encoding, &error);
        QCOMPARE(decoded.value_or(QByteArray()), expected);
        QCOMPARE(decoded.has_value(), !expected.isNull());
        QCOMPARE(error.isEmpty(), !expected.isNull()); // a failure explains itself
    }

    // The charset a page declares wins; undeclared, the bytes decide between UTF-8 and Latin-1.
    void decodeBodyText_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("expected");
        const QByteArray cp1251 = "\xcf\xf0\xe8"; // При
        const auto row = [](const char *name, const QByteArray &body, const QByteArray &type, const QString &text) {
            QTest::newRow(name) << body << type << text;
        };
        row("header quoted, any case", "\xf0\xd2\xc9", "text/html; Charset=\"KOI8-R\"", u"При"_qs);
        row("meta charset", "<meta charset='windows-1251'>" + cp1251, "text/html",
            u"<meta charset='windows-1251'>При"_qs);
        row("meta http-equiv",
            "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">" + cp1251, {},
            u"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">При"_qs);
        row("header over meta", "<meta charset=windows-1251>При", "text/html;charset=utf-8",
            u"<meta charset=windows-1251>При"_qs);
        row("meta past the first 1024 bytes", QByteArray(1024, ' ') + "<meta charset=windows-1251>" + cp1251, {},
            QString(1024, u' ') + u"<meta charset=windows-1251>\u00cf\u00f0\u00e8"_qs);
        row("declared Latin-1 over valid UTF-8", "\xc3\xa9", "text/html; charset=ISO-8859-1", u"\u00c3\u00a9"_qs);
        row("declared UTF-8, a bad byte", "Кино\xff", "text/html; charset=utf-8", u"Кино\ufffd"_qs);
        row("unknown charset: the bytes decide", "Кино", "text/html; charset=x-nonsense", u"Кино"_qs);
        row("byte order mark over the header",
            "\xef\xbb\xbf"
            "Caf\xc3\xa9",
            "text/html; charset=iso-8859-1", u"Café"_qs);
        row("UTF-8, a stray 0xFF", "Матрица\xff (1999)", {}, u"Матрица\ufffd (1999)"_qs);
        row("more bad bytes than good", "\xd0\xbf \xe9\xe8\xe0", {}, u"\u00d0\u00bf \u00e9\u00e8\u00e0"_qs);
        row("a surrogate encoded is no sequence", "\xed\xa0\x80\xe9", {}, u"\u00ed\u00a0\u0080\u00e9"_qs);
    }
    void decodeBodyText()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QTEST(tolvane::decodeBodyText(body, contentType), "expected");
    }

    void rewrittenForTestServices_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &url, const QString &expected) {
            QTest::newRow(name) << url << expected;
        };
        row("no path, no query", u"https://api.vk.com"_qs, u"http://127.0.0.1:8765/api.vk.com"_qs);
        row("encoded path kept", u"https://vk.com/video/%D0%B0?x=%2F"_qs,
            u"http://127.0.0.1:8765/vk.com/video/%D0%B0?x=%2F"_qs);
        row("already on the origin", u"http://127.0.0.1:8765/x.org/a"_qs, u"http://127.0.0.1:8765/x.org/a"_qs);
        row("not http", u"file:///etc/passwd"_qs, u"file:///etc/passwd"_qs);
    }
    void rewrittenForTestServices()
    {
        QFETCH(QString, url);
        const QUrl origin(u"http://127.0.0.1:8765"_qs);
        QTEST(tolvane::rewrittenForTestServices(QUrl(url), origin).toString(QUrl::FullyEncoded), "expected");
    }
};

QTEST_GUILESS_MAIN(TestNetCodecs)
#include "tst_netcodecs.moc"
