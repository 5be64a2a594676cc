#pragma once

#include "lookup/MovieLookup.h"

#include <QCoroTask>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>
#include <utility>

/// The VK Video engine: the video search of VK Video's own web application, called with an
/// anonymous token from the VK login service, its loose answer turned into ranked hits.
namespace tolvane::VKVideoAPIClient {

/// One video found by the search, pointing at its page on the VK Video web host.
struct VideoHit {
    QString title; ///< trimmed, never empty
    std::optional<int> year; ///< the first year written in the title
    QUrl pageURL; ///< https://<VK Video web host>/video<owner>_<id>
    std::optional<qint64> duration; ///< seconds
    std::optional<qint64> ownerID; ///< negative for a community
    std::optional<qint64> videoID;

    bool operator==(const VideoHit &) const = default;
};

/// The videos matching `query`, best first, at most 40. Throws LookupError: `emptyQuery` for a
/// blank query (before any request), `network` for token, transport, HTTP and API failures,
/// `parseFailed` for a body that is no JSON object, `noCatalogResult` when no video is usable.
QCoro::Task<QList<VideoHit>> searchVideos(
    QString query, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation = {});

/// An anonymous access token: the cached one while it has more than a minute left, else a fresh one
/// from the login service (a second, longer login form when the first gets no token).
QCoro::Task<QString> anonymousToken(MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation = {});

/// name=value pairs joined by "&", each part percent-encoded except Unicode letters, marks and
/// digits and "-._~": Cyrillic goes out as UTF-8 text, the way the VK web application sends it.
QString formEncode(const QList<std::pair<QString, QString>> &pairs);

// Reading the answers. Pure functions of their arguments.

/// The first 19xx or 20xx standing alone in a title.
std::optional<int> yearInTitle(const QString &title);

/// How well a hit fits the query: the title's likeness to it, less trailers, reviews, series and
/// clips, plus feature length.
int score(const VideoHit &hit, const QString &trimmedQuery);

/// Every usable video in a search answer (top-level object), one per owner and video ID, in the
/// order they were first met; not ranked.
QList<VideoHit> gatherHits(const QJsonObject &top);

/// Best first (score, then duration), one hit per title ignoring case, at most 40.
QList<VideoHit> rankHits(QList<VideoHit> hits, const QString &trimmedQuery);

/// `rankHits` of `gatherHits`: what a search returns.
QList<VideoHit> parseHits(const QJsonObject &top, const QString &trimmedQuery);

/// The access token in a login answer, or the reason it has none.
struct LoginToken {
    std::optional<QString> token;
    QString failureReason;
};
LoginToken tokenFromLoginAnswer(const QJsonObject &answer);

/// Until when a fresh token may be used: 4 h before the expiry the answer gives, else 2 min before
/// the expiry claim inside an "anonym." token, else 10 h from `now`.
QDateTime tokenExpiry(const QJsonObject &answer, const QString &token, const QDateTime &now);

// The process-wide token cache, seen from tests.

struct TokenCache {
    std::optional<QString> token;
    QDateTime expiry;
};
TokenCache tokenCacheForTesting();
void resetTokenCacheForTesting();

} // namespace tolvane::VKVideoAPIClient
