#include "../lookup/LookupFakes.h"

#include "clients/VKVideoAPIClient.h"
#include "lookup/ServiceHosts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <cmath>

using namespace tolvane;
using namespace tolvane::VKVideoAPIClient;
using namespace std::chrono_literals;

namespace {

const QByteArray oneVideo = R"({"response":{"catalog_videos":[{"video":{"owner_id":-1,"id":2,"title":"Брат 2"}}]}})";
/// A login answer whose token stays usable for days.
const QByteArray lastingToken = R"({"data":{"access_token":"tok","expires":4102444800}})";

/// Login requests get `loginBodies` in turn ("!" + text: no HTTP answer); the search gets
/// `searchBody` with `searchStatus` (0: no HTTP answer).
std::shared_ptr<fakes::FakeTransport> scripted(
    QList<QByteArray> loginBodies, int searchStatus = 200, QByteArray searchBody = oneVideo)
{
    auto logins = std::make_shared<qsizetype>(0);
    return std::make_shared<fakes::FakeTransport>([=](const HttpRequest &request) {
        if (request.url.host() == hosts::vkLoginHost) {
            const QByteArray body = loginBodies.value((*logins)++);
            if (body.startsWith('!'))
                throw TransportError(QString::fromUtf8(body.mid(1)));
            return fakes::ok(body);
        }
        if (searchStatus == 0)
            throw TransportError(u"The network connection was lost."_qs);
        return fakes::answer(searchStatus, searchBody);
    });
}

fakes::Outcome<QList<VideoHit>> search(const MovieLookup &lookup, const QString &query = u"Брат 2"_qs)
{
    return fakes::run(searchVideos(query, lookup));
}

qsizetype loginRequests(const fakes::FakeTransport &transport)
{
    return std::count_if(transport.requests.begin(), transport.requests.end(),
        [](const HttpRequest &request) { return request.url.host() == hosts::vkLoginHost; });
}

QJsonObject object(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

VideoHit hit(const QString &title, std::optional<qint64> duration = {})
{
    return VideoHit{title, {}, QUrl(u"https://vkvideo.ru/video1_1"_qs), duration, 1, 1};
}

/// Rounded to the microsecond, so that QCOMPARE's fuzzy double comparison is not needed.
double secondsUntilNext(const MovieLookup &lookup, const fakes::FakeWorld &world, const QString &key)
{
    const auto next = lookup.gate->nextAllowed(key);
    return next ? std::round(std::chrono::duration<double>(*next - world.now).count() * 1e6) / 1e6 : -1.0;
}

QDateTime utc(double seconds)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(seconds * 1000), Qt::UTC);
}

} // namespace

class TestVKVideo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { resetTokenCacheForTesting(); }

    void jsonIntegers_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<std::optional<qint64>>("expected");
        QTest::newRow("null") << QByteArray("null") << std::optional<qint64>();
        QTest::newRow("integral") << QByteArray("-12345") << std::optional<qint64>(-12345);
        QTest::newRow("beyond 2^53 stays exact")
            << QByteArray("9007199254740993") << std::optional<qint64>(9007199254740993);
        QTest::newRow("fraction truncates") << QByteArray("-42.9") << std::optional<qint64>(-42);
        QTest::newRow("huge number") << QByteArray("1e300") << std::optional<qint64>();
        QTest::newRow("2^63") << QByteArray("9223372036854775808") << std::optional<qint64>();
        QTest::newRow("signed string") << QByteArray(R"("+678")") << std::optional<qint64>(678);
        QTest::newRow("negative string") << QByteArray(R"("-12345")") << std::optional<qint64>(-12345);
        QTest::newRow("string max") << QByteArray(R"("9223372036854775807")")
                                    << std::optional<qint64>(std::numeric_limits<qint64>::max());
        QTest::newRow("string overflow") << QByteArray(R"("9223372036854775808")") << std::optional<qint64>();
        QTest::newRow("inner space") << QByteArray(R"("-1 2345")") << std::optional<qint64>();
        QTest::newRow("padded") << QByteArray(R"(" 7")") << std::optional<qint64>();
        QTest::newRow("sign alone") << QByteArray(R"("-")") << std::optional<qint64>();
        QTest::newRow("exponent string") << QByteArray(R"("1e3")") << std::optional<qint64>();
        QTest::newRow("arabic-indic digits") << QByteArray(R"("١٢")") << std::optional<qint64>();
        QTest::newRow("boolean") << QByteArray("true") << std::optional<qint64>();
        QTest::newRow("object") << QByteArray("{}") << std::optional<qint64>();
    }
    void jsonIntegers()
    {
        QFETCH(QByteArray, json);
        QFETCH(std::optional<qint64>, expected);
        const QJsonArray wrapped = QJsonDocument::fromJson("[" + json + "]").array();
        QCOMPARE(wrapped.size(), 1);
        QCOMPARE(jsonInteger(wrapped[0]), expected);
    }

    void formEncoding_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("cyrillic stays text") << u"q"_qs << u"Брат 2"_qs << u"q=Брат%202"_qs;
        QTest::newRow("reserved characters") << u"a&b"_qs << u"x+y=z/?#%,"_qs << u"a%26b=x%2By%3Dz%2F%3F%23%25%2C"_qs;
        QTest::newRow("unreserved marks") << u"-._~"_qs << u"Amélie²"_qs << u"-._~=Amélie²"_qs;
        QTest::newRow("emoji") << u"e"_qs << u"🎬"_qs << u"e=%F0%9F%8E%AC"_qs;
        QTest::newRow("lone surrogate") << u"s"_qs << QString(QChar(0xD800)) << u"s=%EF%BF%BD"_qs;
    }
    void formEncoding()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(formEncode({{name, value}, {u"n"_qs, u"1"_qs}}), expected + u"&n=1"_qs);
    }

    void years_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<std::optional<int>>("expected");
        QTest::newRow("in parentheses") << u"Брат 2 (2000) 1080p"_qs << std::optional<int>(2000);
        QTest::newRow("first wins") << u"Heat 1995 remaster 2017"_qs << std::optional<int>(1995);
        QTest::newRow("inside a number") << u"12000 лье"_qs << std::optional<int>();
        QTest::newRow("glued to cyrillic") << u"Матрица1999"_qs << std::optional<int>();
        QTest::newRow("other century") << u"Napoleon 1812"_qs << std::optional<int>();
    }
    void years()
    {
        QFETCH(QString, title);
        QFETCH(std::optional<int>, expected);
        QCOMPARE(yearInTitle(title), expected);
    }

    void scoring_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("title");
        QTest::addColumn<std::optional<qint64>>("duration");
        QTest::addColumn<int>("expected");
        const QString matrix = u"The Matrix"_qs;
        QTest::newRow("same title, 2 h") << matrix << u"..the MATRIX."_qs << std::optional<qint64>(7200)
                                         << 50 + 20 + 3 + 3 + 15;
        QTest::newRow("trailer") << matrix << u"The Matrix trailer"_qs << std::optional<qint64>() << 20 + 6 - 30;
        QTest::newRow("ost inside a word") << matrix << u"Matrix Ghosts"_qs << std::optional<qint64>() << 3 - 30;
        QTest::newRow("two penalties count once")
            << matrix << u"the matrix трейлер обзор"_qs << std::optional<qint64>() << 20 + 6 - 30;
        QTest::newRow("59:59") << matrix << matrix << std::optional<qint64>(3599) << 76 + 8;
        QTest::newRow("40 min") << matrix << matrix << std::optional<qint64>(2400) << 76 + 8;
        QTest::newRow("just under 40 min") << matrix << matrix << std::optional<qint64>(2399) << 76;
        QTest::newRow("10 min") << matrix << matrix << std::optional<qint64>(600) << 76;
        QTest::newRow("short clip") << matrix << matrix << std::optional<qint64>(599) << 76 - 10;
        QTest::newRow("words only") << matrix << u"Matrix, The"_qs << std::optional<qint64>() << 6;
        QTest::newRow("short words ignored") << u"It"_qs << u"it"_qs << std::optional<qint64>() << 70;
        QTest::newRow("repeated word counts twice") << u"брат брат"_qs << u"Брат"_qs << std::optional<qint64>() << 6;
    }
    void scoring()
    {
        QFETCH(QString, query);
        QFETCH(QString, title);
        QFETCH(std::optional<qint64>, duration);
        QFETCH(int, expected);
        QCOMPARE(score(hit(title, duration), query), expected);
    }

    void ranking()
    {
        QList<VideoHit> hits{hit(u"Short"_qs, 700), hit(u"No length"_qs), hit(u"Long"_qs, 800), hit(u"LONG"_qs, 900),
            hit(u"Equal"_qs, 800), hit(u"Brat trailer"_qs, 9000), hit(u"Brat"_qs, 100)};
        QStringList titles;
        for (const VideoHit &ranked : rankHits(hits, u"brat"_qs))
            titles << ranked.title;
        // Score first, then duration (none as 0), ties in their order; "Long" loses to "LONG".
        QCOMPARE(titles,
            (QStringList{u"Brat"_qs, u"Brat trailer"_qs, u"LONG"_qs, u"Equal"_qs, u"Short"_qs, u"No length"_qs}));

        QList<VideoHit> many;
        for (int i = 0; i < 60; ++i)
            many << hit(u"Film %1"_qs.arg(i));
        QCOMPARE(rankHits(many, u"film"_qs).size(), 40);
    }

    void gathering_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("expected"); // "url title duration"
        QTest::newRow("catalog with nested video") << QByteArray(
            R"({"response":{"catalog_videos":[{"video":{"owner_id":-5,"id":7,"title":" Брат (1997)\n","duration":5760}},{"owner_id":3,"video_id":4,"title":"Plain"}]}})")
                                                   << QStringList{u"https://vkvideo.ru/video-5_7 Брат (1997) 5760"_qs,
                                                          u"https://vkvideo.ru/video3_4 Plain -1"_qs};
        QTest::newRow("string owner, numeric video_id")
            << QByteArray(R"({"items":[{"owner_id":"-12345","video_id":678,"title":"A"}]})")
            << QStringList{u"https://vkvideo.ru/video-12345_678 A -1"_qs};
        QTest::newRow("owner with inner space")
            << QByteArray(R"({"items":[{"owner_id":"-1 2","id":6,"title":"A"}]})") << QStringList{};
        QTest::newRow("deep walk, unreadable id falls back")
            << QByteArray(R"({"a":[[{"b":{"video":{"owner_id":1,"id":"x","video_id":"9","title":"Deep"}}}]]})")
            << QStringList{u"https://vkvideo.ru/video1_9 Deep -1"_qs};
        QTest::newRow("later value replaces, first place kept")
            << QByteArray(R"({"catalog_videos":[{"owner_id":1,"id":1,"title":"Old"},{"owner_id":2,"id":2,"title":"B"}],
                            "z":{"owner_id":1,"id":1,"title":"New"}})")
            << QStringList{u"https://vkvideo.ru/video1_1 New -1"_qs, u"https://vkvideo.ru/video2_2 B -1"_qs};
        QTest::newRow("untitled and blank titles skipped")
            << QByteArray(R"({"catalog_videos":[{"owner_id":1,"id":1},{"owner_id":1,"id":2,"title":" \n"}]})")
            << QStringList{};
        QTest::newRow("wrong types") << QByteArray(R"({"response":{"catalog_videos":5,"items":[1,"x",null,
                                            {"owner_id":{},"id":[],"title":7},{"video":[]}]}})")
                                     << QStringList{};
    }
    void gathering()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, expected);
        const QJsonObject top = object(json);
        QVERIFY(!top.isEmpty());
        QStringList seen;
        for (const VideoHit &video : gatherHits(top))
            seen << u"%1 %2 %3"_qs.arg(video.pageURL.toString(), video.title).arg(video.duration.value_or(-1));
        QCOMPARE(seen, expected);
    }

    void expiry_data()
    {
        // {"alg":"none"} . {"exp":1900000000}
        const QString claimed = u"anonym.eyJhbGciOiJub25lIn0.eyJleHAiOjE5MDAwMDAwMDB9.sig"_qs;
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime fallback = utc(1'000'000'000 + 36000);
        QTest::newRow("data expires") << QByteArray(R"({"data":{"expires":1800000000,"expired_at":1}})") << u"t"_qs
                                      << utc(1800000000 - 14400);
        QTest::newRow("data expired_at, string expires")
            << QByteArray(R"({"data":{"expires":"1800000000","expired_at":1700000000.5}})") << u"t"_qs
            << utc(1700000000.5 - 14400);
        QTest::newRow("token claim") << QByteArray(R"({"data":{}})") << claimed << utc(1900000000 - 120);
        QTest::newRow("absurd expires falls through")
            << QByteArray(R"({"data":{"expires":1e300}})") << claimed << utc(1900000000 - 120);
        QTest::newRow("plain token") << QByteArray("{}") << u"t.eyJleHAiOjE5MDAwMDAwMDB9"_qs << fallback;
        QTest::newRow("claim not base64") << QByteArray("{}") << u"anonym.a.%%%"_qs << fallback;
        QTest::newRow("claim not a number") << QByteArray("{}") << u"anonym.eyJ9.eyJleHAiOiIxIn0"_qs << fallback;
    }
    void expiry()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, token);
        QFETCH(QDateTime, expected);
        QCOMPARE(tokenExpiry(object(answer), token, utc(1'000'000'000)), expected);
    }

    // The first login form gets no token, the second does; then the search, with the form fields
    // in order, the headers and the cookies of the right sites.
    void tokenThenSearch()
    {
        fakes::FakeWorld world;
        world.cookies = [](const QUrl &url) -> std::optional<QString> {
            if (url.host() == hosts::vkVideoWebHost)
                return u"remixvideo=1"_qs;
            if (url.host() == hosts::vkWebHost)
                return u"remixsid=2"_qs;
            return std::nullopt;
        };
        const auto transport = scripted({"{}", R"({"access_token":"tokB"})"});
        const MovieLookup lookup = fakes::fakeLookup(transport, &world);
        const auto cancellation = std::make_shared<CancellationHandle>();
        const auto outcome = fakes::run(searchVideos(u"  Брат 2\n"_qs, lookup, cancellation));
        QVERIFY(outcome.value);
        QCOMPARE(outcome.value->value(0).pageURL, QUrl(u"https://vkvideo.ru/video-1_2"_qs));
        QCOMPARE(tokenCacheForTesting().token, std::optional<QString>(u"tokB"_qs));

        const auto &sent = transport->requests;
        QCOMPARE(sent.size(), 3);
        const QUrl login(u"https://login.vk.com/?act=get_anonym_token"_qs);
        QCOMPARE(sent[0].url, login);
        QCOMPARE(sent[0].body, QByteArray("client_id=52461373"));
        QCOMPARE(sent[1].url, login);
        QCOMPARE(sent[1].body,
            QByteArray(
                "client_secret=Xh4Rk9TzQw2LmV7pJc8N&client_id=52461373&scopes=audio_anonymous%2Cvideo_anonymous%2C"
                "photos_anonymous%2Cprofile_anonymous&isApiOauthAnonymEnabled=false&version=1&app_id=6287487"));
        QCOMPARE(sent[2].url,
            QUrl(u"https://api.vkvideo.ru/method/catalog.getVideoSearchWeb2?v=5.285&client_id=52461373"_qs));
        QCOMPARE(QString::fromUtf8(sent[2].body),
            u"screen_ref=search_video_service&input_method=preset_from_link&q=Брат%202&access_token=tokB"_qs);

        const QList<HttpHeader> tokenHeaders{{"Content-Type", "application/x-www-form-urlencoded"},
            {"Origin", "https://vkvideo.ru"}, {"Referer", "https://vkvideo.ru/"}, {"Cookie", "remixsid=2"}};
        QCOMPARE(sent[0].headers, tokenHeaders);
        const QList<HttpHeader> searchHeaders{{"Content-Type", "application/x-www-form-urlencoded"}, {"Accept", "*/*"},
            {"Origin", "https://vkvideo.ru"}, {"Referer", "https://vkvideo.ru/"},
            {"User-Agent", BrowserIdentity::standard().userAgent.toUtf8()}, {"Cookie", "remixvideo=1"}};
        QCOMPARE(sent[2].headers, searchHeaders);
        for (const HttpRequest &request : sent) {
            QCOMPARE(request.method, QByteArray("POST"));
            QVERIFY(request.cancellation == cancellation);
        }
        QCOMPARE(sent[0].idleTimeout.count(), 20000);
        QCOMPARE(sent[1].idleTimeout.count(), 20000);
        QCOMPARE(sent[2].idleTimeout.count(), 25000);
        const QUrl loginRoot(u"https://login.vk.com/"_qs), vkRoot(u"https://vk.com/"_qs);
        QCOMPARE(
            world.cookieLookups, (QList<QUrl>{loginRoot, vkRoot, loginRoot, vkRoot, QUrl(u"https://vkvideo.ru/"_qs)}));

        // One gate pass per host, none slept: the second login form did not wait again.
        QVERIFY(world.now == SearchRateGate::Clock::time_point(1000s));
        QCOMPARE(secondsUntilNext(lookup, world, hosts::vkLoginHost), 1.15);
        QCOMPARE(secondsUntilNext(lookup, world, hosts::vkVideoAPIHost), 1.35);
    }

    void tokenReuse_data()
    {
        QTest::addColumn<qint64>("secondsLeft"); // after the 4 h margin
        QTest::addColumn<qsizetype>("logins");
        QTest::newRow("ten minutes left: reused") << qint64(600) << qsizetype(1);
        QTest::newRow("half a minute left: renewed") << qint64(30) << qsizetype(2);
    }
    void tokenReuse()
    {
        QFETCH(qint64, secondsLeft);
        QFETCH(qsizetype, logins);
        const qint64 expires = QDateTime::currentSecsSinceEpoch() + 14400 + secondsLeft;
        const QByteArray answer = R"({"data":{"access_token":"tok","expires":)" + QByteArray::number(expires) + "}}";
        fakes::FakeWorld world;
        const auto transport = scripted({answer, answer});
        const MovieLookup lookup = fakes::fakeLookup(transport, &world);
        QVERIFY(search(lookup).value);
        QVERIFY(search(lookup).value);
        QCOMPARE(loginRequests(*transport), logins);
        for (const HttpRequest &request : transport->requests)
            QVERIFY(!request.hasHeader("Cookie")); // the browser had none
    }

    void apiErrors_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("tokenKept");
        QTest::newRow("code 5") << 200
                                << QByteArray(R"({"error":{"error_code":5,"error_msg":"User authorization failed"}})")
                                << u"User authorization failed"_qs << false;
        QTest::newRow("token in message")
            << 200 << QByteArray(R"({"error":{"error_code":100,"error_msg":"Bad TOKEN"}})") << u"Bad TOKEN"_qs << false;
        QTest::newRow("other error") << 200 << QByteArray(R"({"error":{"error_code":6,"error_msg":"Too many"}})")
                                     << u"Too many"_qs << true;
        QTest::newRow("code as string") << 200 << QByteArray(R"({"error":{"error_code":"5"}})") << u"VK API error"_qs
                                        << true;
        QTest::newRow("error object after HTTP 500")
            << 500 << QByteArray(R"({"error":{"error_code":5}})") << u"VK Video API HTTP 500"_qs << true;
    }
    void apiErrors()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        QFETCH(bool, tokenKept);
        fakes::FakeWorld world;
        const auto outcome = search(fakes::fakeLookup(scripted({lastingToken}, status, body), &world));
        QVERIFY(outcome.error);
        QCOMPARE(outcome.error->description(), message);
        QCOMPARE(tokenCacheForTesting().token.has_value(), tokenKept);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<QByteArray>>("logins");
        QTest::addColumn<int>("searchStatus");
        QTest::addColumn<QByteArray>("searchBody");
        QTest::addColumn<QString>("expected");
        const QList<QByteArray> good{lastingToken};
        QTest::newRow("blank query") << u" \n\t"_qs << good << 200 << oneVideo << u"Empty search query"_qs;
        QTest::newRow("no token twice") << u"x"_qs << QList<QByteArray>{"{}", R"({"data":{"access_token":""}})"} << 200
                                        << oneVideo << u"VK anonym token: token missing"_qs;
        QTest::newRow("service error") << u"x"_qs << QList<QByteArray>{"!refused", R"({"error":"invalid_client"})"}
                                       << 200 << oneVideo << u"VK anonym token: invalid_client"_qs;
        QTest::newRow("no answer twice") << u"x"_qs << QList<QByteArray>{"{}", "!Connection refused"} << 200 << oneVideo
                                         << u"VK anonym token: Connection refused"_qs;
        QTest::newRow("login not JSON") << u"x"_qs << QList<QByteArray>{"{}", "<html>"} << 200 << oneVideo
                                        << u"VK anonym token: bad JSON"_qs;
        QTest::newRow("search unanswered")
            << u"x"_qs << good << 0 << QByteArray() << u"The network connection was lost."_qs;
        QTest::newRow("search not JSON") << u"x"_qs << good << 200 << QByteArray("garbage")
                                         << u"Could not parse title"_qs;
        QTest::newRow("search an array") << u"x"_qs << good << 200 << QByteArray("[1]") << u"Could not parse title"_qs;
        QTest::newRow("nothing usable") << u"x"_qs << good << 299 << QByteArray(R"({"response":{"items":[]}})")
                                        << u"No TMDB / Kinopoisk / VK Video result in search"_qs;
    }
    void failures()
    {
        QFETCH(QString, query);
        QFETCH(QList<QByteArray>, logins);
        QFETCH(int, searchStatus);
        QFETCH(QByteArray, searchBody);
        QFETCH(QString, expected);
        fakes::FakeWorld world;
        const auto transport = scripted(logins, searchStatus, searchBody);
        const auto outcome = search(fakes::fakeLookup(transport, &world), query);
        QVERIFY(outcome.error);
        QCOMPARE(outcome.error->description(), expected);
        if (query.trimmed().isEmpty())
            QVERIFY(transport->requests.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestVKVideo)
#include "tst_vkvideo.moc"
