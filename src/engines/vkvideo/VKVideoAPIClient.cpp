#include "engines/vkvideo/VKVideoAPIClient.h"

#include "core/Json.h"
#include "core/Text.h"
#include "lookup/LookupError.h"
#include "lookup/ServiceHosts.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSet>
#include <QUrlQuery>

#include <algorithm>
#include <cmath>

namespace tolvane::VKVideoAPIClient {

namespace {

using Form = QList<std::pair<QString, QString>>;

const QString apiVersion = QStringLiteral("5.285");
const QString webClientID = QStringLiteral("52461373");

constexpr std::chrono::seconds searchTimeout{25};
constexpr std::chrono::seconds tokenTimeout{20};
constexpr double searchInterval = 1.2;
constexpr double loginInterval = 1.0;

/// A token is reused only while it has more than this left.
constexpr qint64 tokenReuseMarginSeconds = 60;
/// Expiry moments the login answer states are cut short by this, the token's own claim by less.
constexpr qint64 statedExpiryMarginSeconds = 4 * 3600;
constexpr qint64 claimedExpiryMarginSeconds = 120;
constexpr qint64 defaultTokenLifeSeconds = 10 * 3600;
/// Expiry moments beyond about ±30 000 years are nonsense, and would overflow the date arithmetic.
constexpr double latestSensibleSeconds = 1e12;

QDateTime distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

// The cache lives on the main thread; every lookup runs there, so no lock.
TokenCache &tokenCache()
{
    static TokenCache cache{std::nullopt, distantPast()};
    return cache;
}

void invalidateTokenCache()
{
    tokenCache() = TokenCache{std::nullopt, distantPast()};
}

bool isAllowedInForm(char32_t codePoint)
{
    switch (QChar::category(codePoint)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return codePoint == U'-' || codePoint == U'.' || codePoint == U'_' || codePoint == U'~';
    }
}

QString percentEncoded(const QString &part)
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    QString encoded;
    encoded.reserve(part.size());
    for (qsizetype i = 0; i < part.size(); ++i) {
        char32_t codePoint = part[i].unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(codePoint) && i + 1 < part.size() && part[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(part[i], part[i + 1]);
            units = 2;
        } else if (QChar::isSurrogate(codePoint)) {
            // A lone half of a pair has no UTF-8 form; send the replacement character for it.
            codePoint = QChar::ReplacementCharacter;
        }
        if (isAllowedInForm(codePoint)) {
            encoded.append(QStringView(part).mid(i, units));
        } else {
            const QByteArray bytes = QString::fromUcs4(&codePoint, 1).toUtf8();
            for (const char byte : bytes) {
                const auto value = static_cast<unsigned char>(byte);
                encoded.append(QLatin1Char('%'));
                encoded.append(QLatin1Char(hexDigits[value >> 4]));
                encoded.append(QLatin1Char(hexDigits[value & 0xF]));
            }
        }
        i += units - 1;
    }
    return encoded;
}

std::optional<qint64> videoNumberOf(const QJsonObject &video)
{
    if (const std::optional<qint64> id = jsonInteger(video.value(QLatin1String("id"))))
        return id;
    return jsonInteger(video.value(QLatin1String("video_id")));
}

/// Videos by owner and video number, in the order each key was first met: equal-scoring hits then
/// rank the same on every run.
class VideoMap {
public:
    void insert(const QJsonObject &video)
    {
        const std::optional<qint64> owner = jsonInteger(video.value(QLatin1String("owner_id")));
        const std::optional<qint64> id = videoNumberOf(video);
        if (!owner || !id)
            return;
        const QString key = QString::number(*owner) + u'_' + QString::number(*id);
        if (!m_videos.contains(key))
            m_order.append(key);
        m_videos.insert(key, video);
    }

    QList<QJsonObject> videos() const
    {
        QList<QJsonObject> videos;
        videos.reserve(m_order.size());
        for (const QString &key : m_order)
            videos.append(m_videos.value(key));
        return videos;
    }

private:
    QList<QString> m_order;
    QHash<QString, QJsonObject> m_videos;
};

void walk(const QJsonValue &value, VideoMap &videos)
{
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        if (object.value(QLatin1String("title")).isString() && object.contains(QLatin1String("owner_id"))
            && (object.contains(QLatin1String("id")) || object.contains(QLatin1String("video_id"))))
            videos.insert(object);
        const QJsonValue video = object.value(QLatin1String("video"));
        if (video.isObject())
            videos.insert(video.toObject());
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            walk(it.value(), videos);
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (const QJsonValue &element : array)
            walk(element, videos);
    }
}

std::optional<VideoHit> hitFrom(const QJsonObject &video)
{
    const QString title = video.value(QLatin1String("title")).toString().trimmed();
    if (title.isEmpty())
        return std::nullopt;
    const std::optional<qint64> owner = jsonInteger(video.value(QLatin1String("owner_id")));
    const std::optional<qint64> id = videoNumberOf(video);
    if (!owner || !id)
        return std::nullopt;
    const QUrl pageURL = hosts::httpsURL(hosts::vkVideoWebHost, QStringLiteral("/video%1_%2").arg(*owner).arg(*id));
    if (!pageURL.isValid())
        return std::nullopt;
    return VideoHit{title, yearInTitle(title), pageURL, jsonInteger(video.value(QLatin1String("duration"))), owner, id};
}

/// A number of seconds since 1970 as a moment; nothing for values no token could mean.
std::optional<QDateTime> momentOf(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double seconds = value.toDouble();
    if (!std::isfinite(seconds) || std::abs(seconds) > latestSensibleSeconds)
        return std::nullopt;
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000.0), Qt::UTC);
    if (!moment.isValid())
        return std::nullopt;
    return moment;
}

/// The "exp" claim of an "anonym.<header>.<payload>…" token.
std::optional<QDateTime> claimedExpiry(const QString &token)
{
    const QString prefix = QStringLiteral("anonym.");
    if (!token.startsWith(prefix))
        return std::nullopt;
    const QStringList pieces = token.mid(prefix.size()).split(u'.', Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return std::nullopt;
    QByteArray payload = pieces[1].toUtf8();
    payload.replace('-', '+').replace('_', '/');
    while (payload.size() % 4 != 0)
        payload.append('=');
    const auto decoded
        = QByteArray::fromBase64Encoding(payload, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    const std::optional<QJsonObject> claims = parseJsonObject(*decoded);
    if (!claims)
        return std::nullopt;
    return momentOf(claims->value(QLatin1String("exp")));
}

Form loginFormA()
{
    return {{QStringLiteral("client_id"), webClientID}};
}

Form loginFormB()
{
    return {
        {QStringLiteral("client_secret"), QStringLiteral("Xh4Rk9TzQw2LmV7pJc8N")},
        {QStringLiteral("client_id"), webClientID},
        {QStringLiteral("scopes"),
            QStringLiteral("audio_anonymous,video_anonymous,photos_anonymous,profile_anonymous")},
        {QStringLiteral("isApiOauthAnonymEnabled"), QStringLiteral("false")},
        {QStringLiteral("version"), QStringLiteral("1")},
        {QStringLiteral("app_id"), QStringLiteral("6287487")},
    };
}

Form searchForm(const QString &query, const QString &token)
{
    return {
        {QStringLiteral("screen_ref"), QStringLiteral("search_video_service")},
        {QStringLiteral("input_method"), QStringLiteral("preset_from_link")},
        {QStringLiteral("q"), query},
        {QStringLiteral("access_token"), token},
    };
}

QUrl loginURL()
{
    QUrl url = hosts::rootURL(hosts::vkLoginHost);
    url.setQuery(QStringLiteral("act=get_anonym_token"));
    return url;
}

QUrl searchURL()
{
    QUrl url = hosts::httpsURL(hosts::vkVideoAPIHost, QStringLiteral("/method/catalog.getVideoSearchWeb2"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("v"), apiVersion);
    query.addQueryItem(QStringLiteral("client_id"), webClientID);
    url.setQuery(query);
    return url;
}

/// A form POST as the VK Video web page sends it, from its own origin. The search also names the
/// browser and what it accepts; the login request leaves those to the session.
HttpRequest formRequest(QUrl url, const Form &form, std::chrono::seconds timeout,
    std::shared_ptr<CancellationHandle> cancellation, bool asBrowser)
{
    const QUrl webRoot = hosts::rootURL(hosts::vkVideoWebHost);
    HttpRequest request;
    request.method = "POST";
    request.url = std::move(url);
    request.idleTimeout = timeout;
    request.cancellation = std::move(cancellation);
    request.setHeader("Content-Type", "application/x-www-form-urlencoded");
    if (asBrowser)
        request.setHeader("Accept", "*/*");
    request.setHeader("Origin", webRoot.adjusted(QUrl::RemovePath).toEncoded());
    request.setHeader("Referer", webRoot.toEncoded());
    if (asBrowser)
        request.setHeader("User-Agent", BrowserIdentity::standard().userAgent.toUtf8());
    request.body = formEncode(form).toUtf8();
    return request;
}

void setCookie(HttpRequest &request, const std::optional<QString> &cookie)
{
    if (cookie && !cookie->isEmpty())
        request.setHeader("Cookie", cookie->toUtf8());
}

/// The error object of a search answer, as the error to throw; a rejected token leaves the cache.
LookupError apiError(const QJsonObject &error)
{
    const QJsonValue text = error.value(QLatin1String("error_msg"));
    const QJsonValue code = error.value(QLatin1String("error_code"));
    // Recognised on the service's own words, never on the text shown in their absence.
    const bool tokenRejected
        = (code.isDouble() && code.toDouble() == 5.0) || text.toString().toLower().contains(QLatin1String("token"));
    const QString message = text.isString() ? text.toString() : LookupError::tr("VK API error");
    if (tokenRejected)
        invalidateTokenCache();
    return LookupError::network(message);
}

} // namespace

QString formEncode(const QList<std::pair<QString, QString>> &pairs)
{
    QStringList fields;
    fields.reserve(pairs.size());
    for (const auto &[name, value] : pairs)
        fields.append(percentEncoded(name) + u'=' + percentEncoded(value));
    return fields.join(u'&');
}

QList<VideoHit> gatherHits(const QJsonObject &top)
{
    const QJsonValue response = top.value(QLatin1String("response"));
    const QJsonObject root = response.isObject() ? response.toObject() : top;

    VideoMap videos;
    const QJsonValue catalog = root.value(QLatin1String("catalog_videos"));
    const QJsonArray catalogVideos = catalog.toArray();
    const bool allObjects = std::all_of(
        catalogVideos.begin(), catalogVideos.end(), [](const QJsonValue &element) { return element.isObject(); });
    if (catalog.isArray() && allObjects) {
        for (const QJsonValue &element : catalogVideos) {
            const QJsonObject entry = element.toObject();
            const QJsonValue video = entry.value(QLatin1String("video"));
            videos.insert(video.isObject() ? video.toObject() : entry);
        }
    }
    walk(root, videos);

    QList<VideoHit> hits;
    const QList<QJsonObject> gathered = videos.videos();
    for (const QJsonObject &video : gathered) {
        if (std::optional<VideoHit> hit = hitFrom(video))
            hits.append(std::move(*hit));
    }
    return hits;
}

QList<VideoHit> parseHits(const QJsonObject &top, const QString &trimmedQuery)
{
    return rankHits(gatherHits(top), trimmedQuery);
}

LoginToken tokenFromLoginAnswer(const QJsonObject &answer)
{
    std::optional<QString> token;
    const QJsonValue data = answer.value(QLatin1String("data"));
    if (data.isObject()) {
        const QJsonValue inData = data.toObject().value(QLatin1String("access_token"));
        if (inData.isString())
            token = inData.toString();
    }
    if (!token) {
        const QJsonValue topLevel = answer.value(QLatin1String("access_token"));
        if (topLevel.isString())
            token = topLevel.toString();
    }
    if (!token || token->isEmpty()) {
        const QJsonValue error = answer.value(QLatin1String("error"));
        return {std::nullopt, error.isString() ? error.toString() : LookupError::tr("token missing")};
    }
    return {token, {}};
}

QDateTime tokenExpiry(const QJsonObject &answer, const QString &token, const QDateTime &now)
{
    const QJsonValue data = answer.value(QLatin1String("data"));
    if (data.isObject()) {
        const QJsonObject fields = data.toObject();
        for (const QLatin1String key : {QLatin1String("expires"), QLatin1String("expired_at")}) {
            if (const std::optional<QDateTime> moment = momentOf(fields.value(key)))
                return moment->addSecs(-statedExpiryMarginSeconds);
        }
    }
    if (const std::optional<QDateTime> claim = claimedExpiry(token))
        return claim->addSecs(-claimedExpiryMarginSeconds);
    return now.addSecs(defaultTokenLifeSeconds);
}

TokenCache tokenCacheForTesting()
{
    return tokenCache();
}

void resetTokenCacheForTesting()
{
    invalidateTokenCache();
}

QCoro::Task<QString> anonymousToken(MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation)
{
    {
        const TokenCache &cache = tokenCache();
        const QDateTime reuseLimit = QDateTime::currentDateTimeUtc().addSecs(tokenReuseMarginSeconds);
        if (cache.token && cache.expiry > reuseLimit)
            co_return *cache.token;
    }

    co_await lookup.gate->wait(hosts::vkLoginHost, loginInterval);

    const QUrl loginRoot = hosts::rootURL(hosts::vkLoginHost);
    const QUrl webRoot = hosts::rootURL(hosts::vkWebHost);
    const QList<Form> forms{loginFormA(), loginFormB()};
    QString reason;
    for (const Form &form : forms) {
        std::optional<QString> cookie = co_await lookup.cookieHeader(loginRoot);
        if (!cookie || cookie->isEmpty()) {
            std::optional<QString> webCookie = co_await lookup.cookieHeader(webRoot);
            cookie = std::move(webCookie);
        }
        HttpRequest request = formRequest(loginURL(), form, tokenTimeout, cancellation, false);
        setCookie(request, cookie);

        // The status is not looked at: the body says whether a token came.
        QByteArray body;
        try {
            HttpResponse response = co_await lookup.session->send(request);
            body = std::move(response.body);
        } catch (const TransportError &error) {
            reason = error.message();
            continue;
        }

        const std::optional<QJsonObject> parsed = parseJsonObject(body);
        if (!parsed) {
            reason = LookupError::tr("bad JSON");
            continue;
        }
        const QJsonObject &answer = *parsed;
        const LoginToken found = tokenFromLoginAnswer(answer);
        if (!found.token) {
            reason = found.failureReason;
            continue;
        }
        const QDateTime expiry = tokenExpiry(answer, *found.token, QDateTime::currentDateTimeUtc());
        tokenCache() = TokenCache{found.token, expiry};
        co_return *found.token;
    }
    throw LookupError::network(LookupError::tr("VK anonym token: %1").arg(reason));
}

QCoro::Task<QList<VideoHit>> searchVideos(
    QString query, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation)
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        throw LookupError::emptyQuery();

    const QString token = co_await anonymousToken(lookup, cancellation);
    co_await lookup.gate->wait(hosts::vkVideoAPIHost, searchInterval);

    const QUrl url = searchURL();
    if (!url.isValid())
        throw LookupError::network(LookupError::tr("Bad VK Video API URL"));
    const QUrl webRoot = hosts::rootURL(hosts::vkVideoWebHost);
    const std::optional<QString> cookie = co_await lookup.cookieHeader(webRoot);
    HttpRequest request = formRequest(url, searchForm(trimmed, token), searchTimeout, cancellation, true);
    setCookie(request, cookie);

    HttpResponse response;
    try {
        response = co_await lookup.session->send(request);
    } catch (const TransportError &error) {
        throw LookupError::network(error.message());
    }
    if (response.status < 200 || response.status > 299)
        throw LookupError::network(LookupError::tr("VK Video API HTTP %1").arg(response.status));

    const std::optional<QJsonObject> parsed = parseJsonObject(response.body);
    if (!parsed)
        throw LookupError::parseFailed();
    const QJsonObject &top = *parsed;
    const QJsonValue error = top.value(QLatin1String("error"));
    if (error.isObject())
        throw apiError(error.toObject());

    QList<VideoHit> hits = parseHits(top, trimmed);
    if (hits.isEmpty())
        throw LookupError::noCatalogResult();
    co_return hits;
}

} // namespace tolvane::VKVideoAPIClient
