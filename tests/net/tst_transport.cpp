#include "LoopbackServer.h"

#include "net/HttpTransport.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace tolvane;
using namespace std::chrono_literals;

namespace {

struct Outcome {
    std::optional<HttpResponse> response;
    QString error;
};

QCoro::Task<Outcome> sendCapturing(Transport *transport, HttpRequest request)
{
    try {
        // Awaited into a named local: g++ 12 destroys a co_await result inside braces twice.
        HttpResponse response = co_await transport->send(std::move(request));
        co_return Outcome{std::move(response), {}};
    } catch (const TransportError &error) {
        co_return Outcome{std::nullopt, error.message()};
    }
}

Outcome send(Transport &transport, const QUrl &url, const QList<HttpHeader> &headers = {})
{
    HttpRequest request;
    request.url = url;
    request.headers = headers;
    return QCoro::waitFor(sendCapturing(&transport, std::move(request)));
}


} // namespace

class TestTransport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultHeadersUnlessSet_data()
    {
        QTest::addColumn<QList<HttpHeader>>("given");
        QTest::addColumn<QByteArray>("acceptEncoding");
        QTest::addColumn<QByteArray>("connection");
        QTest::newRow("none given") << QList<HttpHeader>{{"X-Probe", "1"}} << QByteArray("gzip, deflate, br")
                                    << QByteArray("keep-alive");
        QTest::newRow("caller's own win")
            << QList<HttpHeader>{{"accept-encoding", "gzip"}, {"Connection", "close"}, {"X-Probe", "1"}}
            << QByteArray("gzip") << QByteArray("close");
    }
    void defaultHeadersUnlessSet()
    {
        QFETCH(QList<HttpHeader>, given);
        LoopbackServer server([](const httplib::Request &, httplib::Response &response) { response.set_content("ok", "application/octet-stream"); });
        HttpTransport transport;
        const Outcome outcome = send(transport, server.url(u"/page"_qs), given);
        QVERIFY2(outcome.response, qPrintable(outcome.error));
        const auto seen = server.requests().value(0);
        QTEST(seen.header("Accept-Encoding"), "acceptEncoding");
        QTEST(seen.header("Connection"), "connection");
        QCOMPARE(seen.header("X-Probe"), QByteArray("1"));
    }

    // The codings themselves are tested on the decoder; here, that the transport applies them.
    void decodesBodies_data()
    {
        const QByteArray page = QByteArray("<p>Сталкер</p>").repeated(200);
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QByteArray>("expected"); // empty: the body cannot be decoded
        const QString binary = u"application/octet-stream"_qs;
        // The test server compresses text on its own when asked to; that must come out whole too.
        QTest::newRow("server's own choice") << page << QByteArray() << u"text/html"_qs << page;
        QTest::newRow("damaged gzip") << deflated(page).chopped(8) << QByteArray("gzip") << binary << QByteArray();
    }
    void decodesBodies()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, encoding);
        QFETCH(QString, contentType);
        QFETCH(QByteArray, expected);
        LoopbackServer server([&](const httplib::Request &, httplib::Response &response) {
            response.set_content(sent.toStdString(), contentType.toStdString());
            if (!encoding.isEmpty())
                response.set_header("Content-Encoding", encoding.toStdString());
        });
        HttpTransport transport;
        const Outcome outcome = send(transport, server.url(u"/"_qs));
        if (expected.isEmpty())
            QVERIFY2(
                !outcome.response && outcome.error.contains(u"could not be decoded"_qs), qPrintable(outcome.error));
        else
            QVERIFY2(outcome.response && outcome.response->body == expected,
                qPrintable(outcome.error));
    }

    // Cookies are kept per address as requested, so the test rewrite must not mix two services.
    void cookiesComeBackToTheirSite()
    {
        LoopbackServer server([](const httplib::Request &request, httplib::Response &response) {
            if (request.path.ends_with("/login")) {
                response.set_header("Set-Cookie", "sid=42; Path=/");
                response.set_header("Set-Cookie", "lang=ru; Path=/");
            }
            response.set_content("ok", "application/octet-stream");
        });
        HttpTransport transport(QUrl(server.origin()));
        for (const char *url : {"https://one.example/login", "https://one.example/next", "https://two.example/next"})
            QVERIFY(send(transport, QUrl(QString::fromUtf8(url))).response);
        QVERIFY(send(transport, QUrl(u"https://one.example/own"_qs), {{"Cookie", "sid=mine"}}).response);
        const auto seen = server.requests();
        QCOMPARE(seen.size(), 4);
        QCOMPARE(seen[0].path, QByteArray("/one.example/login"));
        const QList<QByteArray> next = seen[1].header("Cookie").split(';');
        QCOMPARE(QSet<QByteArray>(next.cbegin(), next.cend()), QSet<QByteArray>({"sid=42", " lang=ru"}));
        QCOMPARE(seen[2].header("Cookie"), QByteArray());
        QCOMPARE(seen[3].header("Cookie"), QByteArray("sid=mine; lang=ru"));
    }

    void followsRedirects()
    {
        LoopbackServer server([](const httplib::Request &request, httplib::Response &response) {
            const std::map<std::string, std::pair<int, std::string>> moves{{"/a.example/start", {303, "/next?x=1"}},
                {"/a.example/next", {302, "https://b.example/final"}}, {"/a.example/file", {302, "file:///etc/passwd"}},
                {"/loop.example/", {301, "/"}}};
            const auto move = moves.find(request.path);
            if (move == moves.end())
                return response.set_content("final", "application/octet-stream");
            response.status = move->second.first;
            response.set_header("Location", move->second.second);
            response.set_header("Set-Cookie", "hop=1");
        });
        HttpTransport transport(QUrl(server.origin()));
        HttpRequest request;
        request.url = QUrl(u"https://a.example/start"_qs);
        request.method = "POST";
        request.body = "q=1";
        request.setHeader("Authorization", "Api-Key secret");
        const Outcome outcome = QCoro::waitFor(sendCapturing(&transport, request));
        QVERIFY2(outcome.response, qPrintable(outcome.error));
        QCOMPARE(outcome.response->body, QByteArray("final"));
        QCOMPARE(outcome.response->url, QUrl(u"https://b.example/final"_qs));
        const auto seen = server.requests();
        QCOMPARE(seen.size(), 3);
        QCOMPARE(seen[0].body, QByteArray("q=1"));
        QCOMPARE(seen[1].method, QByteArray("GET")); // 303 turns the POST into a GET
        QCOMPARE(seen[1].query, QByteArray("x=1"));
        QCOMPARE(seen[1].header("Cookie"), QByteArray("hop=1"));
        QCOMPARE(seen[1].header("Authorization"), QByteArray("Api-Key secret"));
        QCOMPARE(seen[2].header("Authorization"), QByteArray()); // not carried to another site
        QVERIFY(send(transport, QUrl(u"https://loop.example/"_qs)).error.contains(u"too many"_qs));
        QVERIFY(send(transport, QUrl(u"https://a.example/file"_qs)).error.contains(u"unsupported address"_qs));
    }

    // A value with a line break would add a header of its own; nothing is sent.
    void refusesLineBreaksInHeaders()
    {
        LoopbackServer server([](const httplib::Request &, httplib::Response &) {});
        HttpTransport transport(QUrl(server.origin()));
        const Outcome outcome
            = send(transport, QUrl(u"https://a.example/"_qs), {{"Authorization", "Api-Key abc\r\nX-Injected: 1"}});
        QVERIFY(!outcome.response);
        QCOMPARE(outcome.error, u"A request header holds a line break."_qs);
        QCOMPARE(server.requests().size(), 0);
    }

    void timesOut_data()
    {
        QTest::addColumn<bool>("trickle");
        QTest::addColumn<int>("idleMs");
        QTest::addColumn<int>("totalMs");
        QTest::newRow("nothing arrives") << false << 200 << 10000;
        QTest::newRow("arrives too slowly in all") << true << 2000 << 400;
    }
    void timesOut()
    {
        QFETCH(bool, trickle);
        QFETCH(int, idleMs);
        QFETCH(int, totalMs);
        LoopbackServer server([&](const httplib::Request &, httplib::Response &response) {
            if (!trickle)
                return server.holdUntilStopping(10000);
            response.set_chunked_content_provider("application/octet-stream", [&](size_t, httplib::DataSink &sink) {
                std::this_thread::sleep_for(50ms);
                return !server.isStopping() && sink.write("x", 1);
            });
        });
        HttpTransport transport;
        HttpRequest request;
        request.url = server.url(u"/slow"_qs);
        request.idleTimeout = std::chrono::milliseconds(idleMs);
        request.totalTimeout = std::chrono::milliseconds(totalMs);
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = QCoro::waitFor(sendCapturing(&transport, request));
        QVERIFY(!outcome.response);
        QCOMPARE(outcome.error, u"The request timed out."_qs);
        QVERIFY2(clock.elapsed() < 3000, "the time-out fired late");
    }

    // In flight the request ends at once; already cancelled, nothing is sent at all.
    void cancellationAbortsInFlight()
    {
        LoopbackServer server([&](const httplib::Request &, httplib::Response &) { server.holdUntilStopping(10000); });
        HttpTransport transport;
        HttpRequest request;
        request.url = server.url(u"/held"_qs);
        request.cancellation = std::make_shared<CancellationHandle>();
        QTimer::singleShot(100, request.cancellation.get(), &CancellationHandle::cancel);
        QElapsedTimer clock;
        clock.start();
        for (int attempt = 0; attempt < 2; ++attempt)
            QCOMPARE(QCoro::waitFor(sendCapturing(&transport, request)).error, u"The request was cancelled."_qs);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(server.requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
