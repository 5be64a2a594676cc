#pragma once

#include "lookup/MovieLookup.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <optional>

namespace tolvane {

/// Fetches an HTML page through the gate, with the browser headers and cookies, and returns its
/// text (decodeBodyText: the declared charset, else UTF-8 or Latin-1). Throws LookupError (network)
/// on a transport failure or an HTTP status outside 200–299, and `Cancelled` when the lookup is cancelled while pausing
/// after HTTP 429. After a first 429 it pauses as the server asks and tries once more when `retryOn429` is set.
QCoro::Task<QString> fetchHTML(MovieLookup lookup, QUrl url, QUrl referer, QString gateKey, bool retryOn429,
    double minimumIntervalSeconds, std::shared_ptr<CancellationHandle> cancellation = {});

/// The pause a "Retry-After" header asks for, clamped to 3–60 s; nothing when the header is absent
/// or not a plain decimal number (the HTTP-date form included).
std::optional<double> parseRetryAfter(const QByteArray &retryAfter);

} // namespace tolvane
