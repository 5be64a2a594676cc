#include "net/HttpTransport.h"

#include "net/BodyDecoding.h"

#include <QCoroNetworkReply>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QTimer>

namespace tolvane {

namespace {

constexpr int maximumRedirects = 20; // as browsers allow

// Functions, not namespace-scope texts: those would be built before any translator is installed.
QString timedOutMessage()
{
    return TransportError::tr("The request timed out.");
}

QString cancelledMessage()
{
    return TransportError::tr("The request was cancelled.");
}

bool hasLineBreak(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

/// Watches one reply and aborts it on an idle or whole-transfer time-out, a cancellation or an
/// oversized body, remembering why. A child of the reply, so it lives exactly as long.
class ReplyWatch : public QObject {
public:
    enum class Reason { none, timedOut, cancelled, tooLarge };

    ReplyWatch(QNetworkReply *reply, std::chrono::milliseconds idleTimeout, const QDeadlineTimer &deadline,
        const std::shared_ptr<CancellationHandle> &cancellation)
        : QObject(reply)
        , m_reply(reply)
    {
        for (QTimer *timer : {&m_idle, &m_total}) {
            timer->setSingleShot(true);
            connect(timer, &QTimer::timeout, this, [this] { stop(Reason::timedOut); });
        }
        m_idle.start(idleTimeout);
        m_total.start(std::max<qint64>(0, deadline.remainingTime()));

        const auto activity = [this] {
            if (m_idle.isActive())
                m_idle.start();
        };
        connect(reply, &QNetworkReply::metaDataChanged, this, activity);
        connect(reply, &QNetworkReply::uploadProgress, this, activity);
        connect(reply, &QNetworkReply::downloadProgress, this, [this, activity](qint64 received, qint64) {
            activity();
            if (received > maximumDecodedBodySize)
                stop(Reason::tooLarge);
        });
        connect(reply, &QNetworkReply::finished, this, [this] {
            m_idle.stop();
            m_total.stop();
        });
        if (cancellation) {
            // Queued: the awaiting code resumes from the event loop, never inside cancel()'s caller.
            connect(
                cancellation.get(), &CancellationHandle::cancelled, this, [this] { stop(Reason::cancelled); },
                Qt::QueuedConnection);
        }
    }

    Reason reason() const { return m_reason; }

private:
    void stop(Reason reason)
    {
        if (m_reason != Reason::none || m_reply->isFinished())
            return;
        m_reason = reason;
        m_reply->abort();
    }

    QNetworkReply *m_reply;
    QTimer m_idle;
    QTimer m_total;
    Reason m_reason = Reason::none;
};

/// Qt reports HTTP error statuses as reply errors too; those are responses, not transport failures.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool sameOrigin(const QUrl &a, const QUrl &b)
{
    return a.scheme() == b.scheme() && a.host() == b.host() && a.port() == b.port();
}

QSet<QByteArray> cookieNames(const QByteArray &cookieHeader)
{
    QSet<QByteArray> names;
    for (const QByteArray &pair : cookieHeader.split(';'))
        names.insert(pair.left(pair.indexOf('=')).trimmed());
    return names;
}

/// Turns `request` into the request that follows a redirect with `status` to `target`.
void followRedirect(HttpRequest &request, int status, const QUrl &from, const QUrl &target)
{
    // As browsers do: 303 always, and 301/302 after a POST, continue as a GET without a body.
    const bool becomesGet
        = (status == 303 && request.method != "HEAD") || ((status == 301 || status == 302) && request.method == "POST");
    if (becomesGet) {
        request.method = "GET";
        request.body.clear();
        request.removeHeader("Content-Type");
        request.removeHeader("Content-Length");
    }
    // Credentials meant for one service must not follow a redirect to another.
    if (!sameOrigin(from, target)) {
        request.removeHeader("Authorization");
        request.removeHeader("Cookie");
    }
    request.url = target;
}

} // namespace

HttpTransport::HttpTransport(QUrl testOrigin)
    : m_testOrigin(std::move(testOrigin))
    , m_manager(std::make_unique<QNetworkAccessManager>())
{
    // No cache and no credential store are set on the manager, so nothing reaches the disk. Qt opens
    // at most six HTTP/1.1 connections per host and port, the limit the lookups are meant to share.
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

HttpTransport::~HttpTransport() = default;

const std::shared_ptr<HttpTransport> &HttpTransport::shared()
{
    // Never destroyed: requests may still be settling while the application object goes away.
    static const auto *transport = new std::shared_ptr<HttpTransport>(std::make_shared<HttpTransport>());
    return *transport;
}

void HttpTransport::addCookieHeader(QNetworkRequest &request, const HttpRequest &source, const QUrl &url)
{
    // The jar is keyed by the address as requested, so the test rewrite does not mix services' cookies.
    QByteArray header = source.header("Cookie");
    const QSet<QByteArray> given = cookieNames(header);
    for (const QNetworkCookie &cookie : m_cookieJar.cookiesForUrl(url)) {
        if (given.contains(cookie.name()))
            continue; // a cookie the caller set itself wins
        if (!header.isEmpty())
            header += "; ";
        header += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
    }
    if (!header.isEmpty())
        request.setRawHeader("Cookie", header);
}

QNetworkReply *HttpTransport::start(const HttpRequest &source, const QUrl &url)
{
    QNetworkRequest request(rewrittenForTestServices(url, m_testOrigin));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Cookies and redirects are handled here, against the address as requested.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // HTTP/1.1 only: the browser headers include "Connection", which HTTP/2 forbids.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setTransferTimeout(0); // our own timers tell a time-out from a cancellation

    for (const auto &[name, value] : source.headers) {
        if (!sameHeaderName(name, "Cookie"))
            request.setRawHeader(name, value);
    }
    // Setting Accept-Encoding ourselves turns off Qt's own decoding; BodyDecoding takes over.
    for (const auto &[name, value] : defaultSessionHeaders()) {
        if (!source.hasHeader(name))
            request.setRawHeader(name, value);
    }
    addCookieHeader(request, source, url);

    return m_manager->sendCustomRequest(request, source.method, source.body);
}

QCoro::Task<HttpResponse> HttpTransport::send(HttpRequest request)
{
    // A line break in a value (a pasted API key, say) would start a header of its own.
    for (const auto &[name, value] : request.headers) {
        if (hasLineBreak(name) || hasLineBreak(value))
            throw TransportError(TransportError::tr("A request header holds a line break."));
    }
    const QDeadlineTimer deadline(request.totalTimeout);
    for (int redirects = 0;; ++redirects) {
        if (request.cancellation && request.cancellation->isCancelled())
            throw TransportError(cancelledMessage());
        QNetworkReply *reply = start(request, request.url);
        const auto *watch = new ReplyWatch(reply, request.idleTimeout, deadline, request.cancellation);
        co_await reply;
        reply->deleteLater();

        switch (watch->reason()) {
        case ReplyWatch::Reason::timedOut:
            throw TransportError(timedOutMessage());
        case ReplyWatch::Reason::cancelled:
            throw TransportError(cancelledMessage());
        case ReplyWatch::Reason::tooLarge:
            throw TransportError(TransportError::tr("The response is too large."));
        case ReplyWatch::Reason::none:
            break;
        }
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid() || (reply->error() != QNetworkReply::NoError && !isHttpStatusError(reply->error())))
            throw TransportError(reply->errorString());

        HttpResponse response;
        response.status = status.toInt();
        response.url = request.url;
        response.headers = reply->rawHeaderPairs();
        const QByteArray setCookie = reply->rawHeader("Set-Cookie");
        if (!setCookie.isEmpty())
            m_cookieJar.setCookiesFromUrl(QNetworkCookie::parseCookies(setCookie), request.url);

        const QByteArray location = reply->rawHeader("Location");
        if (isRedirect(response.status) && !location.isEmpty()) {
            const QUrl target = request.url.resolved(QUrl::fromEncoded(location));
            if (target.scheme() != QLatin1String("https") && target.scheme() != QLatin1String("http"))
                throw TransportError(TransportError::tr("The server redirected to an unsupported address."));
            if (redirects == maximumRedirects)
                throw TransportError(TransportError::tr("The server redirected too many times."));
            followRedirect(request, response.status, request.url, target);
            continue;
        }

        QString error;
        std::optional<QByteArray> body
            = decodeContentEncoding(reply->readAll(), reply->rawHeader("Content-Encoding"), &error);
        if (!body)
            throw TransportError(error);
        response.body = std::move(*body);
        co_return response;
    }
}

} // namespace tolvane
