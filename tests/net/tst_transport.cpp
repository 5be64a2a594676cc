#include "LoopbackServer.h"

#include "net/HttpTransport.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <httplib.h>

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

Outcome send(Transport &transport, HttpRequest request)
{
    return QCoro::waitFor(sendCapturing(&transport, std::move(request)));
}

HttpRequest get(const QUrl &url)
{
    HttpRequest request;
    request.url = url;
    return request;
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
        QTest::newRow("none given") << QList<HttpHeader>() << QByteArray("gzip, deflate, br")
                                    << QByteArray("keep-alive");
        QTest::newRow("caller's own win") << QList<HttpHeader>{{"accept-encoding", "gzip"}, {"Connection", "close"}}
                                          << QByteArray("gzip") << QByteArray("close");
    }
    void defaultHeadersUnlessSet()
    {
        QFETCH(QList<HttpHeader>, given);
        QFETCH(QByteArray, acceptEncoding);
        QFETCH(QByteArray, connection);
        LoopbackServer server([](const httplib::Request &, httplib::Response &response) {
            response.set_content("ok", "application/octet-stream");
        });
        HttpTransport transport;
        HttpRequest request = get(server.url(u"/page"_qs));
        request.headers = given;
        request.setHeader("X-Probe", "1");
        const Outcome outcome = send(transport, request);
        QVERIFY2(outcome.response, qPrintable(outcome.error));
        const auto seen = server.requests().value(0);
        QCOMPARE(seen.header("Accept-Encoding"), acceptEncoding);
        QCOMPARE(seen.header("Connection"), connection);
        QCOMPARE(seen.header("X-Probe"), QByteArray("1"));
    }

    void decodesBodies_data()
    {
        const QByteArray page = QByteArray("<p>Сталкер</p>").repeated(200);
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QByteArray>("expected");
        // The codings themselves are tested on the decoder; here, that the transport applies it.
        QTest::newRow("br") << brotlied(page) << QByteArray("br") << u"application/octet-stream"_qs << page;
        // The test server compresses text on its own when asked to; that must come out whole too.
        QTest::newRow("server's own choice") << page << QByteArray() << u"text/html"_qs << page;
        QTest::newRow("damaged gzip") << gzipped(page).chopped(8) << QByteArray("gzip")
                                      << u"application/octet-stream"_qs << QByteArray();
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
        const Outcome outcome = send(transport, get(server.url(u"/"_qs)));
        if (expected.isEmpty()) {
            QVERIFY(!outcome.response);
            QVERIFY2(outcome.error.contains(u"could not be decoded"_qs), qPrintable(outcome.error));
        } else {
            QVERIFY2(outcome.response, qPrintable(outcome.error));
            QCOMPARE(outcome.response->body, expected);
        }
    }

    void errorStatusesAreResponses()
    {
        LoopbackServer server([](const httplib::Request &request, httplib::Response &response) {
            response.status = std::stoi(request.path.substr(1));
            response.set_content("body of " + request.path, "application/octet-stream");
        });
        HttpTransport transport;
        for (const int status : {404, 429, 503}) {
            const Outcome outcome = send(transport, get(server.url(u"/%1"_qs.arg(status))));
            QVERIFY2(outcome.response, qPrintable(outcome.error));
            QCOMPARE(outcome.response->status, status);
            QCOMPARE(outcome.response->body, "body of /" + QByteArray::number(status));
        }
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
        QVERIFY(send(transport, get(QUrl(u"https://one.example/login"_qs))).response);
        QVERIFY(send(transport, get(QUrl(u"https://one.example/next"_qs))).response);
        QVERIFY(send(transport, get(QUrl(u"https://two.example/next"_qs))).response);
        HttpRequest own = get(QUrl(u"https://one.example/own"_qs));
        own.setHeader("Cookie", "sid=mine");
        QVERIFY(send(transport, own).response);

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
            if (request.path == "/a.example/start") {
                response.status = 303;
                response.set_header("Set-Cookie", "hop=1");
                response.set_header("Location", "/next?x=1");
            } else if (request.path == "/a.example/next") {
                response.status = 302;
                response.set_header("Location", "https://b.example/final");
            } else if (request.path == "/a.example/file") {
                response.status = 302;
                response.set_header("Location", "file:///etc/passwd");
            } else if (request.path == "/loop.example/") {
                response.status = 301;
                response.set_header("Location", "/");
            } else {
                response.set_content("final", "application/octet-stream");
            }
        });
        HttpTransport transport(QUrl(server.origin()));
        HttpRequest request = get(QUrl(u"https://a.example/start"_qs));
        request.method = "POST";
        request.body = "q=1";
        request.setHeader("Authorization", "Api-Key secret");
        const Outcome outcome = send(transport, request);
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

        const Outcome loop = send(transport, get(QUrl(u"https://loop.example/"_qs)));
        QVERIFY(!loop.response);
        QVERIFY2(loop.error.contains(u"too many"_qs), qPrintable(loop.error));

        const Outcome local = send(transport, get(QUrl(u"https://a.example/file"_qs)));
        QVERIFY(!local.response);
        QVERIFY2(local.error.contains(u"unsupported address"_qs), qPrintable(local.error));
    }

    // A value with a line break would add a header of its own; nothing is sent.
    void refusesLineBreaksInHeaders()
    {
        LoopbackServer server([](const httplib::Request &, httplib::Response &) {});
        HttpTransport transport(QUrl(server.origin()));
        HttpRequest request = get(QUrl(u"https://a.example/"_qs));
        request.setHeader("Authorization", "Api-Key abc\r\nX-Injected: 1");
        const Outcome outcome = send(transport, request);
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
            if (!trickle) {
                server.holdUntilStopping(10000);
                return;
            }
            response.set_chunked_content_provider("application/octet-stream", [&](size_t, httplib::DataSink &sink) {
                std::this_thread::sleep_for(50ms);
                return !server.isStopping() && sink.write("x", 1);
            });
        });
        HttpTransport transport;
        HttpRequest request = get(server.url(u"/slow"_qs));
        request.idleTimeout = std::chrono::milliseconds(idleMs);
        request.totalTimeout = std::chrono::milliseconds(totalMs);
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = send(transport, request);
        QVERIFY(!outcome.response);
        QCOMPARE(outcome.error, u"The request timed out."_qs);
        QVERIFY2(clock.elapsed() < 3000, "the time-out fired late");
    }

    void cancellationAbortsInFlight()
    {
        LoopbackServer server([&](const httplib::Request &, httplib::Response &) { server.holdUntilStopping(10000); });
        HttpTransport transport;
        HttpRequest request = get(server.url(u"/held"_qs));
        request.cancellation = std::make_shared<CancellationHandle>();
        QTimer::singleShot(100, request.cancellation.get(), &CancellationHandle::cancel);
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = send(transport, request);
        QVERIFY(!outcome.response);
        QCOMPARE(outcome.error, u"The request was cancelled."_qs);
        QVERIFY(clock.elapsed() < 3000);

        // Already cancelled: nothing is sent at all.
        const auto before = server.requests().size();
        QCOMPARE(send(transport, request).error, u"The request was cancelled."_qs);
        QCOMPARE(server.requests().size(), before);
    }

    void refusedConnectionFails()
    {
        HttpTransport transport;
        QVERIFY(!send(transport, get(LoopbackServer::refusingUrl())).error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
