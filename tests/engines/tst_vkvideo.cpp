#include "../lookup/LookupFakes.h"

#include "engines/vkvideo/VKVideoAPIClient.h"
#include "lookup/ServiceHosts.h"
#include "core/Json.h"

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

VideoHit hit(const QString &title, std::optional<qint64> duration = {}) { return {title, {}, {}, duration, 1, 1}; }

} // namespace

class TestVKVideo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { resetTokenCacheForTesting(); }

    void conversions()
    {
        QCOMPARE(formEncode({{u"a&b"_qs, u"x+y=z/?#%,"_qs}, {u"-._~"_qs, u"Amélie²"_qs}, {u"e"_qs, u"🎬"_qs},
                     {u"s"_qs, QString(QChar(0xD800))}}),
            u"a%26b=x%2By%3Dz%2F%3F%23%25%2C&-._~=Amélie²&e=%F0%9F%8E%AC&s=%EF%BF%BD"_qs);

        QList<int> years; // 0: none
        for (const QString &title : {u"Брат 2 (2000) 1080p"_qs, u"Heat 1995 remaster 2017"_qs, u"12000 лье"_qs,
                 u"Матрица1999"_qs, u"Napoleon 1812"_qs})
            years << yearInTitle(title).value_or(0);
        QCOMPARE(years, (QList<int>{2000, 1995, 0, 0, 0}));
    }

    void scoring()
    {
        const QString m = u"The Matrix"_qs;
        const QList<std::tuple<QString, QString, std::optional<qint64>, int>> cases{
            {m, u"..the MATRIX."_qs, 7200, 50 + 20 + 6 + 15}, {m, u"The Matrix trailer"_qs, {}, 20 + 6 - 30},
            {m, u"Matrix Ghosts"_qs, {}, 3 - 30}, // "ost" inside a word
            {m, u"the matrix трейлер обзор"_qs, {}, 20 + 6 - 30}, // two penalties count once
            {m, m, 3599, 76 + 8}, {m, m, 2400, 76 + 8}, {m, m, 2399, 76}, {m, m, 600, 76}, {m, m, 599, 76 - 10},
            {m, u"Matrix, The"_qs, {}, 6}, {u"It"_qs, u"it"_qs, {}, 70}, // short words ignored
            {u"брат брат"_qs, u"Брат"_qs, {}, 6}}; // a repeated word counts twice
        QStringList seen, wanted;
        for (const auto &[query, title, duration, expected] : cases) {
            const QString row = u"%1 / %2 / %3: "_qs.arg(query, title).arg(duration.value_or(-1));
            seen << row + QString::number(score(hit(title, duration), query));
            wanted << row + QString::number(expected);
        }
        QCOMPARE(seen, wanted);
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

    // Each video once, by owner and number, at the place its key was first met; "url title duration".
    void gathering()
    {
        const auto gathered = [](const QByteArray &json) {
            const QJsonObject top = QJsonDocument::fromJson(json).object();
            QStringList seen;
            for (const VideoHit &video : gatherHits(top))
                seen << u"%1 %2 %3"_qs.arg(video.pageURL.toString(), video.title).arg(video.duration.value_or(-1));
            return top.isEmpty() ? QStringList{u"not an object"_qs} : seen;
        };
        QCOMPARE(gathered(R"({"response":{"catalog_videos":[{"video":{"owner_id":-5,"id":7,"title":" Брат (1997)\n",)"
                          R"("duration":5760}},{"owner_id":3,"video_id":4,"title":"Plain"}]}})"),
            (QStringList{
                u"https://vkvideo.ru/video-5_7 Брат (1997) 5760"_qs, u"https://vkvideo.ru/video3_4 Plain -1"_qs}));
        QCOMPARE(gathered(R"({"items":[{"owner_id":"-12345","video_id":678,"title":"A"},)"
                          R"({"owner_id":"-1 2","id":6,"title":"B"}]})"),
            QStringList{u"https://vkvideo.ru/video-12345_678 A -1"_qs});
        // A deep walk; an unreadable id falls back to video_id.
        QCOMPARE(gathered(R"({"a":[[{"b":{"video":{"owner_id":1,"id":"x","video_id":"9","title":"Deep"}}}]]})"),
            QStringList{u"https://vkvideo.ru/video1_9 Deep -1"_qs});
        QCOMPARE(
            gathered(R"({"catalog_videos":[{"owner_id":1,"id":1,"title":"Old"},{"owner_id":2,"id":2,"title":"B"}],)"
                     R"("z":{"owner_id":1,"id":1,"title":"New"}})"),
            (QStringList{u"https://vkvideo.ru/video1_1 New -1"_qs, u"https://vkvideo.ru/video2_2 B -1"_qs}));
        // Untitled and blank titles, then values of the wrong types.
        QCOMPARE(gathered(R"({"catalog_videos":[{"owner_id":1,"id":1},{"owner_id":1,"id":2,"title":" \n"}]})")
                + gathered(R"({"response":{"catalog_videos":5,"items":[1,"x",null,)"
                           R"({"owner_id":{},"id":[],"title":7},{"video":[]}]}})"),
            QStringList());
    }

    // The login answer's stated expiry (4 h margin), else the token's own claim (2 min), else 10 h.
    void expiry()
    {
        const auto utc = [](double seconds) { return QDateTime::fromMSecsSinceEpoch(qint64(seconds * 1000), Qt::UTC); };
        const auto expiry = [&](const QByteArray &answer, const QString &token) {
            return tokenExpiry(QJsonDocument::fromJson(answer).object(), token, utc(1'000'000'000));
        };
        // {"alg":"none"} . {"exp":1900000000}
        const QString claimed = u"anonym.eyJhbGciOiJub25lIn0.eyJleHAiOjE5MDAwMDAwMDB9.sig"_qs;
        QCOMPARE(expiry(R"({"data":{"expires":1800000000,"expired_at":1}})", u"t"_qs), utc(1800000000 - 14400));
        QCOMPARE(expiry(R"({"data":{"expires":"1800000000","expired_at":1700000000.5}})", u"t"_qs),
            utc(1700000000.5 - 14400));
        QCOMPARE(expiry(R"({"data":{}})", claimed), utc(1900000000 - 120));
        QCOMPARE(expiry(R"({"data":{"expires":1e300}})", claimed), utc(1900000000 - 120));
        QCOMPARE(expiry("{}", u"t.eyJleHAiOjE5MDAwMDAwMDB9"_qs), utc(1'000'000'000 + 36000));
    }

    // The first login form gets no token, the second does; then the search, with the form fields
    // in order, the headers and the cookies of the right sites.
    void tokenThenSearch()
    {
        fakes::FakeWorld world;
        world.cookies = [](const QUrl &url) -> std::optional<QString> {
            if (url.host() == hosts::vkVideoWebHost)
                return u"remixvideo=1"_qs;
            return url.host() == hosts::vkWebHost ? std::optional(u"remixsid=2"_qs) : std::nullopt;
        };
        const auto transport = scripted({"{}", R"({"access_token":"tokB"})"});
        const MovieLookup lookup = fakes::fakeLookup(transport, &world);
        const auto blank = fakes::run(searchVideos(u" \n\t"_qs, lookup));
        QVERIFY(blank.error && transport->requests.isEmpty()); // a blank query sends nothing
        QCOMPARE(blank.error->description(), u"Empty search query"_qs);
        const auto cancellation = std::make_shared<CancellationHandle>();
        const auto outcome = fakes::run(searchVideos(u"  Брат 2\n"_qs, lookup, cancellation));
        QVERIFY(outcome.value);
        QCOMPARE(outcome.value->size(), 1);
        QCOMPARE(tokenCacheForTesting().token, std::optional<QString>(u"tokB"_qs));

        const auto &sent = transport->requests;
        QStringList shapes; // method, URL, idle timeout, body (of a login form its first field)
        for (const HttpRequest &request : sent) {
            const QString body = QString::fromUtf8(request.body);
            shapes << u"%1 %2 %3 "_qs.arg(QString::fromUtf8(request.method), request.url.toString())
                          .arg(request.idleTimeout.count())
                    + (request.url.host() == hosts::vkLoginHost ? body.section(u'&', 0, 0) : body);
            QVERIFY(request.cancellation == cancellation);
        }
        const QString login = u"POST https://login.vk.com/?act=get_anonym_token 20000 "_qs;
        QCOMPARE(shapes,
            (QStringList{login + u"client_id=52461373"_qs, login + u"client_secret=Xh4Rk9TzQw2LmV7pJc8N"_qs,
                u"POST https://api.vkvideo.ru/method/catalog.getVideoSearchWeb2?v=5.285&client_id=52461373 25000 "
                u"screen_ref=search_video_service&input_method=preset_from_link&q=Брат%202&access_token=tokB"_qs}));
        // Each request carries the browser's cookies of its own site.
        QCOMPARE(sent[0].header("Cookie") + ' ' + sent[2].header("Cookie"), QByteArray("remixsid=2 remixvideo=1"));

        // One gate pass per host, none slept: the second login form did not wait again.
        const auto secondsUntilNext = [&](const QString &host) { // to the microsecond: no fuzzy compare
            const auto next = lookup.gate->nextAllowed(host);
            return next ? std::round(std::chrono::duration<double>(*next - world.now).count() * 1e6) / 1e6 : -1.0;
        };
        QVERIFY(world.now == SearchRateGate::Clock::time_point(1000s));
        QCOMPARE(secondsUntilNext(hosts::vkLoginHost), 1.15);
        QCOMPARE(secondsUntilNext(hosts::vkVideoAPIHost), 1.35);
    }

    // A token is reused only while it has more than a minute left after its 4 h margin.
    void tokenReuse()
    {
        for (const auto &[secondsLeft, logins] : {std::pair(600, 1), std::pair(30, 2)}) {
            resetTokenCacheForTesting();
            const qint64 expires = QDateTime::currentSecsSinceEpoch() + 14400 + secondsLeft;
            const QByteArray answer
                = R"({"data":{"access_token":"tok","expires":)" + QByteArray::number(expires) + "}}";
            fakes::FakeWorld world;
            const auto transport = scripted({answer, answer});
            const MovieLookup lookup = fakes::fakeLookup(transport, &world);
            QVERIFY(fakes::run(searchVideos(u"Брат 2"_qs, lookup)).value);
            QVERIFY(fakes::run(searchVideos(u"Брат 2"_qs, lookup)).value);
            QCOMPARE(transport->requests.size(), 2 + logins);
            for (const HttpRequest &request : transport->requests)
                QVERIFY(!request.hasHeader("Cookie")); // the browser had none
        }
    }

    // Login failures report the last reason; an API error drops the token only when it names it.
    void failures_data()
    {
        QTest::addColumn<QList<QByteArray>>("logins");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("tokenKept");
        const auto row = [](const char *name, const QByteArray &body, const QString &expected, bool kept = true,
                             int status = 200, const QList<QByteArray> &logins = {lastingToken}) {
            QTest::newRow(name) << logins << status << body << expected << kept;
        };
        row("code 5", R"({"error":{"error_code":5,"error_msg":"User authorization failed"}})",
            u"User authorization failed"_qs, false);
        row("token in message", R"({"error":{"error_code":100,"error_msg":"Bad TOKEN"}})", u"Bad TOKEN"_qs, false);
        row("other error", R"({"error":{"error_code":6,"error_msg":"Too many"}})", u"Too many"_qs);
        row("code as string", R"({"error":{"error_code":"5"}})", u"VK API error"_qs);
        row("error object after HTTP 500", R"({"error":{"error_code":5}})", u"VK Video API HTTP 500"_qs, true, 500);
        const QString noToken = u"VK anonym token: "_qs;
        row("no token twice", oneVideo, noToken + u"token missing"_qs, false, 200,
            {"{}", R"({"data":{"access_token":""}})"});
        row("service error", oneVideo, noToken + u"invalid_client"_qs, false, 200,
            {"!refused", R"({"error":"invalid_client"})"});
        row("no answer twice", oneVideo, noToken + u"Connection refused"_qs, false, 200, {"{}", "!Connection refused"});
        row("login not JSON", oneVideo, noToken + u"bad JSON"_qs, false, 200, {"{}", "<html>"});
        row("search unanswered", {}, u"The network connection was lost."_qs, true, 0);
        row("search not JSON", "garbage", u"Could not parse title"_qs);
        row("nothing usable", R"({"response":{"items":[]}})", u"No TMDB / Kinopoisk / VK Video result in search"_qs,
            true, 299);
    }
    void failures()
    {
        QFETCH(QList<QByteArray>, logins);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        fakes::FakeWorld world;
        const auto transport = scripted(logins, status, body);
        const auto outcome = fakes::run(searchVideos(u"x"_qs, fakes::fakeLookup(transport, &world)));
        QVERIFY(outcome.error);
        QTEST(outcome.error->description(), "expected");
        QTEST(tokenCacheForTesting().token.has_value(), "tokenKept");
    }
};

QTEST_GUILESS_MAIN(TestVKVideo)
#include "tst_vkvideo.moc"