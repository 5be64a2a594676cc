#pragma once

#include "engines/vkvideo/VideoRanking.h"
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

/// Every usable video in a search answer (top-level object), one per owner and video ID, in the
/// order they were first met; not ranked.
QList<VideoHit> gatherHits(const QJsonObject &top);

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
