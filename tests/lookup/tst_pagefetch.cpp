#include "../services/CookieFileBuilder.h"
#include "LoopbackServer.h"

#include "lookup/LookupError.h"
#include "lookup/PageFetch.h"
#include "net/HttpTransport.h"
#include "services/BrowserCookies.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <httplib.h>

using namespace tolvane;
using namespace std::chrono_literals;

namespace {

/// The gate's clock and the 429 pauses, faked: nothing in this suite really waits.
struct FakeWaits {
    SearchRateGate::Clock::time_point now = SearchRateGate::Clock::time_point(1000s);
    QList<double> pauses;
    bool cancelDuringPause = false;
};

QCoro::Task<> noSleep(std::chrono::nanoseconds)
{
    co_return;
}

QCoro::Task<bool> recordPause(
    FakeWaits *waits, std::chrono::nanoseconds duration, std::shared_ptr<CancellationHandle> cancellation)
{
    waits->pauses.append(std::chrono::duration<double>(duration).count());
    if (waits->cancelDuringPause && cancellation)
        cancellation->cancel();
    co_return !(cancellation && cancellation->isCancelled());
}

QCoro::Task<std::optional<QString>> fixedCookie(QUrl)
{
    co_return u"sid=from-browser"_qs;
}

MovieLookup fakeLookup(FakeWaits *waits)
{
    SearchRateGate::Hooks hooks{[waits] { return waits->now; }, noSleep, [] { return quint64(0); }};
    return {std::make_shared<HttpTransport>(QUrl()), BrowserIdentity::standard(),
        std::make_shared<SearchRateGate>(hooks), fixedCookie,
        [waits](std::chrono::nanoseconds duration, std::shared_ptr<CancellationHandle> cancellation) {
            return recordPause(waits, duration, std::move(cancellation));
        }};
}

/// What a fetch ended with: the text, a failure's description, or "cancelled".
QCoro::Task<QString> outcomeOf(QCoro::Task<QString> fetch)
{
    try {
        const QString text = co_await std::move(fetch);
        co_return u"text: "_qs + text;
    } catch (const LookupError &error) {
        co_return u"failed: "_qs + error.description();
    } catch (const Cancelled &) {
        co_return u"cancelled"_qs;
    }
}

QString fetch(const MovieLookup &lookup, const QUrl &url, bool retryOn429 = true,
    std::shared_ptr<CancellationHandle> cancellation = {}, const QUrl &referer = QUrl(u"https://duckduckgo.com/"_qs))
{
    return QCoro::waitFor(
        outcomeOf(fetchHTML(lookup, url, referer, u"test"_qs, retryOn429, 1.2, std::move(cancellation))));
}

double secondsUntilNext(const MovieLookup &lookup, const FakeWaits &waits)
{
    return std::chrono::duration<double>(*lookup.gate->nextAllowed(u"test"_qs) - waits.now).count();
}

} // namespace

class TestPageFetch : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        // The browser cookie file and the settings are looked up here, never in the real home.
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u".config"_qs)));
    }

    // The standard cookie source reads the file on the work pool and its header reaches the server.
    void sendsTheBrowsersCookies()
    {
        const QString path = m_home.path() + QLatin1String(BrowserCookies::fileLocations[1]);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(cookiefile::cookiesFile({{"127.0.0.1", "sid", "/", "abc"}, {"other.example", "no", "/", "x"}}));
        file.close();
        LoopbackServer server(
            [](const httplib::Request &, httplib::Response &response) { response.set_content("ok", "text/html"); });
        FakeWaits waits;
        MovieLookup lookup = fakeLookup(&waits);
        const auto cookies = std::make_shared<BrowserCookies>();
        lookup.cookieHeader = MovieLookup::standard(cookies).cookieHeader;
        cookies->load(true);
        QCOMPARE(fetch(lookup, server.url(u"/page"_qs)), u"text: ok"_qs);
        QCOMPARE(server.requests().value(0).header("Cookie"), QByteArray("sid=abc"));
    }

    void sendsBrowserHeaders_data()
    {
        QTest::addColumn<QString>("referer");
        QTest::addColumn<QByteArray>("fetchSite");
        QTest::newRow("same host") << u"http://127.0.0.1/"_qs << QByteArray("same-origin");
        QTest::newRow("other host") << u"https://duckduckgo.com/"_qs << QByteArray("cross-site");
    }
    void sendsBrowserHeaders()
    {
        QFETCH(QString, referer);
        QFETCH(QByteArray, fetchSite);
        LoopbackServer server(
            [](const httplib::Request &, httplib::Response &response) { response.set_content("<p>", "text/html"); });
        FakeWaits waits;
        const MovieLookup lookup = fakeLookup(&waits);
        QCOMPARE(fetch(lookup, server.url(u"/html/"_qs), true, {}, QUrl(referer)), u"text: <p>"_qs);
        const auto seen = server.requests().value(0);
        QCOMPARE(seen.header("User-Agent"), BrowserIdentity::standard().userAgent.toUtf8());
        QCOMPARE(seen.header("Sec-Fetch-Site"), fetchSite);
        QCOMPARE(seen.header("Referer"), referer.toUtf8());
        QCOMPARE(seen.header("Cookie"), QByteArray("sid=from-browser"));
        // The gate was passed: the next request under the key is booked 1.2 s + 0.15 s out.
        QVERIFY(qAbs(secondsUntilNext(lookup, waits) - 1.35) < 1e-6);
    }

    // Decoding itself is tested on the decoder; here, that the page's declared charset reaches it.
    void statusAndEncoding_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("299") << 299 << QByteArray("ok") << u"text: ok"_qs;
        QTest::newRow("charset of the header")
            << 200 << QByteArray("\xd1\xf2\xe0\xeb\xea\xe5\xf0") << u"text: Сталкер"_qs;
        QTest::newRow("199") << 199 << QByteArray("early") << u"failed: HTTP 199"_qs;
        QTest::newRow("300") << 300 << QByteArray("choices") << u"failed: HTTP 300"_qs;
    }
    void statusAndEncoding()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        LoopbackServer server([&](const httplib::Request &, httplib::Response &response) {
            response.status = status;
            response.set_content(body.toStdString(), "text/html; charset=windows-1251");
        });
        FakeWaits waits;
        QTEST(fetch(fakeLookup(&waits), server.url(u"/page"_qs)), "expected");
    }

    void rateLimited_data()
    {
        QTest::addColumn<QByteArrayList>("retryAfters"); // one per 429 answer, then 200
        QTest::addColumn<bool>("retryOn429");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<double>>("pauses");
        QTest::addColumn<double>("penalty");
        QTest::newRow("1 s is raised to 3 s")
            << QByteArrayList{"1"} << true << u"text: page"_qs << QList<double>{3.0} << 3.0;
        QTest::newRow("an HTTP date counts as absent") << QByteArrayList{"Wed, 21 Oct 2026 07:28:00 GMT"} << true
                                                       << u"text: page"_qs << QList<double>{12.0} << 12.0;
        QTest::newRow("a second 429 fails")
            << QByteArrayList{"5", "7"} << true << u"failed: HTTP 429 — rate limited, try later"_qs
            << QList<double>{5.0} << 7.0;
        QTest::newRow("no retry asked") << QByteArrayList{"5"} << false
                                        << u"failed: HTTP 429 — rate limited, try later"_qs << QList<double>() << 5.0;
    }
    void rateLimited()
    {
        QFETCH(QByteArrayList, retryAfters);
        QFETCH(bool, retryOn429);
        QFETCH(QString, expected);
        QFETCH(QList<double>, pauses);
        QFETCH(double, penalty);
        std::atomic<int> answered = 0;
        LoopbackServer server([&](const httplib::Request &, httplib::Response &response) {
            const int index = answered++;
            if (index < retryAfters.size()) {
                response.status = 429;
                if (!retryAfters[index].isNull())
                    response.set_header("Retry-After", retryAfters[index].toStdString());
                return;
            }
            response.set_content("page", "text/html");
        });
        FakeWaits waits;
        const MovieLookup lookup = fakeLookup(&waits);
        QCOMPARE(fetch(lookup, server.url(u"/html/"_qs), retryOn429), expected);
        QCOMPARE(waits.pauses, pauses);
        if (expected.startsWith(u"failed"_qs))
            QVERIFY(qAbs(secondsUntilNext(lookup, waits) - penalty) < 1e-6);
    }

    void cancelledDuringThePause()
    {
        LoopbackServer server([](const httplib::Request &, httplib::Response &response) { response.status = 429; });
        FakeWaits waits;
        waits.cancelDuringPause = true;
        QCOMPARE(fetch(fakeLookup(&waits), server.url(u"/"_qs), true, std::make_shared<CancellationHandle>()),
            u"cancelled"_qs);
        QCOMPARE(server.requests().size(), 1);
    }

    void transportFailureIsANetworkError()
    {
        FakeWaits waits;
        const QString outcome = fetch(fakeLookup(&waits), LoopbackServer::refusingUrl());
        QVERIFY2(outcome.startsWith(u"failed: "_qs) && outcome.size() > 8, qPrintable(outcome));
    }

    void parseRetryAfter_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<double>("expected"); // 0 for absent
        QTest::newRow("absent") << QByteArray() << 0.0;
        QTest::newRow("fraction") << QByteArray("4.5") << 4.5;
        QTest::newRow("exponent") << QByteArray("1e1") << 10.0;
        QTest::newRow("negative") << QByteArray("-5") << 3.0;
        QTest::newRow("overflows to the cap") << QByteArray("1e999") << 60.0;
        QTest::newRow("underflows to the floor") << QByteArray("1e-999") << 3.0;
        QTest::newRow("white space around") << QByteArray(" 10") << 0.0;
        QTest::newRow("trailing unit") << QByteArray("10s") << 0.0;
        QTest::newRow("bare exponent") << QByteArray("5e") << 0.0;
    }
    void parseRetryAfter()
    {
        QFETCH(QByteArray, header);
        QFETCH(double, expected);
        QCOMPARE(tolvane::parseRetryAfter(header).value_or(0.0), expected);
    }
};

QTEST_GUILESS_MAIN(TestPageFetch)
#include "tst_pagefetch.moc"
