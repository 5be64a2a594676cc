#include "FakeServices.h"

#include "settings/AppSettings.h"
#include "lookup/EngineQueries.h"
#include "lookup/ServiceHosts.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace tolvane {

namespace {

using Service = FakeServices::Service;
using Answer = FakeServices::Answer;
using Video = FakeServices::Video;
using ResultLink = FakeServices::ResultLink;

constexpr std::size_t serviceCount = std::size_t(Service::other) + 1;

/// Enough for eight held lookups, each engine's connections and a few child processes at once: a
/// kept-alive connection occupies a worker until it closes.
constexpr std::size_t workerThreads = 48;

/// Idle kept-alive connections hold the shutdown for up to this long, so it is short.
constexpr time_t keepAliveSeconds = 1;

const QByteArray jsonType = "application/json; charset=utf-8";
const QByteArray htmlType = "text/html; charset=UTF-8";
const QString vkToken = u"anonym.tolvane-fake-services"_qs;
const QString vkSearchPath = u"/method/catalog.getVideoSearchWeb2"_qs;

std::size_t slot(Service service)
{
    return std::size_t(service);
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped().replace(u'\'', u"&#39;"_qs);
}

/// The value of `name` in an application/x-www-form-urlencoded text ("+" read as a space).
QString formValue(const QByteArray &form, const QByteArray &name)
{
    const QList<QByteArray> fields = form.split('&');
    for (const QByteArray &field : fields) {
        const qsizetype equals = field.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = QByteArray::fromPercentEncoding(field.left(equals).replace('+', ' '));
        if (key == name)
            return QString::fromUtf8(QByteArray::fromPercentEncoding(field.mid(equals + 1).replace('+', ' ')));
    }
    return {};
}

/// One result as the HTML search lays it out: title link, display address and snippet, all three
/// through the same redirect.
QString resultBlock(const FakeServices::ResultLink &link)
{
    const QUrl target(link.url);
    const QString rut
        = QString::fromLatin1(QCryptographicHash::hash(link.url.toUtf8(), QCryptographicHash::Sha256).toHex());
    const QString href = u"//duckduckgo.com/l/?uddg="_qs + QString::fromLatin1(QUrl::toPercentEncoding(link.url))
        + u"&amp;rut="_qs + rut;
    return QStringLiteral(R"(
<div class="result results_links results_links_deep web-result "><div class="links_main links_deep result__body">
  <h2 class="result__title"><a rel="nofollow" class="result__a" href="%1">%2</a></h2>
  <div class="result__extras"><div class="result__extras__url"><a class="result__url" href="%1">%3</a></div></div>
  <a class="result__snippet" href="%1"><b>%2</b> on %3</a>
</div></div>
)")
        .arg(href, escaped(link.text), escaped(target.host() + target.path()));
}

Answer videoToken()
{
    const qint64 expiry = QDateTime::currentSecsSinceEpoch() + 24 * 3600;
    const QJsonObject data{{u"access_token"_qs, vkToken}, {u"expired_at"_qs, expiry}};
    return {200, jsonType, compact({{u"type"_qs, u"okay"_qs}, {u"data"_qs, data}})};
}

Answer vkHits(const QList<Video> &videos)
{
    QJsonArray entries;
    for (const Video &video : videos) {
        QJsonObject fields{{u"owner_id"_qs, video.ownerID}, {u"id"_qs, video.videoID}, {u"title"_qs, video.title}};
        if (video.duration)
            fields.insert(u"duration"_qs, *video.duration);
        entries.append(QJsonObject{{u"video"_qs, fields}});
    }
    const QJsonObject response{{u"catalog_videos"_qs, entries}};
    return {200, jsonType, compact({{u"response"_qs, response}})};
}

Answer duckDuckGoPage(const QString &q, const QList<ResultLink> &links)
{
    QString results;
    for (const ResultLink &link : links)
        results += resultBlock(link);
    if (links.isEmpty())
        results = QStringLiteral(R"(        <div class="no-results">No results.</div>)");
    const QString page = QStringLiteral(R"(<!DOCTYPE html>
<html><head><meta http-equiv="content-type" content="text/html; charset=UTF-8" /><title>%1 at DuckDuckGo</title></head>
<body class="body--html"><form name="x" class="header__form" action="/html/" method="post">
  <input name="q" autocomplete="off" class="search__input" type="text" value="%1" /></form>
<div class="serp__results"><div id="links" class="results">%2</div></div>
</body></html>
)")
                             .arg(escaped(q), results);
    return {200, htmlType, page.toUtf8()};
}

Answer notFound()
{
    return {404, htmlType, "<html><body><h1>Not Found</h1></body></html>"};
}

QString aiScriptKey(const QString &input)
{
    const QStringList lines = input.split(u'\n');
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("stem:")))
            return line.mid(5).trimmed();
    }
    return input.trimmed();
}

QString duckDuckGoText(const QString &rowQuery)
{
    const std::optional<EngineQueries> queries = buildEngineQueries(rowQuery, std::nullopt);
    return queries ? queries->duckDuckGoQuery : rowQuery.trimmed();
}

Answer builtInAnswer(Service service, const QString &key)
{
    switch (service) {
    case Service::ai:
        return FakeServices::aiHttpError(500, u"no answer scripted for this input"_qs);
    case Service::vkLogin:
        return videoToken();
    case Service::vkSearch:
        return vkHits({});
    case Service::duckDuckGo:
        return duckDuckGoPage(key, {});
    case Service::page:
    case Service::other:
        break;
    }
    return notFound();
}

} // namespace

struct FakeServices::Impl {
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> listenEnded{false};
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable changed; // a hold was released, or the server is stopping
    bool stopping = false;
    std::array<bool, serviceCount> held{};
    std::array<QHash<QString, Answer>, serviceCount> scripts;
    std::array<int, serviceCount> inFlight{};
    QList<Received> received;

    void handle(const httplib::Request &request, httplib::Response &response);
    /// Called with the mutex held.
    Answer answerFor(const Received &seen, const QByteArray &body) const;
};

namespace {

/// The service a request is for and the key its scripts go by; `body` is the request's body.
FakeServices::Received describe(const httplib::Request &request, QByteArray *body)
{
    static const QUrl aiEndpoint(AppSettings::defaultYandexEndpoint);

    FakeServices::Received seen;
    seen.at = std::chrono::steady_clock::now();
    const QString fullPath = QString::fromStdString(request.path);
    const qsizetype slash = fullPath.indexOf(u'/', 1);
    const QString host = fullPath.mid(1, slash < 0 ? -1 : slash - 1);
    const QString path = slash < 0 ? u"/"_qs : fullPath.mid(slash);
    QByteArray query;
    const auto question = request.target.find('?');
    if (question != std::string::npos)
        query = QByteArray::fromStdString(request.target.substr(question + 1));
    *body = QByteArray::fromStdString(request.body);

    const bool post = request.method == "POST";
    if (post && host == aiEndpoint.host() && path == aiEndpoint.path()) {
        seen.service = Service::ai;
        seen.key = aiScriptKey(QJsonDocument::fromJson(*body).object().value(QLatin1String("input")).toString());
    } else if (post && host == hosts::vkLoginHost) {
        seen.service = Service::vkLogin;
    } else if (post && host == hosts::vkVideoAPIHost && path == vkSearchPath) {
        seen.service = Service::vkSearch;
        seen.key = formValue(*body, "q").trimmed();
    } else if (host == hosts::duckDuckGoHTMLHost && path == QLatin1String("/html/")) {
        seen.service = Service::duckDuckGo;
        seen.key = formValue(post ? *body : query, "q").trimmed();
    } else if (request.method == "GET") {
        seen.service = Service::page;
        seen.key = host + path;
    }
    return seen;
}

} // namespace

Answer FakeServices::Impl::answerFor(const Received &seen, const QByteArray &body) const
{
    const std::size_t index = slot(seen.service);
    // The search takes only the token the login handed out, as the real API rejects others.
    if (seen.service == Service::vkSearch && formValue(body, "access_token") != vkToken)
        return {200, jsonType, compact({{u"error"_qs, QJsonObject{{u"error_code"_qs, 5},
                                            {u"error_msg"_qs, u"User authorization failed: invalid access_token (4)."_qs}}}})};
    const auto scripted = scripts[index].constFind(seen.key);
    return scripted != scripts[index].constEnd() ? *scripted : builtInAnswer(seen.service, seen.key);
}

void FakeServices::Impl::handle(const httplib::Request &request, httplib::Response &response)
{
    QByteArray body;
    const Received seen = describe(request, &body);
    const std::size_t index = slot(seen.service);
    Answer answer;
    {
        std::unique_lock lock(mutex);
        received.append(seen);
        ++inFlight[index];
        changed.wait(lock, [&] { return stopping || !held[index]; });
        // Chosen after the hold, so a test may script while requests wait.
        answer = answerFor(seen, body);
        --inFlight[index];
        if (stopping)
            answer = Answer{503, "text/plain", "stopping"};
    }
    response.status = answer.status;
    response.set_content(answer.body.toStdString(), answer.contentType.toStdString());
}

FakeServices::FakeServices()
    : m_impl(std::make_unique<Impl>())
{
    Impl *impl = m_impl.get();
    impl->server.new_task_queue = [] { return new httplib::ThreadPool(workerThreads); };
    impl->server.set_keep_alive_timeout(keepAliveSeconds);
    // Without it, a reply written in two parts waits out the client's delayed ACK: 40 ms a request.
    impl->server.set_tcp_nodelay(true);
    const auto route
        = [impl](const httplib::Request &request, httplib::Response &response) { impl->handle(request, response); };
    impl->server.Get(".*", route);
    impl->server.Post(".*", route);
    impl->port = impl->server.bind_to_any_port("127.0.0.1");
    if (impl->port <= 0)
        throw std::runtime_error("FakeServices: no port free on 127.0.0.1");
    impl->thread = std::thread([impl] {
        impl->server.listen_after_bind();
        impl->listenEnded = true;
    });
    // stop() only reaches a server whose loop runs, so wait for it before handing the server out.
    while (!impl->server.is_running() && !impl->listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!impl->server.is_running()) {
        impl->thread.join();
        throw std::runtime_error("FakeServices: the server did not start");
    }
}

FakeServices::~FakeServices()
{
    {
        const std::lock_guard lock(m_impl->mutex);
        m_impl->stopping = true;
    }
    m_impl->changed.notify_all();
    m_impl->server.stop();
    m_impl->thread.join();
}

QString FakeServices::origin() const
{
    return u"http://127.0.0.1:%1"_qs.arg(m_impl->port);
}

Answer FakeServices::aiText(const QString &text)
{
    const QJsonObject part{{u"type"_qs, u"output_text"_qs}, {u"text"_qs, text}, {u"annotations"_qs, QJsonArray()}};
    const QJsonObject message{{u"type"_qs, u"message"_qs}, {u"id"_qs, u"msg_fake"_qs}, {u"status"_qs, u"completed"_qs},
        {u"role"_qs, u"assistant"_qs}, {u"content"_qs, QJsonArray{part}}};
    const QJsonObject response{{u"id"_qs, u"resp_fake"_qs}, {u"object"_qs, u"response"_qs},
        {u"status"_qs, u"completed"_qs}, {u"output"_qs, QJsonArray{message}}};
    return {200, jsonType, compact(response)};
}

Answer FakeServices::aiMovie(const QString &title, std::optional<int> year, const QStringList &altTitles)
{
    const QJsonObject movie{{u"title"_qs, title}, {u"year"_qs, year ? QJsonValue(*year) : QJsonValue()},
        {u"confidence"_qs, 0.9}, {u"notes"_qs, QJsonValue()}, {u"alt_titles"_qs, QJsonArray::fromStringList(altTitles)}};
    return aiText(QString::fromUtf8(compact(movie)));
}

Answer FakeServices::aiHttpError(int status, const QString &message)
{
    const QJsonObject error{{u"code"_qs, status}, {u"message"_qs, message}};
    return {status, jsonType, compact({{u"error"_qs, error}})};
}

void FakeServices::script(Service service, const QString &key, const Answer &answer)
{
    const std::lock_guard lock(m_impl->mutex);
    m_impl->scripts[slot(service)].insert(key.trimmed(), answer);
}

void FakeServices::scriptAI(const QString &stem, const Answer &answer)
{
    script(Service::ai, stem, answer);
}

void FakeServices::scriptVK(const QString &query, const QList<Video> &videos)
{
    script(Service::vkSearch, query, vkHits(videos));
}

void FakeServices::scriptDuckDuckGoRow(const QString &rowQuery, const QList<ResultLink> &links)
{
    const QString q = duckDuckGoText(rowQuery);
    script(Service::duckDuckGo, q, duckDuckGoPage(q, links));
}

void FakeServices::hold(Service service)
{
    const std::lock_guard lock(m_impl->mutex);
    m_impl->held[slot(service)] = true;
}

void FakeServices::release(Service service)
{
    {
        const std::lock_guard lock(m_impl->mutex);
        m_impl->held[slot(service)] = false;
    }
    m_impl->changed.notify_all();
}

QList<FakeServices::Received> FakeServices::received(Service service) const
{
    QList<Received> all;
    {
        const std::lock_guard lock(m_impl->mutex);
        all = m_impl->received;
    }
    all.removeIf([service](const Received &seen) { return seen.service != service; });
    return all;
}

int FakeServices::inFlight(Service service) const
{
    const std::lock_guard lock(m_impl->mutex);
    return m_impl->inFlight[slot(service)];
}

} // namespace tolvane
